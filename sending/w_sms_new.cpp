#include "sending/w_sms_new.h"

#include "core/n_cst_manager.h"
#include "runtime/profile.h"
#include "runtime/services.h"
#include "runtime/strings.h"
#include "runtime/xml.h"
#include "sending/send_guard.h"

#include <algorithm>
#include <span>
#include <vector>

namespace {

constexpr std::int64_t red = rt::RGB(255, 0, 0);

// The text of a number cell, null for a null cell. The imports and the row
// copies fill the column with texts, which are read where they are; any
// other value is converted into scratch.
const std::string* cell_text(const rt::Any& v, std::string& scratch) {
    if (const std::string* s = v.get<std::string>()) return s;
    if (v.is_null()) return nullptr;
    scratch = rt::String(v).value_or("");
    return &scratch;
}

// The texts of a batch's number cells joined with ",", null and empty ones
// left out, as of_arraytostring joins them.
std::string joined_numbers(std::span<const rt::Any> cells) {
    std::string joined, scratch;
    for (const rt::Any& v : cells) {
        const std::string* s = cell_text(v, scratch);
        if (!s || s->empty()) continue;
        if (!joined.empty()) joined += ',';
        joined += *s;
    }
    return joined;
}

} // namespace

w_sms_new::w_sms_new() {
    set_title("消息发送");
    set_design_size(3237, 1804);

    for (pfc_u_st* note : {&st_14, &st_15, &st_13, &st_12, &st_11, &st_10, &st_9, &st_8, &st_7})
        note->set_textcolor(red);
    st_6.set_font({"MS Sans Serif", 8, 700});
    for (pfc_u_st* number : {&st_available, &st_enter, &st_num}) {
        number->set_font({"MS Sans Serif", 8, 700});
        number->set_textcolor(red);
        number->set_alignment(rt::Alignment::right);
    }
    st_5.set_alignment(rt::Alignment::right);
    cbx_1.set_font({"Arial", 12, 400});
    sle_signature.set_font({"MS Sans Serif", 8, 400});
    sle_signature.set_sorted(true);
    mle_msg.set_font({"MS Sans Serif", 10, 400});
    mle_msg.set_hscrollbar(true);
    mle_msg.set_vscrollbar(true);
    mle_msg.set_limit(200);
    dw_list.set_vscrollbar(true);
    mle_num.set_font({"Arial", 12, 400});
    mle_num.set_vscrollbar(true);

    cb_import_file.set_taborder(10);
    cb_import_clipboard.set_taborder(20);
    cb_snd.set_taborder(30);
    cb_close.set_taborder(40);
    mle_msg.set_taborder(50);
    dw_list.set_taborder(60);
    mle_num.set_taborder(70);
    sle_signature.set_taborder(80);
    cbx_1.set_taborder(90);

    st_14.on_constructor = [this] { st_14.Hide(); };
    dw_rcv.on_constructor = [this] { dw_rcv.Hide(); };
    mle_num.on_constructor = [this] { mle_num.Hide(); };
    mle_msg.on_changed = [this] { mle_msg_ue_enchange(); };
    cbx_1.on_clicked = [this] { cbx_1_clicked(); };
    cb_import_file.on_clicked = [this] { cb_import_file_clicked(); };
    cb_import_clipboard.on_clicked = [this] { cb_import_clipboard_clicked(); };
    cb_close.on_clicked = [this] { cb_close_clicked(); };
    cb_snd.on_clicked = [this] { cb_snd_clicked(); };
}

void w_sms_new::open() {
    w_response::open();
    // The stored list is not put into the box as its text: a drop-down list
    // takes only the text of one of its entries, and it has none yet.
    mle_msg.set_limit(text_limit);
    st_num.set_text(rt::String(text_limit));
    mle_msg.SetFocus();

    std::vector<std::string> signatures;
    gnv_app->of_parse_signature(signatures);
    const std::string current = gnv_app->pub_f_get_sysvar("cfg", "signature_current", "");
    for (const std::string& s : signatures) sle_signature.AddItem(s);
    if (current.empty()) return;
    for (int i = 1; i <= sle_signature.TotalItems(); ++i) {
        if (sle_signature.Text(i) == current) {
            sle_signature.SelectItem(i);
            return;
        }
    }
}

