#include "foundation/pfc_u_cb.h"

#include "core/n_cst_manager.h"
#include "foundation/w_master.h"
#include "runtime/ui/window.h"

pfc_u_cb::pfc_u_cb(rt::Container* parent, const std::string& text, rt::Rect r) : rt::CommandButton(parent, text, r) {
    set_font({"MS Sans Serif", 8, 400});
}

void pfc_u_cb::getfocus() {
    if (!gnv_app || !gnv_app->of_getmicrohelp()) return;
    rt::Window* w = nullptr;
    of_getparentwindow(w);
    if (auto* m = dynamic_cast<w_master*>(w)) m->pfc_controlgotfocus(this);
}

int pfc_u_cb::of_getparentwindow(rt::Window*& aw_parent) const {
    aw_parent = parent_window();
    return aw_parent ? 1 : -1;
}

int pfc_u_cb::of_messagebox(const std::string&, const std::string& as_title, const std::string& as_text,
                            rt::Icon ae_icon, rt::Buttons ae_button, int ai_default) {
    return rt::MessageBox(as_title, as_text, ae_icon, ae_button, ai_default);
}
