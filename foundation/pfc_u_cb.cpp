#include "foundation/pfc_u_cb.h"

#include "foundation/base_control_rules.h"
#include "runtime/ui/window.h"

pfc_u_cb::pfc_u_cb(rt::Container* parent, const std::string& text, rt::Rect r) : rt::CommandButton(parent, text, r) {
    set_font({"MS Sans Serif", 8, 400});
}

void pfc_u_cb::getfocus() { base_control_rules::report_focus(*this); }

int pfc_u_cb::of_getparentwindow(rt::Window*& aw_parent) const {
    return base_control_rules::of_getparentwindow(*this, aw_parent);
}

int pfc_u_cb::of_messagebox(const std::string&, const std::string& as_title, const std::string& as_text,
                            rt::Icon ae_icon, rt::Buttons ae_button, int ai_default) {
    return rt::MessageBox(as_title, as_text, ae_icon, ae_button, ai_default);
}
