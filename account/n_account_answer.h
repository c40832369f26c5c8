// The gateway's answer to the two account actions, "user_chks_ones" (login)
// and "reg_thr_ones" (sign-up): returntypes, returncode, returnvalue and
// returnmessage under the root element, whatever the root is called. The
// login and sign-up windows derive from it, so each keeps its own four
// variables for as long as it is open.
#pragma once

#include <string>

class pbdom_element;

class n_account_answer {
public:
    std::string returntypes;
    std::string returncode;
    std::string returnvalue;   // "success" or "failed", compared lower-cased
    std::string returnmessage;

    // Reads the root element's direct children by lower-cased name. Text
    // nodes and blank elements are passed over, so a missing or blank
    // element keeps the value of an earlier answer. 1, or -1 (nothing
    // touched) when the element has no child nodes at all.
    int of_explain_row(const pbdom_element& pobj_element);

    // Posts the account action with its form fields to the account endpoint
    // and reads a well-formed answer into the four variables. False when the
    // post failed (the manager has told the user) or the answer is not XML
    // (told here).
    bool of_post_account(const std::string& as_action, const std::string& as_data);
};
