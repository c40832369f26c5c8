#include "shell/w_outlook.h"

#include "runtime/services.h"
#include "runtime/ui/style.h"

#include <array>

std::string& w_outlook::layout_path() {
    static std::string path = "frame.tb2";
    return path;
}

w_outlook::w_outlook() {
    set_window_type(rt::WindowType::response);
    set_title("Untitled");
    set_design_size(2807, 1688);
    set_minbox(false);
    set_maxbox(false);
    set_resizable(false);
    set_center(true);
    set_backcolor(rt::colours::button_face);
    uo_1.set_taborder(20);
    uo_1.ue_toolclick = [this](rt::CommandTool& tool) { uo_1_ue_toolclick(tool); };
}

int w_outlook::wf_getuniqueid(rt::nint& ai_id) {
    if (!ai_id) ai_id = -1;
    ai_id = static_cast<std::int16_t>(*ai_id + 1);
    return *ai_id;
}

void w_outlook::open() {
    const std::array<std::string, 3> ls_level1{"测试1", "测试2", "测试3"};
    const std::array<std::array<std::string, 3>, 3> ls_level2{{{"恭喜发财", "万事如意", "心想事成"},
                                                              {"Hello", "World", "My God"},
                                                              {"嘻嘻", "哈哈", "关于"}}};
    ii_uniqueid = -1;
    uo_1.uf_load("", layout_path(), 1);
    // A layout without the status band and its two tools stops the window's
    // building here, as a failed call of the control would.
    if (!uo_1.uf_setstatuscaption("Status", "designer", "设计：澄渊达软件工作室 电话：010-00000000")) return;
    if (!uo_1.uf_setstatuscaption("Status", "operater", "操作员：测试用户")) return;

    rt::CommandBand* lobj_band = uo_1.uf_addband("Outlook", "工具栏", dddaleft, ddgsnone);
    uo_1.uf_setfont3d(lobj_band, dd3dinsetlight);
    rt::CommandChildBands& children = lobj_band->childbands();
    children.set_backcolor(rt::RGB(58, 110, 165));
    children.set_childbandbackgroundstyle(0);
    children.set_childbandcaptionalignment(1);
    children.set_forecolor(rt::RGB(0, 0, 0));
    children.set_toolforecolor(rt::RGB(255, 255, 255));
    uo_1.ole_1.Resize(WorkSpaceWidth(), uo_1.ole_1.height());
    uo_1.Resize(WorkSpaceWidth(), uo_1.height());
    for (int flag : {ddbfdocktop, ddbfdockbottom, ddbfdockright, ddbffloat, ddbfcustomize, ddbfhide})
        uo_1.uf_removeflag(lobj_band, flag);

    for (std::size_t i = 0; i < ls_level1.size(); ++i) {
        rt::CommandChildBand* lobj_childband = uo_1.uf_addchildband(lobj_band, ls_level1[i], ls_level1[i]);
        for (const std::string& t : ls_level2[i]) {
            const int id = wf_getuniqueid(ii_uniqueid);
            uo_1.uf_addtool(id, t, t, ddcpbelow, ls_level1[i], ddttbutton, "sms.ico", ddsicontext, t);
            uo_1.uf_inserttool(lobj_childband, *ii_uniqueid);
        }
    }
}

void w_outlook::uo_1_ue_toolclick(rt::CommandTool& tool) {
    const std::string tag = tool.tagvariant;
    if (tag == "哈哈") return;
    rt::MessageBox("", tag, rt::Icon::Information, rt::Buttons::OK);
}
