// How the start-up asks for a login: it opens the login window modally with
// the parameter "one" and hands back that window's own answer.
#pragma once

#include "runtime/value.h"

struct login_answer {
    bool returned = false; // false: the window closed without an answer of its own
    rt::nstring value;     // the answer when returned (null counts as "retry")
};

login_answer f_open_login();
