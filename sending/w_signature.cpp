#include "sending/w_signature.h"

#include "core/n_cst_manager.h"
#include "runtime/strings.h"

#include <string_view>

namespace {

// The brackets are added by the manager when it signs a message, so a
// signature may neither begin nor end with one of its own. Characters, not
// bytes: each bracket is one double-byte character.
bool bracket_at_an_end(const std::string& text) {
    std::string_view first, last;
    for (std::string_view ch : rt::GbkChars(text)) {
        if (first.empty()) first = ch;
        last = ch;
    }
    return first == "【" || last == "】";
}

} // namespace

w_signature::w_signature() {
    set_title("签名");
    set_design_size(1591, 520);
    sle_signature.set_font({"Arial", 12, 400});
    sle_signature.set_taborder(10);
    cb_ok.set_taborder(20);
    cb_cancel.set_taborder(30);
    cb_ok.on_clicked = [this] { cb_ok_clicked(); };
    cb_cancel.on_clicked = [this] { cb_cancel_clicked(); };
}

void w_signature::cb_ok_clicked() {
    const std::string ls_signature = rt::Trim(sle_signature.text());
    if (ls_signature.empty()) {
        sle_signature.SetFocus();
        return;
    }
    if (bracket_at_an_end(ls_signature)) {
        gnv_app->pub_msg("签名不能出现【】这种符号!!");
        sle_signature.SetFocus();
        return;
    }
    // The list is stored joined with ";": such a signature would come back
    // as two.
    if (ls_signature.find(';') != std::string::npos) {
        gnv_app->pub_msg("签名不能出现;这种符号!!");
        sle_signature.SetFocus();
        return;
    }
    rt::CloseWithReturn(*this, ls_signature);
}

void w_signature::cb_cancel_clicked() { rt::Close(*this); }
