#include "account/w_about.h"

#include "core/n_cst_manager.h"

namespace {

constexpr const char* help_text =
    "Excel文件发送短信。\r\n"
    "应用于Excel发送工资短信、Excel发快递短信、Excel发水电费明细短信等，行业领域内的带Excel变量的短信文件。\r\n"
    "优点：速度快、操作简单。\r\n"
    "什么是短信工资条？就是把工资明细用短信发到手机上，这样即提高了效率又节省了纸张，又方便。\r\n"
    "我们来介绍一款用来处理Excel工资条,并将每个人的工资明细以短信的形式发送到对方手机上的软件。\r\n"
    "用于快速处理Excel文件中的短信内容、Excel工资条自动拆分发送短信等。";

} // namespace

w_about::w_about() {
    set_window_type(rt::WindowType::response);
    set_title("关于");
    set_design_size(1701, 1512);
    set_minbox(false);
    set_maxbox(false);
    set_resizable(false);
    set_center(true);
    set_icon("AppIcon!");
    set_backcolor(rt::colours::button_face);

    p_about.set_originalsize(true);
    mle_help.set_displayonly(true);
    mle_help.set_font({"MS Sans Serif", 8, 400});
    mle_help.set_hscrollbar(true);
    mle_help.set_vscrollbar(true);
    cb_ok.set_default(true);

    uo_about.set_taborder(10);
    cb_ok.set_taborder(10);
    mle_help.set_taborder(20);
    cb_ok.on_clicked = [this] { cb_ok_clicked(); };
}

void w_about::open() {
    const std::string ls_appname = gnv_app->appname;
    st_application.set_text(ls_appname);
    set_title(ls_appname.empty() ? "About" : "About " + ls_appname);

    if (!gnv_app->of_getlogo().empty()) p_about.set_picturename(gnv_app->of_getlogo());
    else p_about.Hide();

    // The icon takes the logo's place whenever an icon name is set.
    if (!gnv_app->appico.empty()) {
        p_about.Hide();
        uo_about.size = 32;
        uo_about.of_loadicon(gnv_app->appico);
    } else {
        uo_about.Hide();
    }

    st_version.set_text(gnv_app->of_getversion());
    st_copyright.set_text(gnv_app->of_getcopyright());
    mle_help.set_text(help_text);
}

void w_about::cb_ok_clicked() { rt::Close(*this); }
