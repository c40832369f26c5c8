#include "shell/w_mdi.h"

#include "core/n_cst_manager.h"
#include "shell/w_background.h"

namespace {
w_mdi* g_current = nullptr;
}

w_mdi::w_mdi() {
    set_window_type(rt::WindowType::mdi);
    set_windowstate(rt::WindowState::maximized);
    set_design_size(4535, 2320);
}

w_mdi::~w_mdi() {
    if (g_current == this) g_current = nullptr;
}

w_mdi* w_mdi::current() { return g_current && g_current->is_open() ? g_current : nullptr; }

void w_mdi::pfc_preopen() {
    w_master::pfc_preopen();
    if (!gnv_app->appico.empty()) set_icon(gnv_app->appico);
}

void w_mdi::open() {
    w_master::open();
    g_current = this;
    set_title(gnv_app->appname);
    rt::OpenSheet(rt::make_window<w_background>(), *this);
}

void w_mdi::close() {
    if (g_current == this) g_current = nullptr;
    w_master::close();
}
