#include "sending/send_guard.h"

#include "runtime/ui/datawindow.h"

send_guard::send_guard(bool& sending, std::initializer_list<rt::Control*> controls, rt::DataWindow* list)
    : sending_(sending), controls_(controls), list_(list), taken_(!sending) {
    if (!taken_) return;
    sending_ = true;
    for (rt::Control* c : controls_) c->set_enabled(false);
    if (list_) list_->set_readonly(true);
}

send_guard::~send_guard() {
    if (!taken_) return;
    if (list_) list_->set_readonly(false);
    for (rt::Control* c : controls_) c->set_enabled(true);
    sending_ = false;
}
