#include "sending/w_sms_new.h"

#include "core/n_cst_manager.h"
#include "runtime/pbdom_builder.h"
#include "runtime/profile.h"
#include "runtime/services.h"
#include "runtime/strings.h"
#include "runtime/xml.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace {

constexpr std::int64_t red = rt::RGB(255, 0, 0);

// Trim(s) is empty: spaces only. Asked of every row before a send, so it
// makes no trimmed copy.

// The text of a number cell that is not a text: null for a null cell,
// otherwise its value converted into scratch. Kept out of the walks over the
// cells, which almost only meet texts.
[[gnu::noinline]] const std::string* other_text(const rt::Any& v, std::string& scratch) {
    if (v.is_null()) return nullptr;
    scratch = rt::String(v).value_or("");
    return &scratch;
}

const std::string* cell_text(const rt::Any& v, std::string& scratch) {
    const std::string* s = v.get<std::string>();
    return s ? s : other_text(v, scratch);
}

// Numbers joined with "," into one text, written in place into room sized
// for mobile numbers: the cells of 4000 rows are 190 KB, and a second walk to
// measure them first cost as much as the first. Every number is written
// with its "," behind it, and the last one is dropped at the end.
class number_joiner {
public:
    explicit number_joiner(std::size_t numbers) : text_(numbers * 12, '\0') {}
    void add(const std::string& s) {
        if (text_.size() - at_ <= s.size()) grow(s.size());
        char* out = text_.data() + at_;
        std::memcpy(out, s.data(), s.size());
        out[s.size()] = ',';
        at_ += s.size() + 1;
    }
    std::string take() {
        text_.resize(at_ > 0 ? at_ - 1 : 0);
        return std::move(text_);
    }

private:
    [[gnu::noinline]] void grow(std::size_t more) { text_.resize(std::max(text_.size() * 2, at_ + more + 1)); }

    std::string text_;
    std::size_t at_ = 0;
};

// The texts of a batch's number cells joined with ",", null and empty ones
// left out, as of_arraytostring joins them.
std::string joined_numbers(std::span<const rt::Any> cells) {
    number_joiner joined(cells.size());
    std::string scratch;
    for (const rt::Any& v : cells) {
        const std::string* s = cell_text(v, scratch);
        if (s && !s->empty()) joined.add(*s);
    }
    return joined.take();
}

} // namespace

// What a running send must not lose: the imports would change the rows it
// works through, the mode switch would hide the list it sends, and the
// close button or the close box would end the window under the loop. The
// list itself is locked too, as an edited cell would change a row not yet
// sent; it is made read-only rather than disabled, which would repaint every
// cell on screen at the start and the end of the send. Everything comes back
// on every way out of the send.
class w_sms_new::send_guard {
public:
    explicit send_guard(w_sms_new& w) : w_(w) {
        w_.ib_sending = true;
        for (rt::Control* c : controls()) c->set_enabled(false);
        w_.dw_list.set_readonly(true);
    }
    ~send_guard() {
        w_.dw_list.set_readonly(false);
        for (rt::Control* c : controls()) c->set_enabled(true);
        w_.ib_sending = false;
    }
    send_guard(const send_guard&) = delete;
    send_guard& operator=(const send_guard&) = delete;

private:
    std::vector<rt::Control*> controls() const {
        return {&w_.cb_snd, &w_.cb_import_file, &w_.cb_import_clipboard, &w_.cbx_1, &w_.cb_close};
    }
    w_sms_new& w_;
};

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

void w_sms_new::cb_import_file_clicked() {
    const std::string folder =
        rt::ProfileString(gnv_app->of_getappinifile(), "local_var", "FilePos", gnv_app->appdir).value_or("");
    std::string path, name;
    if (rt::file_dialog().get_file_open_name("文件选择", path, name, "txt",
                                             "txt Files (*.txt;),*.txt,All Files (*.*), *.*", folder) != 1)
        return;
    st_total.set_text("合计:" + rt::String(dw_list.ImportFile(path)));
}

void w_sms_new::cb_import_clipboard_clicked() {
    dw_list.Reset();
    st_total.set_text("合计:" + rt::String(dw_list.ImportClipboard()));
}

void w_sms_new::cb_close_clicked() { rt::Close(*this); }

void w_sms_new::cb_snd_clicked() {
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
        // The settings file is rewritten and synced to the disk on every
        // write, which can take longer than the whole batch loop: the choice
        // is stored only when the file does not hold it already, as it
        // almost always does after the first send.
        if (rt::ProfileString(gnv_app->of_getappinifile(), "cfg", "signature_current", "") != signature)
            gnv_app->pub_f_set_sysvar("cfg", "signature_current", signature);
    }
    // With automatic signatures the manager puts the bracketed signature in
    // front, so the message carries it once.
    const std::string content = (gnv_app->auto_signature ? "" : signature) + rt::Trim(mle_msg.text());

    if (gnv_app->pub_msg("确定要执行发送操作吗？", rt::Icon::Question, rt::Buttons::YesNo) != 1) return;
    std::vector<std::string> batches = wf_gather_batches();
    if (batches.empty()) return;

    const std::int32_t balance = rt::Long(gnv_app->overage);
    if (dw_list.RowCount() > balance) {
        gnv_app->pub_msg("当前帐户可用余额[" + rt::String(balance) + "]", rt::Icon::Information);
        return;
    }

    send_guard guard(*this);
    if (dw_list.RowCount() <= rcv_limit) wf_send_once(content, batches.front());
    else wf_send_batches(content, batches);
}

