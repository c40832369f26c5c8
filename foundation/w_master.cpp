#include "foundation/w_master.h"

#include "core/n_cst_manager.h"
#include "foundation/pfc_n_cst_resize.h"
#include "runtime/strings.h"
#include "runtime/ui/control.h"

w_master::w_master() {
    set_design_size(3538, 1728);
    set_title("Untitled");
    set_titlebar(true);
    set_controlmenu(true);
    set_minbox(true);
    set_maxbox(true);
    set_resizable(true);
    set_window_type(rt::WindowType::main);
    set_backcolor(rt::colours::button_face);
    set_icon("AppIcon!");
    set_center(true);
}

w_master::~w_master() = default;

void w_master::open() {
    pfc_preopen();
    // Queued: runs once the whole open event, the descendant's part of it
    // included, has returned.
    rt::PostEvent(*this, [this] { pfc_postopen(); });
}

void w_master::resize(unsigned long sizetype, int, int) {
    if (!inv_resize || windowstate() == rt::WindowState::minimized) return;
    const int width = WorkSpaceWidth();
    const int height = WorkSpaceHeight();
    inv_resize->pfc_resize(sizetype, width, height);
}

bool w_master::pfc_descendant() { return true; }

void w_master::pfc_controlgotfocus(rt::Control* adrg_control) {
    if (!adrg_control) return;
    if (adrg_control->is_datawindow() && adrg_control->TriggerEvent(std::string("pfc_descendant")) == 1)
        idw_active = adrg_control;
}

void w_master::pfc_open() {}

void w_master::pfc_postopen() {
    if (gnv_app && !rt::IsBlank(gnv_app->appico)) set_icon(gnv_app->appico);
}

void w_master::pfc_preopen() {}

int w_master::of_setresize(rt::nbool ab_switch) {
    if (!ab_switch) return -1;
    if (*ab_switch) {
        if (inv_resize) return 0;
        inv_resize = std::make_unique<pfc_n_cst_resize>();
        // The starting size is the work space the window reports in its
        // resize events: starting from the designed outer size would move
        // every registered control by the frame's size at the first resize.
        inv_resize->of_setorigsize(WorkSpaceWidth(), WorkSpaceHeight());
        return 1;
    }
    if (!inv_resize) return 0;
    inv_resize.reset();
    return 1;
}
