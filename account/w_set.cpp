#include "account/w_set.h"

#include "core/n_cst_manager.h"
#include "foundation/n_cst_string.h"
#include "runtime/pbdom_builder.h"
#include "runtime/strings.h"
#include "runtime/xml.h"
#include "sending/w_signature.h"

#include <vector>

w_set::w_set() {
    set_title("参数设置");
    set_design_size(2807, 1844);

    for (pfc_u_st* st : {&st_8, &st_7, &st_6, &st_2}) st->set_alignment(rt::Alignment::right);
    sle_password.set_password(true);
    lb_signature.set_font({"Arial", 10, 400});
    cbx_windowpos.set_font({"Arial", 12, 400});
    cb_close.set_cancel(true);

    tab_1.set_taborder(10);
    cb_set.set_taborder(40);
    cb_close.set_taborder(50);
    sle_userid.set_taborder(11);
    sle_account.set_taborder(21);
    sle_password.set_taborder(31);
    cb_query.set_taborder(41);
    lb_signature.set_taborder(21);
    pb_signature.set_taborder(31);
    pb_remove.set_taborder(41);
    // The two boxes are clicked, never reached with Tab.
    cbx_signature.set_taborder(0);
    cbx_windowpos.set_taborder(0);

    cb_query.on_clicked = [this] { cb_query_clicked(); };
    cb_set.on_clicked = [this] { cb_set_clicked(); };
    cb_close.on_clicked = [this] { cb_close_clicked(); };
    pb_signature.on_clicked = [this] { pb_signature_clicked(); };
    pb_remove.on_clicked = [this] { pb_remove_clicked(); };
    cbx_windowpos.on_clicked = [this] { cbx_windowpos_clicked(); };
}

void w_set::open() {
    w_response::open();
    tab_1.apply_tab_order();

    wf_load_signatures();

    sle_userid.set_text(gnv_app->userid);
    sle_account.set_text(gnv_app->account);
    sle_password.set_text(gnv_app->password);

    // Only "0" clears a box: a missing key or any other text ticks it.
    cbx_windowpos.set_checked(gnv_app->pub_f_get_sysvar("cfg", "windowpos", "1") != "0");
    cbx_signature.set_checked(gnv_app->pub_f_get_sysvar("cfg", "auto_signature", "1") != "0");
}

int w_set::of_explain_overage(const pbdom_element& pobj_element) {
    return n_cst_manager::of_read_answer(pobj_element, [this](const std::string& name, const std::string& text) {
        if (name == "returnstatus") status = text;
        else if (name == "message") mess = text;
        else if (name == "payinfo") payinfo = text;
        else if (name == "overage") overage = text;
        else if (name == "sendtotal") sendtotal = text;
    });
}

// ---- the account page -------------------------------------------------------

void w_set::cb_query_clicked() {
    const std::string ls_userid = sle_userid.text(), ls_account = sle_account.text(),
                      ls_password = sle_password.text();
    const struct {
        pfc_u_sle& edit;
        const std::string& text;
        const char* message;
    } checks[] = {{sle_userid, ls_userid, "企业ID不能为空!"},
                  {sle_account, ls_account, "帐号不能为空!"},
                  {sle_password, ls_password, "密码不能为空!"}};
    for (const auto& c : checks) {
        if (rt::IsBlank(c.text)) {
            c.edit.SetFocus();
            gnv_app->pub_msg(c.message);
            return;
        }
    }

    // As typed: the query sends what the user sees; the save trims.
    gnv_app->userid = ls_userid;
    gnv_app->account = ls_account;
    gnv_app->password = ls_password;

    std::string ls_data;
    gnv_app->of_http_post_sms("overage", "", ls_data);
    const int code = rt::XMLParseString(ls_data);
    if (code != rt::xml_well_formed) {
        gnv_app->pub_msg("无效返回数据,错误代码[" + std::to_string(code) + "]");
        return;
    }
    // The verdict must come from this answer: one without a status would
    // otherwise report the balance of an earlier query as current. The
    // other values keep what earlier answers gave.
    status.clear();
    pbdom_builder lnv_builder;
    of_explain_overage(lnv_builder.BuildFromString(ls_data).GetRootElement());
    if (rt::Lower(status) == "sucess")
        gnv_app->pub_msg("当前剩余条数[" + overage + "]");
    else
        gnv_app->pub_msg(mess, rt::Icon::StopSign);
}

void w_set::cb_set_clicked() {
    gnv_app->userid = rt::Trim(sle_userid.text());
    gnv_app->account = rt::Trim(sle_account.text());
    gnv_app->password = rt::Trim(sle_password.text());

    const struct {
        const char* key;
        const std::string& value;
        const char* failed;
    } saves[] = {{"userid", gnv_app->userid, "保存企业ID失败!"},
                 {"account", gnv_app->account, "保存帐号失败!"},
                 {"password", gnv_app->password, "保存密码失败!"}};
    for (const auto& s : saves) {
        if (gnv_app->pub_f_set_sysvar("cfg", s.key, gnv_app->of_encrypt(s.value, gnv_app->e, gnv_app->n)) != 1) {
            gnv_app->pub_msg(s.failed);
            return;
        }
    }

    gnv_app->auto_signature = cbx_signature.checked();
    gnv_app->pub_f_set_sysvar("cfg", "auto_signature", gnv_app->auto_signature ? "1" : "0");
    rt::Close(*this);
}

void w_set::cb_close_clicked() { rt::Close(*this); }

// ---- the signature page -----------------------------------------------------

void w_set::pb_signature_clicked() {
    w_signature lw_signature;
    rt::Open(lw_signature);
    // Only the dialog's own answer counts: null after Cancel or the close box.
    const std::string ls_signature = rt::Trim(rt::message().stringparm.value_or(""));
    if (ls_signature.empty()) return;
    lb_signature.AddItem(ls_signature);
    wf_store_signatures();
}

void w_set::pb_remove_clicked() {
    const int li_index = lb_signature.SelectedIndex();
    if (li_index == -1) return;
    lb_signature.DeleteItem(li_index);
    // The list would select the next entry, which a second click (or the
    // second half of a double click) would then remove unasked.
    lb_signature.SelectItem(0);
    wf_store_signatures();
}

void w_set::wf_load_signatures() {
    lb_signature.Reset();
    const std::string ls_signature = gnv_app->pub_f_get_sysvar("mobile", "signature", gnv_app->signature_default);
    if (rt::IsBlank(ls_signature)) return;
    n_cst_string lnv_string;
    std::vector<std::string> ls_list;
    lnv_string.of_parsetoarray(ls_signature, ";", ls_list);
    for (const std::string& s : ls_list) lb_signature.AddItem(s);
}

void w_set::wf_store_signatures() {
    std::vector<std::string> ls_list;
    for (int i = 1; i <= lb_signature.TotalItems(); ++i) ls_list.push_back(lb_signature.Text(i));
    n_cst_string lnv_string;
    std::string ls_value;
    lnv_string.of_arraytostring(ls_list, ";", ls_value);
    // A change the file did not take is not shown as made: the user is told,
    // and the list and the manager stay with what the file holds.
    if (gnv_app->pub_f_set_sysvar("mobile", "signature", ls_value) != 1) {
        gnv_app->pub_msg("保存签名失败!");
        wf_load_signatures();
        return;
    }
    gnv_app->signature = ls_value;
}

void w_set::cbx_windowpos_clicked() {
    gnv_app->pub_f_set_sysvar("cfg", "windowpos", cbx_windowpos.checked() ? "1" : "0");
}
