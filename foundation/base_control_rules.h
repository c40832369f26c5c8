// What the base controls pfc_u_cb, pfc_u_sle and pfc_u_st do alike: find
// the window they sit in, and report their focus to it for the microhelp.
#pragma once

namespace rt {
class Control;
class Window;
} // namespace rt

class base_control_rules {
public:
    // The window the control sits in (through tab pages): 1, or -1 and null.
    static int of_getparentwindow(const rt::Control& control, rt::Window*& aw_parent);
    // With the manager's microhelp on, tells the control's window, when it is
    // a w_master, that the control got the focus.
    static void report_focus(rt::Control& control);
};
