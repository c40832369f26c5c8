#include "core/f_open_login.h"

#include "account/sys_w_login.h"
#include "runtime/ui/window.h"

login_answer f_open_login() {
    sys_w_login w;
    rt::OpenWithParm(w, "one");
    return {w.answer().has_value(), w.answer()};
}
