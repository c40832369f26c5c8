#include "foundation/pfc_u_st.h"

#include "foundation/base_control_rules.h"
#include "runtime/ui/window.h"

#include <QLabel>

pfc_u_st::pfc_u_st(rt::Container* parent, const std::string& text, rt::Rect r) : rt::StaticText(parent, text, r) {
    set_font({"MS Sans Serif", 8, 400});
    set_textcolor(rt::colours::window_text);
    set_backcolor(80263581);
    // Disabled, so that it never takes the focus; its text keeps the
    // colour it was given.
    set_enabled(false);
    QPalette p = label()->palette();
    p.setColor(QPalette::Disabled, QPalette::WindowText, p.color(QPalette::Active, QPalette::WindowText));
    label()->setPalette(p);
}

void pfc_u_st::getfocus() { base_control_rules::report_focus(*this); }

int pfc_u_st::of_getparentwindow(rt::Window*& aw_parent) const {
    return base_control_rules::of_getparentwindow(*this, aw_parent);
}

int pfc_u_st::of_messagebox(const std::string&, const std::string& as_title, const std::string& as_text,
                            rt::Icon ae_icon, rt::Buttons ae_button, int ai_default) {
    return rt::MessageBox(as_title, as_text, ae_icon, ae_button, ai_default);
}
