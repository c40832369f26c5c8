#include "account/sys_w_login.h"

#include "account/w_reg.h"
#include "core/f_formvalue.h"
#include "core/n_cst_manager.h"
#include "runtime/strings.h"
#include "shell/w_outlook.h"

sys_w_login::sys_w_login() {
    set_window_type(rt::WindowType::response);
    set_title("系统登录");
    set_design_size(1696, 964);
    set_minbox(false);
    set_maxbox(false);
    set_resizable(false);
    set_center(true);
    set_backcolor(rt::colours::button_face);

    const rt::Font label{"宋体", 9, 400, false, false, 134};
    const rt::Font edit{"宋体", 10, 400, false, false, 134};
    for (rt::Control* c : std::initializer_list<rt::Control*>{&st_3, &st_1, &st_2, &cb_set, &cb_ok, &cb_cancel})
        c->set_font(label);
    for (rt::SingleLineEdit* e : {&sle_userid, &sle_account, &user_password}) {
        e->set_font(edit);
        e->on_getfocus = [this, e] { edit_getfocus(*e); };
    }
    user_password.set_password(true);
    uo_2.haveleftright = true;

    sle_userid.set_taborder(10);
    sle_account.set_taborder(20);
    user_password.set_taborder(30);
    cb_ok.set_taborder(40);
    cb_cancel.set_taborder(50);
    cb_set.set_taborder(0);
    cb_1.set_taborder(0);

    // Kept for the command-bar test window; the user never sees it.
    cb_1.on_constructor = [this] { cb_1.Hide(); };
    cb_1.on_clicked = [] { rt::Open(rt::make_window<w_outlook>()); };
    cb_ok.on_clicked = [this] { cb_ok_clicked(); };
    cb_set.on_clicked = [this] { cb_set_clicked(); };
    cb_cancel.on_clicked = [this] { cb_cancel_clicked(); };
}

void sys_w_login::open() {
    if (!rt::IsBlank(gnv_app->userid)) sle_userid.set_text(gnv_app->userid);
    if (!rt::IsBlank(gnv_app->account)) sle_account.set_text(gnv_app->account);
    if (!rt::IsBlank(gnv_app->userid) && !rt::IsBlank(gnv_app->account)) user_password.SetFocus();
}

void sys_w_login::edit_getfocus(rt::SingleLineEdit& sle) {
    igo = &sle;
    sle.SelectText(1, 28);
}

void sys_w_login::key(int keycode, unsigned long) {
    rt::WindowObject* last = igo.get();
    if (!last) return;
    // Up walks the fields downwards and Down upwards, as users of the
    // client have always had it.
    if (last == &sle_userid) {
        if (keycode == rt::keys::enter || keycode == rt::keys::up) sle_account.SetFocus();
        else if (keycode == rt::keys::down) user_password.SetFocus();
    } else if (last == &sle_account) {
        if (keycode == rt::keys::enter || keycode == rt::keys::up) user_password.SetFocus();
        else if (keycode == rt::keys::down) sle_userid.SetFocus();
    } else if (last == &user_password) {
        if (keycode == rt::keys::enter) cb_ok.TriggerEvent(rt::Event::clicked);
        else if (keycode == rt::keys::up) sle_userid.SetFocus();
        else if (keycode == rt::keys::down) sle_account.SetFocus();
    }
}

void sys_w_login::cb_ok_clicked() {
    // The gateway knows an enterprise by the last four bytes of its ID.
    const std::string ls_user_id = rt::Right(sle_userid.text(), 4);
    if (ls_user_id.empty()) {
        gnv_app->pub_msg("企业  ID不能为空!", rt::Icon::Exclamation);
        sle_userid.SetFocus();
        return;
    }
    const std::string ls_account = rt::Trim(sle_account.text());
    if (ls_account.empty()) {
        gnv_app->pub_msg("用 户 名不能为空!", rt::Icon::Exclamation);
        sle_account.SetFocus();
        return;
    }
    const std::string ls_oper_pw = rt::Trim(user_password.text());
    if (ls_oper_pw.empty()) {
        gnv_app->pub_msg("密    码不能为空!", rt::Icon::Exclamation);
        user_password.SetFocus();
        return;
    }

    const std::string data = "chks_userid=" + f_formvalue(ls_user_id) + "&chks_account=" + f_formvalue(ls_account) +
                             "&chks_password=" + f_formvalue(ls_oper_pw) + "&chks_valicode=";
    if (!of_post_account("user_chks_ones", data)) return;

    const std::string verdict = rt::Lower(returnvalue);
    if (verdict == "failed") {
        gnv_app->pub_msg("登录失败!" + returnmessage);
        return;
    }
    if (verdict != "success") {
        gnv_app->pub_msg("无法识别返回代码,登录失败![" + returnmessage + "]");
        return;
    }
    gnv_app->uf_file_log("系统登录\treturncode[" + returncode + "] returnmessage[" + returnmessage + "]\t", true);

    const struct {
        const char* key;
        const std::string& value;
        const char* failed;
    } saves[] = {{"userid", ls_user_id, "保存企业ID失败!"},
                 {"account", ls_account, "保存帐号失败!"},
                 {"password", ls_oper_pw, "保存密码失败!"}};
    for (const auto& s : saves) {
        if (gnv_app->pub_f_set_sysvar("cfg", s.key, gnv_app->of_encrypt(s.value, gnv_app->e, gnv_app->n)) != 1) {
            gnv_app->pub_msg(s.failed);
            return;
        }
    }
    gnv_app->of_setuserid(ls_account);
    gnv_app->userid = ls_user_id;
    gnv_app->account = ls_account;
    gnv_app->password = ls_oper_pw;
    rt::CloseWithReturn(*this, "ok");
}

void sys_w_login::cb_set_clicked() {
    // The sign-up's own answer is not the login's: nothing here reads it.
    w_reg lw_reg;
    rt::Open(lw_reg);
}

void sys_w_login::cb_cancel_clicked() { rt::Close(*this); }
