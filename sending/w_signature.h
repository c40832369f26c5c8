// The signature dialog: the user types one new message signature, which
// the dialog answers trimmed (CloseWithReturn). Cancel and the close box
// answer nothing. Its one opener is the settings window's signature list.
#pragma once

#include "foundation/pfc_u_cb.h"
#include "foundation/w_response.h"
#include "runtime/ui/controls.h"

class w_signature final : public w_response {
public:
    w_signature();

    pfc_u_cb cb_cancel{this, "取消&C", {1170, 256, 352, 92}};
    pfc_u_cb cb_ok{this, "确定&O", {777, 256, 352, 92}};
    rt::SingleLineEdit sle_signature{this, "", {41, 60, 1481, 100}};

    void cb_ok_clicked();
    void cb_cancel_clicked();
};
