// The login window: the enterprise ID, account and password are confirmed
// by the gateway ("user_chks_ones"), then stored scrambled in [cfg] and in
// the manager, and the window answers "ok". The start-up opens it modally
// with the parameter "one", which it does not read.
#pragma once

#include "account/n_account_answer.h"
#include "foundation/uo_line.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/window.h"

class sys_w_login final : public rt::Window, public n_account_answer {
public:
    sys_w_login();

    // The edit that last received the focus; Enter and the arrows act on it.
    rt::ObjectRef igo;

    rt::Picture p_1{this, "res\\login.jpg", {0, 0, 1691, 272}};
    rt::StaticText st_3{this, "企业  ID：", {261, 314, 288, 60}};
    rt::SingleLineEdit sle_userid{this, "", {567, 302, 846, 84}};
    rt::StaticText st_1{this, "用 户 名：", {261, 426, 288, 60}};
    rt::SingleLineEdit sle_account{this, "", {567, 414, 846, 84}};
    rt::StaticText st_2{this, "密    码：", {261, 538, 288, 60}};
    rt::SingleLineEdit user_password{this, "", {567, 526, 846, 84}};
    uo_line uo_2{this, {18, 640, 1650, 32}};
    rt::CommandButton cb_set{this, "注册&R", {64, 696, 320, 92}};
    rt::CommandButton cb_ok{this, "确定&E", {937, 696, 320, 92}};
    rt::CommandButton cb_cancel{this, "取消&C", {1298, 696, 320, 92}};
    rt::CommandButton cb_1{this, "none", {430, 696, 320, 92}};

    void open() override;
    void key(int keycode, unsigned long keyflags) override;
    int closequery() override { return 0; }

    void edit_getfocus(rt::SingleLineEdit& sle);
    void cb_ok_clicked();
    void cb_set_clicked();
    void cb_cancel_clicked();
};
