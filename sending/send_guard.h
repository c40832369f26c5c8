// What both send windows hold while their loop runs: the window's sending
// flag set, the controls that could disturb the loop disabled (the close box
// goes through the window's close query, which reads the flag) and, for the
// send window, its list made read-only. Every way out of the loop gives them
// back. A guard taken while the flag is already set does nothing at all: a
// handler that was reached during a Yield all the same must never release
// the outer guard, which still has rows to send.
#pragma once

#include "runtime/ui/control.h"

#include <initializer_list>
#include <vector>

namespace rt {
class DataWindow;
}

class send_guard {
public:
    send_guard(bool& sending, std::initializer_list<rt::Control*> controls, rt::DataWindow* list = nullptr);
    ~send_guard();
    send_guard(const send_guard&) = delete;
    send_guard& operator=(const send_guard&) = delete;

private:
    bool& sending_;
    std::vector<rt::Control*> controls_;
    rt::DataWindow* list_;
    bool taken_;
};
