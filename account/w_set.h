// The settings window: the credentials with a balance query on the first
// page, the signature list with the automatic-signature and keep-on-top
// boxes on the second. "设置&S" stores the credentials scrambled and the
// automatic signature, then closes; the list and the keep-on-top box are
// stored the moment they change, and "关闭&C" undoes none of it.
#pragma once

#include "foundation/pfc_u_cb.h"
#include "foundation/pfc_u_sle.h"
#include "foundation/pfc_u_st.h"
#include "foundation/uo_arcbutton.h"
#include "foundation/w_response.h"
#include "runtime/ui/controls.h"

#include <string>

class pbdom_element;

class w_set final : public w_response {
public:
    w_set();

    // The last balance answer this window read; its own, never the manager's.
    std::string status;
    std::string mess;
    std::string payinfo;
    std::string overage;
    std::string sendtotal;

    rt::Tab tab_1{this, {0, 0, 2775, 1596}};
    pfc_u_cb cb_close{this, "关闭&C", {2377, 1620, 352, 92}};
    pfc_u_cb cb_set{this, "设置&S", {1979, 1620, 352, 92}};

    // ---- the account page ----------------------------------------------
    rt::TabPage tabpage_2{&tab_1, "帐号设置"};
    pfc_u_cb cb_query{&tabpage_2, "查询余额", {800, 660, 352, 92}};
    pfc_u_sle sle_password{&tabpage_2, "", {800, 500, 1200, 88}};
    pfc_u_sle sle_account{&tabpage_2, "", {800, 360, 1200, 88}};
    pfc_u_sle sle_userid{&tabpage_2, "", {800, 220, 1200, 88}};
    pfc_u_st st_8{&tabpage_2, "密码：", {420, 512, 343, 64}};
    pfc_u_st st_7{&tabpage_2, "帐号：", {420, 372, 343, 64}};
    pfc_u_st st_6{&tabpage_2, "企业ID：", {420, 232, 343, 64}};

    // ---- the signature page --------------------------------------------
    rt::TabPage tabpage_3{&tab_1, "其它设置"};
    rt::CheckBox cbx_signature{&tabpage_3, "", {1450, 172, 64, 72}};
    pfc_u_st st_2{&tabpage_3, "自动添加签名", {1010, 180, 430, 64}};
    uo_arcbutton pb_remove{&tabpage_3, "删除签名", {620, 1080, 462, 160}};
    pfc_u_st st_1{&tabpage_3, "可用签名", {73, 180, 343, 64}};
    uo_arcbutton pb_signature{&tabpage_3, "添加签名", {73, 1080, 462, 160}};
    rt::ListBox lb_signature{&tabpage_3, {73, 260, 1440, 768}};
    rt::CheckBox cbx_windowpos{&tabpage_3, "程序置顶", {73, 40, 640, 80}};

    void open() override;
    // Reads a balance answer's root element into the five variables above,
    // by the manager's reading rule; -1 when it has no child nodes.
    int of_explain_overage(const pbdom_element& pobj_element);

    void cb_query_clicked();
    void cb_set_clicked();
    void cb_close_clicked();
    void pb_signature_clicked();
    void pb_remove_clicked();
    void cbx_windowpos_clicked();

private:
    // Fills the list from [mobile] signature, the default when it is empty.
    void wf_load_signatures();
    // Writes the list, joined with ";", to [mobile] signature and the
    // manager; when the file cannot be written, says so and shows the list
    // the file still holds.
    void wf_store_signatures();
};
