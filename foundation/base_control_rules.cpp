#include "foundation/base_control_rules.h"

#include "core/n_cst_manager.h"
#include "foundation/w_master.h"
#include "runtime/ui/control.h"
#include "runtime/ui/window.h"

int base_control_rules::of_getparentwindow(const rt::Control& control, rt::Window*& aw_parent) {
    aw_parent = control.parent_window();
    return aw_parent ? 1 : -1;
}

void base_control_rules::report_focus(rt::Control& control) {
    if (!gnv_app || !gnv_app->of_getmicrohelp()) return;
    rt::Window* w = nullptr;
    of_getparentwindow(control, w);
    if (auto* m = dynamic_cast<w_master*>(w)) m->pfc_controlgotfocus(&control);
}