int w_sms_new::closequery() { return ib_sending ? 1 : 0; }

void w_sms_new::mle_msg_ue_enchange() {
    const std::int32_t n = rt::CharCount(mle_msg.text()) + rt::CharCount(sle_signature.text());
    st_enter.set_text(rt::String(n));
    st_available.set_text(rt::String(text_limit - n));
}

void w_sms_new::cbx_1_clicked() {
    const bool manual = cbx_1.checked();
    dw_list.set_visible(!manual);
    mle_num.set_visible(manual);
    st_14.set_visible(manual);
}

// The imports and the send refuse while a send runs: their buttons are
// disabled then, but a clicked event can still reach them during the batch
// loop's Yield (a posted call, TriggerEvent).
void w_sms_new::cb_import_file_clicked() {
    if (ib_sending) return;
    const std::string folder =
        rt::ProfileString(gnv_app->of_getappinifile(), "local_var", "FilePos", gnv_app->appdir).value_or("");
    std::string path, name;
    if (rt::file_dialog().get_file_open_name("文件选择", path, name, "txt",
                                             "txt Files (*.txt;),*.txt,All Files (*.*), *.*", folder) != 1)
        return;
    st_total.set_text("合计:" + rt::String(dw_list.ImportFile(path)));
}

void w_sms_new::cb_import_clipboard_clicked() {
    if (ib_sending) return;
    dw_list.Reset();
    st_total.set_text("合计:" + rt::String(dw_list.ImportClipboard()));
}

void w_sms_new::cb_close_clicked() { rt::Close(*this); }

void w_sms_new::cb_snd_clicked() {
    if (ib_sending) return;
    if (rt::IsBlank(mle_msg.text())) {
        gnv_app->pub_msg("短信内容不能为空!", rt::Icon::StopSign);
        mle_msg.SetFocus();
        return;
    }
    if (cbx_1.checked()) {
        if (rt::IsBlank(mle_num.text())) {
            gnv_app->pub_msg("请输入要接收的手机号!", rt::Icon::StopSign);
            mle_num.SetFocus();
            return;
        }
        dw_list.Reset();
        dw_list.ImportString(mle_num.text());
    }
    if (dw_list.RowCount() == 0) return;
    if (!gnv_app->of_sendsms_valid()) {
        gnv_app->pub_msg("帐户未设置无效,请在帐号设置中设置!", rt::Icon::StopSign);
        return;
    }
    // Message and signature are taken here, once: what the user types or
    // picks while the batches go out must not change the batches still to go.
    const std::string signature = sle_signature.text();
    if (gnv_app->auto_signature) {
        if (signature.empty()) {
            gnv_app->pub_msg("请选择一个签名!", rt::Icon::Information);
            sle_signature.SetFocus();
            return;
        }
        gnv_app->signature_prev = signature;
        // Every write replaces the settings file and syncs it to the disk,
        // which costs more than the whole batch loop (w_sms_new_bench): the
        // choice is written only when the file does not hold it already, as
        // it does after the first send with it.
        if (rt::ProfileString(gnv_app->of_getappinifile(), "cfg", "signature_current", "") != signature)
            gnv_app->pub_f_set_sysvar("cfg", "signature_current", signature);
    }
    // With automatic signatures the manager puts the bracketed signature in
    // front, so the message carries it once.
    const std::string content = (gnv_app->auto_signature ? "" : signature) + rt::Trim(mle_msg.text());

    if (gnv_app->pub_msg("确定要执行发送操作吗？", rt::Icon::Question, rt::Buttons::YesNo) != 1) return;
    wf_remove_blank_rows();
    // A list of blank rows only has nobody to send to, and a send the user
    // confirmed must not end without a word.
    if (dw_list.RowCount() == 0) {
        gnv_app->pub_msg("请输入要接收的手机号!", rt::Icon::StopSign);
        if (cbx_1.checked()) mle_num.SetFocus();
        else dw_list.SetFocus();
        return;
    }

    const std::int32_t balance = rt::Long(gnv_app->overage);
    if (dw_list.RowCount() > balance) {
        gnv_app->pub_msg("当前帐户可用余额[" + rt::String(balance) + "]", rt::Icon::Information);
        return;
    }

    send_guard guard(ib_sending, {&cb_snd, &cb_import_file, &cb_import_clipboard, &cbx_1, &cb_close}, &dw_list);
    if (dw_list.RowCount() <= rcv_limit) wf_send_once(content);
    else wf_send_batches(content);
}

