#include "sending/w_message_preview.h"

#include "core/n_cst_manager.h"
#include "runtime/any.h"
#include "runtime/strings.h"
#include "runtime/xml.h"
#include "sending/send_guard.h"

#include <any>

w_message_preview::w_message_preview() {
    set_title("预览");
    set_design_size(3753, 2076);

    dw_list.set_hscrollbar(true);
    dw_list.set_vscrollbar(true);
    mle_1.set_displayonly(true);
    mle_1.set_vscrollbar(true);
    mle_1.set_font({"Arial", 12, 400, false, false, 0});
    for (uo_arcbutton* b : {&pb_send, &pb_close}) b->set_font({"宋体", 9, 700, false, false, 134});
    hpb_1.set_range(0, 100);
    hpb_1.set_setstep(10);

    dw_list.set_taborder(10);
    mle_1.set_taborder(0);
    pb_send.set_taborder(30);
    pb_close.set_taborder(40);

    dw_list.on_dwclicked = [this](int x, int y, std::int32_t row, const rt::DwObject& dwo) {
        dw_list_clicked(x, y, row, dwo);
    };
    pb_send.on_clicked = [this] { pb_send_clicked(); };
    pb_close.on_clicked = [this] { pb_close_clicked(); };
}

void w_message_preview::open() {
    w_response::open();
    // The status bar keeps to the bottom of the window, as the desktop's does.
    uo_statebar.place({0, WorkSpaceHeight() - uo_statebar.height(), WorkSpaceWidth(), uo_statebar.height()});

    // The opener's list stays the primary: the marks written here are its rows'.
    rt::DataStore* ldw = nullptr;
    if (const auto* p = std::any_cast<rt::DataStore*>(&rt::message().powerobjectparm)) ldw = *p;
    // Taken once: a later opening without a list must not find this one,
    // which may be gone by then.
    rt::message().powerobjectparm.reset();
    if (ldw) ldw->ShareData(dw_list);
    wf_init_statebar();
}

void w_message_preview::close() {
    // The rows and their marks stay with the opener.
    dw_list.ShareDataOff();
}

int w_message_preview::closequery() { return ib_sending ? 1 : 0; }

void w_message_preview::pfc_preopen() { w_response::pfc_preopen(); }

int w_message_preview::wf_init_statebar() {
    uo_statebar.of_setparts({110, 235, 300, -1});
    uo_statebar.of_settext(0, " ");
    uo_statebar.of_settext(1, " 合计：" + std::to_string(dw_list.RowCount()));
    uo_statebar.of_settext(2, " ");
    uo_statebar.of_settext(3, " ");
    return 1;
}

void w_message_preview::dw_list_clicked(int, int, std::int32_t row, const rt::DwObject&) {
    if (row < 1) return;
    mle_1.set_text(dw_list.GetItemString(row, "msg").value_or(""));
}

void w_message_preview::pb_close_clicked() {
    if (ib_sending) return;
    rt::Close(*this);
}

void w_message_preview::pb_send_clicked() {
    if (ib_sending) return;
    const std::int32_t rows = dw_list.RowCount();
    if (rows == 0) return;
    // Every row counts against the balance, the ones the loop will skip too.
    const std::int32_t balance = rt::Long(gnv_app->overage);
    if (balance >= rows) wf_send_msg();
    else gnv_app->pub_msg("当前帐户可用余额[" + std::to_string(balance) + "]");
}

void w_message_preview::wf_send_msg() {
    if (ib_sending) return;
    const std::int32_t cnt = dw_list.RowCount();
    if (!gnv_app->of_sendsms_valid()) {
        gnv_app->pub_msg("帐户未设置无效,请在帐号设置中设置!", rt::Icon::StopSign);
        return;
    }
    if (cnt == 0) {
        gnv_app->pub_msg("没有要发送的数据!");
        return;
    }
    if (gnv_app->pub_msg("确定要执行发送操作吗？", rt::Icon::Question, rt::Buttons::YesNo) != 1) return;

    std::int32_t num_success = 0, num_failure = 0;
    // Rows whose answer told nothing (a failed request, an answer that is no
    // XML or one without a status): the gateway may or may not have taken
    // them, so the send cannot be reported complete.
    std::int32_t num_unanswered = 0;
    {
        send_guard guard(ib_sending, {&pb_send, &pb_close});
        hpb_1.set_position(1);
        for (std::int32_t i = 1; i <= cnt; ++i) {
            hpb_1.set_position(static_cast<int>(static_cast<double>(i) / cnt * 100));
            const std::string mobile = dw_list.GetItemString(i, "mobile").value_or("");
            const std::string msg = dw_list.GetItemString(i, "msg").value_or("");
            if (rt::IsBlank(mobile) || rt::IsBlank(msg)) continue;
            // A recipient whose message the gateway has taken does not get it
            // a second time when the user sends again after a failure.
            if (rt::String(dw_list.of_getvalue(i, rt::nstring("flag"))) == "1") continue;
            if (!wf_send_row(i, mobile, msg, num_success, num_failure)) ++num_unanswered;
            uo_statebar.of_settext(3, "正在发送第[" + std::to_string(i) + "]条!");
            rt::Yield();
        }
    }
    uo_statebar.of_settext(0, "余额[" + remainpoint + "]!");
    if (num_failure > 0 || num_unanswered > 0) {
        gnv_app->pub_msg("存在发送失败的消息,请核实!!", rt::Icon::StopSign);
        return;
    }
    gnv_app->pub_msg("发送完成,本次发送成功数[" + std::to_string(num_success) + "] 成功短信数" + "[" + successcounts +
                     "]" + " 余额[" + remainpoint + "]");
    rt::Close(*this);
}

bool w_message_preview::wf_send_row(std::int32_t i, const std::string& mobile, std::string msg,
                                    std::int32_t& num_success, std::int32_t& num_failure) {
    // A failed request has shown the manager's box and left msg empty,
    // which the reading refuses.
    gnv_app->of_http_post_sms("send", mobile, msg);
    const int ll_ret = of_read_answer(msg);
    if (ll_ret != rt::xml_well_formed) {
        gnv_app->pub_msg("无效返回数据,错误代码[" + std::to_string(ll_ret) + "]");
        return false;
    }
    gnv_app->uf_file_log("发送短信\t接收号码\t[" + mobile + "]staus[" + returnstatus + "] message[" + mess + "]", true);
    const std::string status = rt::Lower(returnstatus);
    if (status == "faild") {
        dw_list.of_setvalue(i, rt::nstring("flag"), rt::Any(std::string("2")));
        ++num_failure;
        return true;
    }
    if (status == "success") {
        dw_list.of_setvalue(i, rt::nstring("flag"), rt::Any(std::string("1")));
        ++num_success;
        return true;
    }
    // Well-formed but without a status, such as a proxy's error page in
    // XHTML: the row keeps no mark and counts as unconfirmed. Another status
    // is the gateway's own answer and is taken as it stands.
    return !returnstatus.empty();
}
