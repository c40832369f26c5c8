#include "shell/w_background.h"

#include "core/n_cst_manager.h"
#include "runtime/pbdom_builder.h"
#include "runtime/strings.h"
#include "runtime/xml.h"

namespace {
w_background* g_current = nullptr;
}

w_background::w_background() {
    set_title("");
    set_titlebar(false);
    set_controlmenu(false);
    set_minbox(false);
    set_maxbox(false);
    set_resizable(false);
    set_design_size(3493, 1628);
    rt::Font bold = st_tips.font();
    bold.weight = 700;
    st_tips.set_font(bold);
    st_tips.set_textcolor(rt::RGB(255, 0, 0));
    st_tips.set_alignment(rt::Alignment::center);
}

w_background::~w_background() {
    if (g_current == this) g_current = nullptr;
}

w_background* w_background::current() { return g_current && g_current->is_open() ? g_current : nullptr; }

void w_background::open() {
    w_sheet::open();
    g_current = this;
    widget()->setEnabled(false);
}

void w_background::close() {
    if (g_current == this) g_current = nullptr;
    w_sheet::close();
}

void w_background::wf_overage() {
    std::string ls_data;
    gnv_app->of_http_post_sms("overage", "", ls_data);
    const int code = rt::XMLParseString(ls_data);
    if (code != 0) {
        st_tips.set_text("无效返回数据,错误代码[" + std::to_string(code) + "]");
        return;
    }
    pbdom_builder lnv_builder;
    of_explain_overage(lnv_builder.BuildFromString(ls_data).GetRootElement());
    if (rt::Lower(status) == "sucess")
        st_tips.set_text("当前剩余条数[" + overage + "]");
    else
        gnv_app->pub_msg(mess, rt::Icon::StopSign);
}

int w_background::of_explain_overage(const pbdom_element& pobj_element) {
    return n_cst_manager::of_read_answer(pobj_element, [this](const std::string& name, const std::string& text) {
        if (name == "returnstatus") status = text;
        else if (name == "message") mess = text;
        else if (name == "payinfo") payinfo = text;
        else if (name == "overage") gnv_app->overage = overage = text;
        else if (name == "sendtotal") gnv_app->sendtotal = sendtotal = text;
    });
}