std::vector<std::string> w_sms_new::wf_gather_batches() {
    // The numbers are read in one pass, and the rows that stay are gathered
    // run by run and put back at once: deleting blank rows one by one takes
    // a minute for a file with a blank line after each of 100,000 numbers.
    // The same pass joins the numbers of the rows that stay, batch by batch:
    // the cells of 200,000 rows are some 10 MB, and walking them a second
    // time for the joins cost a tenth of the posts themselves. The list is
    // locked from here to the end of the send, so the batches stay its own.
    const std::span<const rt::Any> mobile = dw_list.column_cells("mobile");
    const auto rows = static_cast<std::int32_t>(mobile.size());
    rt::DataStore kept(dw_list.object());
    std::vector<std::string> batches;
    const std::int32_t limit = rcv_limit;
    number_joiner batch(static_cast<std::size_t>(std::min(rows, limit)));
    std::int32_t in_batch = 0;
    std::int32_t run = 1; // first row of the current run of rows that stay
    bool any_blank = false;
    std::string scratch;
    for (std::int32_t row = 1; row <= rows; ++row) {
        const std::string* s = cell_text(mobile[static_cast<std::size_t>(row - 1)], scratch);
        // Only a text that begins with a space can be blank: a number is
        // passed on its first character.
        if (s && !s->empty() && (s->front() != ' ' || !rt::IsBlank(*s))) {
            batch.add(*s);
            if (++in_batch == limit) {
                batches.push_back(batch.take());
                batch = number_joiner(static_cast<std::size_t>(std::min(rows - row, limit)));
                in_batch = 0;
            }
            continue;
        }
        any_blank = true;
        if (run < row) dw_list.RowsCopy(run, row - 1, kept, kept.RowCount() + 1);
        run = row + 1;
    }
    if (in_batch > 0) batches.push_back(batch.take());
    if (any_blank) {
        if (run <= rows) dw_list.RowsCopy(run, rows, kept, kept.RowCount() + 1);
        dw_list.Reset();
        if (kept.RowCount() > 0) kept.RowsCopy(1, kept.RowCount(), dw_list, 1);
    }
    // A list of blank rows only has nobody to send to: no batch.
    return batches;
}

void w_sms_new::wf_send_once(const std::string& as_content, const std::string& as_mobile) {
    std::string msg = as_content;
    gnv_app->of_http_post_sms("send", as_mobile, msg);
    if (!wf_read_answer(msg, true)) return;
    const std::string status = rt::Lower(returnstatus);
    if (status == "faild") gnv_app->pub_msg("短信发送失败!", rt::Icon::Information);
    else if (status == "success") gnv_app->pub_msg("短信发送成功!", rt::Icon::Information);
    wf_log_answer(dw_list.RowCount());
}

void w_sms_new::wf_send_batches(const std::string& as_content, std::vector<std::string>& batches) {
    std::int32_t left = dw_list.RowCount();
    for (std::string& numbers : batches) {
        const std::int32_t count = std::min(rcv_limit, left);
        left -= count;
        std::string msg = as_content;
        gnv_app->of_http_post_sms("send", numbers, msg);
        std::string().swap(numbers); // sent: its memory goes back at once
        // A batch whose answer cannot be read is passed over quietly; the
        // final box asks the user to check the outcome.
        if (wf_read_answer(msg, false)) wf_log_answer(count);
        rt::Yield();
    }
    gnv_app->pub_msg("短信发送完成,请核实!", rt::Icon::Information);
}

bool w_sms_new::wf_read_answer(const std::string& as_answer, bool ab_tell) {
    // The builder checks the text by the same rules as XMLParseString and
    // answers the same code: one parse serves the check and the reading.
    pbdom_builder lnv_builder;
    const pbdom_document doc = lnv_builder.BuildFromString(as_answer);
    const int ll_ret = lnv_builder.GetParseError();
    if (ll_ret != rt::xml_well_formed) {
        if (ab_tell) gnv_app->pub_msg("无效返回数据,错误代码[" + rt::String(ll_ret) + "]", rt::Icon::Information);
        return false;
    }
    // The verdict must come from this answer: one without a status would
    // otherwise repeat the box and the log of the one before. The other
    // four keep what earlier answers gave them.
    returnstatus.clear();
    of_explain_row(doc.GetRootElement());
    return true;
}

void w_sms_new::wf_log_answer(std::int32_t al_rows) {
    gnv_app->uf_file_log("发送短信\tstaus[" + returnstatus + "] message[" + mess + "]\t合计[" + rt::String(al_rows) + "]",
                         true);
}

std::string w_sms_new::wf_message(std::int32_t al_start, std::int32_t al_end) {
    // A batch is read where the list holds it. Copying its rows into dw_rcv
    // and then its texts into an array, 50 times for 200,000 numbers, cost a
    // third as much as the posts themselves.
    std::span<const rt::Any> cells = dw_list.column_cells("mobile");
    if (al_start != -1 || al_end != -1) {
        const auto rows = static_cast<std::int32_t>(cells.size());
        if (al_start < 1 || al_start > rows || al_end < al_start) return "";
        const std::int32_t last = std::min(al_end, rows);
        cells = cells.subspan(static_cast<std::size_t>(al_start - 1), static_cast<std::size_t>(last - al_start + 1));
    }
    return joined_numbers(cells);
}
