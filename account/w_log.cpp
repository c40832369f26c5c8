#include "account/w_log.h"

#include "core/n_cst_manager.h"
#include "runtime/datetime.h"
#include "runtime/strings.h"

#include <vector>

w_log::w_log() {
    set_title("发送日志");
    set_design_size(2578, 2164);

    st_1.set_alignment(rt::Alignment::right);
    ddplb_log.set_sorted(true);
    ddplb_log.set_font({"Arial", 12, 400});
    mle_log.set_font({"Arial", 12, 400});
    mle_log.set_hscrollbar(true);
    mle_log.set_vscrollbar(true);

    ddplb_log.set_taborder(10);
    mle_log.set_taborder(10);
    cb_close.set_taborder(20);

    ddplb_log.on_constructor = [this] { ddplb_log_constructor(); };
    ddplb_log.on_selectionchanged = [this](int index) { ddplb_log_selectionchanged(index); };
    cb_close.on_clicked = [this] { cb_close_clicked(); };
}

void w_log::ddplb_log_constructor() { ddplb_log.DirList(gnv_app->appdir + "\\log\\*.txt", 0); }

std::string w_log::wf_read(const std::string& as_name) {
    std::vector<std::string> ls_pieces;
    gnv_app->of_fileread(gnv_app->appdir + "\\log\\" + as_name, ls_pieces);
    // Joined before the edit sees them: a double-byte character cut between
    // two pieces is only whole again in the joined text.
    std::string ls_text;
    for (const std::string& piece : ls_pieces) ls_text += piece;
    return ls_text;
}

void w_log::open() {
    w_response::open();
    mle_log.set_text(wf_read(rt::String(rt::Today(), "yyyy-mm-dd") + ".txt"));
    ddplb_log.SelectItem(ddplb_log.FindItem(rt::String(rt::Today(), "yyyy-mm-dd") + ".txt", 0));
}

void w_log::ddplb_log_selectionchanged(int) { mle_log.set_text(wf_read(ddplb_log.text())); }

void w_log::cb_close_clicked() { rt::Close(*this); }
