#include "shell/w_mdi.h"

#include "core/n_cst_manager.h"
#include "runtime/ui/menu.h"
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
    // The tray icon, with the frame's own icon file and a welcome balloon.
    iuo_icontray = std::make_unique<xu_icontray>();
    im_current = std::make_unique<m_taskbar>();
    const std::string icon_name = gnv_app->appico.empty() ? icon() : gnv_app->appdir + "\\" + gnv_app->appico;
    iuo_icontray->add_icon(icon_name, "双击左键还原窗口\n\r单击右键弹出快捷菜单", *this, "欢迎使用", gnv_app->appname);
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
    // The frame is gone for good: its tray icon goes with it.
    iuo_icontray.reset();
}

// ---- the tray --------------------------------------------------------------
long w_mdi::syscommand(unsigned long commandtype, int xpos, int ypos) {
    return ue_syscommand(commandtype, xpos, ypos);
}

long w_mdi::usermessage(unsigned message, unsigned long wparam, long lparam) {
    return message == rt::user_message ? ue_custom01(wparam, lparam) : 0;
}

// Without an icon to come back by, a hidden frame would be out of reach:
// the minimise then takes its usual course.
long w_mdi::ue_syscommand(unsigned long commandtype, int, int) {
    if (commandtype != rt::sc_minimize) return 0;
    if (!iuo_icontray || !iuo_icontray->trayexists()) return 0;
    Hide();
    iuo_icontray->show_balloontip("欢迎使用", gnv_app->appname + " 已经最小化到这里");
    return 1;
}

long w_mdi::ue_custom01(unsigned long, long lparam) {
    constexpr long wm_lbuttondblclk = 515, wm_rbuttonup = 517;
    if (lparam == wm_lbuttondblclk) {
        Show();
    } else if (lparam == wm_rbuttonup && im_current) {
        SetFocus();
        im_current->m_main.PopMenu(*this, rt::PointerX(*this), rt::PointerY(*this));
    }
    return 0;
}