void w_sms_new::wf_remove_blank_rows() {
    // The rows that stay are gathered run by run into a second list and put
    // back at once, rather than deleted one by one: each deletion moves
    // every row behind it.
    const std::span<const rt::Any> mobile = dw_list.column_cells("mobile");
    const auto rows = static_cast<std::int32_t>(mobile.size());
    rt::DataStore kept(dw_list.object());
    std::int32_t run = 1; // first row of the current run of rows that stay
    bool any_blank = false;
    std::string scratch;
    for (std::int32_t row = 1; row <= rows; ++row) {
        const std::string* s = cell_text(mobile[static_cast<std::size_t>(row - 1)], scratch);
        if (s && !rt::IsBlank(*s)) continue;
        any_blank = true;
        if (run < row) dw_list.RowsCopy(run, row - 1, kept, kept.RowCount() + 1);
        run = row + 1;
    }
    if (!any_blank) return;
    if (run <= rows) dw_list.RowsCopy(run, rows, kept, kept.RowCount() + 1);
    dw_list.Reset();
    if (kept.RowCount() > 0) kept.RowsCopy(1, kept.RowCount(), dw_list, 1);
}

void w_sms_new::wf_send_once(const std::string& as_content) {
    std::string msg = as_content;
    gnv_app->of_http_post_sms("send", wf_message(-1, -1), msg);
    const int ll_ret = of_read_answer(msg);
    if (ll_ret != rt::xml_well_formed) {
        gnv_app->pub_msg("无效返回数据,错误代码[" + rt::String(ll_ret) + "]", rt::Icon::Information);
        return;
    }
    const std::string status = rt::Lower(returnstatus);
    if (status == "faild") gnv_app->pub_msg("短信发送失败!", rt::Icon::Information);
    else if (status == "success") gnv_app->pub_msg("短信发送成功!", rt::Icon::Information);
    wf_log_answer(dw_list.RowCount());
}

void w_sms_new::wf_send_batches(const std::string& as_content) {
    // The list cannot change under the loop: the imports refuse and the
    // list is read-only until the guard goes.
    const std::int32_t rows = dw_list.RowCount();
    for (std::int32_t start = 1; start <= rows; start += rcv_limit) {
        const std::int32_t end = std::min(start + rcv_limit - 1, rows);
        std::string msg = as_content;
        gnv_app->of_http_post_sms("send", wf_message(start, end), msg);
        // A batch whose answer cannot be read is passed over quietly; the
        // final box asks the user to check the outcome.
        if (of_read_answer(msg) == rt::xml_well_formed) wf_log_answer(end - start + 1);
        rt::Yield();
    }
    gnv_app->pub_msg("短信发送完成,请核实!", rt::Icon::Information);
}

void w_sms_new::wf_log_answer(std::int32_t al_rows) {
    gnv_app->uf_file_log("发送短信\tstaus[" + returnstatus + "] message[" + mess + "]\t合计[" + rt::String(al_rows) + "]",
                         true);
}

std::string w_sms_new::wf_message(std::int32_t al_start, std::int32_t al_end) {
    // A batch is read where the list holds it, without copying its rows into
    // dw_rcv first: the join reads the same values in the same order.
    std::span<const rt::Any> cells = dw_list.column_cells("mobile");
    if (al_start != -1 || al_end != -1) {
        const auto rows = static_cast<std::int32_t>(cells.size());
        if (al_start < 1 || al_start > rows || al_end < al_start) return "";
        const std::int32_t last = std::min(al_end, rows);
        cells = cells.subspan(static_cast<std::size_t>(al_start - 1), static_cast<std::size_t>(last - al_start + 1));
    }
    return joined_numbers(cells);
}
