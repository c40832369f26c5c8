#include "shell/w_background.h"

#include "core/f_filewrite.h"
#include "core/n_cst_manager.h"
#include "core/nuo_ir.h"
#include "foundation/pfc_n_cst_resize.h"
#include "runtime/files.h"
#include "runtime/inet.h"
#include "runtime/pbdom_builder.h"
#include "runtime/services.h"
#include "runtime/strings.h"
#include "runtime/xml.h"

namespace {
w_background* g_current = nullptr;

} // namespace

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
    // Hidden until a downloaded poster replaces the design picture.
    p_poster.on_constructor = [this] { p_poster.Hide(); };
}

w_background::~w_background() {
    if (g_current == this) g_current = nullptr;
}

w_background* w_background::current() { return g_current && g_current->is_open() ? g_current : nullptr; }

void w_background::open() {
    w_sheet::open();
    g_current = this;
    set_enabled(false);
    of_setresize(true);
    inv_resize->of_register(&p_poster, "FixedToRight&Bottom");
    inv_resize->of_register(&st_tips, "ScaleToRight");
    rt::PostEvent(*this, [this] { wf_poster(); });
    if (!rt::IsBlank(gnv_app->userid) && !rt::IsBlank(gnv_app->account) && !rt::IsBlank(gnv_app->password))
        rt::PostEvent(*this, [this] { wf_overage(); });
}

// The poster and a leftover update.ini go with the sheet; the update
// descriptor and archives stay.
void w_background::close() {
    if (g_current == this) g_current = nullptr;
    w_sheet::close();
    if (!imagefile.empty()) rt::FileDelete(imagefile);
    const std::string update_ini = gnv_app->appdir + "\\update\\update.ini";
    if (rt::FileExists(update_ini)) rt::FileDelete(update_ini);
}

void w_background::wf_poster() {
    rt::Inet inet;
    nuo_ir ir;
    const int result = inet.GetURL(gnv_app->weburl + "sms/poster/poster.jpg", ir);
    if (result != 1) {
        gnv_app->pub_msg("访问地址失败，错误代码[" + std::to_string(result) + "]", rt::Icon::Exclamation);
        return;
    }
    // The server's status tells a missing poster; the picture's bytes may hold anything.
    if (ir.http_status() >= 400) {
        gnv_app->pub_msg("访问服务器资源失败");
        return;
    }
    const std::string ls_file = of_poster_name();
    if (ls_file.empty() || f_filewrite(ls_file, ir.of_getdata()) != 1) {
        gnv_app->pub_msg("图片保存到本地失败");
        return;
    }
    imagefile = ls_file;
    p_poster.set_picturename(imagefile);
    p_poster.Show();
}

// A random name in the program folder that nothing has yet: the poster is
// deleted with the sheet, so it must never take the place of a user's file.
// Empty when every name is taken.
std::string w_background::of_poster_name() const {
    auto name = [](std::int32_t n) { return gnv_app->appdir + "\\" + std::to_string(n) + ".jpg"; };
    const std::optional<std::int32_t> n =
        rt::DrawFreeNumber(99999, [&](std::int32_t k) { return std::vector<std::string>{name(k)}; });
    return n ? name(*n) : "";
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
