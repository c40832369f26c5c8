#include "account/w_reg.h"

#include "account/dw_reg.h"
#include "core/f_formvalue.h"
#include "core/n_cst_manager.h"
#include "runtime/strings.h"

namespace {

// Letters and digits first and last, no dot next to the at sign, and a dot
// somewhere in the domain.
constexpr const char* email_pattern =
    R"(^[a-zA-Z0-9][a-zA-Z\0-9\-_\.]*[^.]\@[^.][a-zA-Z\0-9\-_\.]+\.[a-zA-Z\0-9\-_\.]*[a-zA-Z\0-9]+$)";

} // namespace

w_reg::w_reg() {
    set_title("帐号注册");
    set_design_size(1911, 1580);
    dw_reg.set_dataobject(dw_reg_object().name);
    dw_reg.set_border(false);
    dw_reg.set_taborder(10);
    cb_reg.set_taborder(20);
    cb_cancel.set_taborder(30);
    cb_reg.on_clicked = [this] { cb_reg_clicked(); };
    cb_cancel.on_clicked = [this] { cb_cancel_clicked(); };
}

void w_reg::open() {
    w_response::open();
    dw_reg.InsertRow(0);
}

std::string w_reg::value(const std::string& column) const {
    return rt::Trim(dw_reg.GetItemString(1, column).value_or(""));
}

bool w_reg::wf_verify() {
    dw_reg.AcceptText();
    const std::string account = value("account"), password = value("password"), company = value("company"),
                      realname = value("realname"), mobile = value("mobile"), email = value("email");
    dw_reg.SetFocus();

    const auto fail = [this](const std::string& column, const std::string& message, bool message_first) {
        if (message_first) gnv_app->pub_msg(message);
        dw_reg.SetColumn(column);
        if (!message_first) gnv_app->pub_msg(message);
        return false;
    };
    const auto outside = [](const std::string& s, int min, int max) { return rt::Len(s) < min || rt::Len(s) > max; };

    if (outside(account, 4, 30))
        return fail("account", account.empty() ? "帐号不能为空" : "帐号长度在4至30", true);
    if (outside(password, 6, 20))
        return fail("password", password.empty() ? "密码不能为空" : "密码长度在6至20", false);
    if (outside(company, 2, 30))
        return fail("company", company.empty() ? "客户名称不能为空" : "客户名称长度在2至30", false);
    if (outside(realname, 2, 30))
        return fail("realname", realname.empty() ? "联系人不能为空" : "联系人长度在2至30", false);
    if (rt::Len(mobile) != 11)
        return fail("mobile", mobile.empty() ? "联系手机不能为空" : "联系手机格式不正确", false);
    if (!email.empty() && !rt::Match(email, email_pattern))
        return fail("email", "电子邮件地址格式不正确", false);
    return true;
}

bool w_reg::wf_commit() {
    const std::string data = "reg_account=" + f_formvalue(value("account")) +
                             "&reg_password=" + f_formvalue(value("password")) +
                             "&reg_realname=" + f_formvalue(value("realname")) +
                             "&reg_company=" + f_formvalue(value("company")) +
                             "&reg_mobile=" + f_formvalue(value("mobile")) + "&reg_qq=" + f_formvalue(value("qq")) +
                             "&reg_email=" + f_formvalue(value("email")) + "&reg_valicode=";
    if (!of_post_account("reg_thr_ones", data)) return false;

    const std::string verdict = rt::Lower(returnvalue);
    if (verdict == "failed") {
        gnv_app->pub_msg("注册失败!" + returnmessage);
        return false;
    }
    if (verdict != "success") {
        gnv_app->pub_msg("无法识别返回代码,注册失败![" + returnmessage + "]");
        return false;
    }
    gnv_app->pub_msg("注册成功! 你的企业号[" + returnmessage + "]请保存好!!");
    gnv_app->uf_file_log("注册帐号\treturncode[" + returncode + "] returnmessage[" + returnmessage + "]\t", true);
    return true;
}

void w_reg::cb_reg_clicked() {
    if (!wf_verify()) return;
    if (!wf_commit()) return;
    rt::CloseWithReturn(*this, "ok");
}

void w_reg::cb_cancel_clicked() { rt::Close(*this); }
