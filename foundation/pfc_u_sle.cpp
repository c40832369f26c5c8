#include "foundation/pfc_u_sle.h"

#include "foundation/base_control_rules.h"
#include "runtime/ui/window.h"

#include <QLineEdit>

pfc_u_sle::pfc_u_sle(rt::Container* parent, const std::string& text, rt::Rect r)
    : rt::SingleLineEdit(parent, text, r) {
    set_font({"MS Sans Serif", 8, 400});
    set_textcolor(rt::colours::window_text);
    set_backcolor(1090519039);
    set_autohscroll(false);
    // No menu of the edit's own on a right click.
    edit()->setContextMenuPolicy(Qt::NoContextMenu);
}

void pfc_u_sle::getfocus() {
    base_control_rules::report_focus(*this);
    if (ib_autoselect) rt::PostEvent(widget(), [this] { pfc_selectall(); });
}

int pfc_u_sle::pfc_cut() { return Cut(); }
int pfc_u_sle::pfc_copy() { return Copy(); }
int pfc_u_sle::pfc_paste() { return Paste(); }
int pfc_u_sle::pfc_undo() { return CanUndo() ? Undo() : 0; }
int pfc_u_sle::pfc_clear() { return Clear(); }
int pfc_u_sle::pfc_selectall() { return SelectText(1, static_cast<long>(text().size())); }

void pfc_u_sle::rbuttonup(unsigned long flags, int xpos, int ypos) { rt::SingleLineEdit::rbuttonup(flags, xpos, ypos); }
long pfc_u_sle::contextmenu(int, int) { return 1; }

int pfc_u_sle::of_getparentwindow(rt::Window*& aw_parent) const {
    return base_control_rules::of_getparentwindow(*this, aw_parent);
}

int pfc_u_sle::of_messagebox(const std::string&, const std::string& as_title, const std::string& as_text,
                             rt::Icon ae_icon, rt::Buttons ae_button, int ai_default) {
    return rt::MessageBox(as_title, as_text, ae_icon, ae_button, ai_default);
}

int pfc_u_sle::TriggerEvent(const std::string& name) {
    if (name == "pfc_cut") return pfc_cut();
    if (name == "pfc_copy") return pfc_copy();
    if (name == "pfc_paste") return pfc_paste();
    if (name == "pfc_undo") return pfc_undo();
    if (name == "pfc_clear") return pfc_clear();
    if (name == "pfc_selectall") return pfc_selectall();
    return rt::SingleLineEdit::TriggerEvent(name);
}
