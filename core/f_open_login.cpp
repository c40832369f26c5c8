#include <QWidget>

#include "core/f_open_login.h"

#include "core/f_formvalue.h"
#include "core/n_cst_manager.h"
#include "runtime/pbdom_builder.h"
#include "runtime/strings.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/window.h"
#include "runtime/xml.h"

namespace {

// Stand-in for the login window until account/sys_w_login lands: it asks
// the gateway to check the three values and, on "success", stores them
// scrambled and answers "ok"; cancel and the close box give no answer.
class login_standin final : public rt::Window {
public:
    login_standin() {
        set_window_type(rt::WindowType::response);
        set_title("系统登录");
        set_design_size(1600, 900);
        sle_password.set_password(true);
        cb_ok.set_default(true);
        cb_cancel.set_cancel(true);
        cb_ok.on_clicked = [this] { cb_ok_clicked(); };
        cb_cancel.on_clicked = [this] { rt::Close(*this); };
    }

private:
    rt::StaticText st_userid{this, "企业  ID：", {100, 100, 300, 64}};
    rt::SingleLineEdit sle_userid{this, "", {420, 90, 900, 80}};
    rt::StaticText st_account{this, "用户名：", {100, 220, 300, 64}};
    rt::SingleLineEdit sle_account{this, "", {420, 210, 900, 80}};
    rt::StaticText st_password{this, "密  码：", {100, 340, 300, 64}};
    rt::SingleLineEdit sle_password{this, "", {420, 330, 900, 80}};
    rt::CommandButton cb_ok{this, "确定&E", {700, 600, 300, 92}};
    rt::CommandButton cb_cancel{this, "取消&C", {1050, 600, 300, 92}};

    void cb_ok_clicked() {
        const std::string id = rt::Trim(sle_userid.text()), acc = rt::Trim(sle_account.text()),
                          pw = rt::Trim(sle_password.text());
        if (id.empty() || acc.empty() || pw.empty()) {
            gnv_app->pub_msg("请输入企业ID、用户名和密码!");
            return;
        }
        std::string data = "chks_userid=" + f_formvalue(id) + "&chks_account=" + f_formvalue(acc) +
                           "&chks_password=" + f_formvalue(pw) + "&chks_valicode=";
        if (gnv_app->of_http_post_sms(gnv_app->url + "api/com_api_thro.aspx", "user_chks_ones", "", data) != 1) return;
        if (rt::XMLParseString(data) != 0 || returnvalue(data) != "success") {
            gnv_app->pub_msg("登录失败!");
            return;
        }
        for (auto [key, value] : {std::pair{"userid", id}, {"account", acc}, {"password", pw}})
            gnv_app->pub_f_set_sysvar("cfg", key, gnv_app->of_encrypt(value, gnv_app->e, gnv_app->n));
        gnv_app->of_setuserid(acc);
        gnv_app->userid = id;
        gnv_app->account = acc;
        gnv_app->password = pw;
        rt::CloseWithReturn(*this, "ok");
    }

    static std::string returnvalue(const std::string& answer) {
        pbdom_builder builder;
        std::vector<pbdom_object> nodes;
        builder.BuildFromString(answer).GetRootElement().GetContent(nodes);
        std::string value;
        for (const auto& node : nodes)
            if (rt::Lower(node.GetName()) == "returnvalue" && !rt::Trim(node.GetText()).empty()) value = node.GetText();
        return rt::Lower(value);
    }
};

} // namespace

login_answer f_open_login() {
    login_standin w;
    rt::OpenWithParm(w, "one");
    return {w.answer().has_value(), w.answer()};
}
