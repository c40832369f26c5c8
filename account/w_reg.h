// The sign-up window: a one-row form sent to the gateway as "reg_thr_ones".
// On success the answer carries the new enterprise number, which is shown
// once and kept nowhere; the window then answers "ok", which no opener reads.
#pragma once

#include "account/n_account_answer.h"
#include "foundation/pfc_u_cb.h"
#include "foundation/w_response.h"
#include "runtime/ui/datawindow.h"

#include <string>

class w_reg final : public w_response, public n_account_answer {
public:
    w_reg();

    rt::DataWindow dw_reg{this, {14, 8, 1883, 1312}};
    pfc_u_cb cb_reg{this, "注册&R", {1097, 1336, 352, 92}};
    pfc_u_cb cb_cancel{this, "取消&C", {1490, 1336, 352, 92}};

    void open() override;
    // The field tests: false after telling the user which field is wrong.
    bool wf_verify();
    // Sends the form and reports the answer: true only for "success".
    bool wf_commit();

    void cb_reg_clicked();
    void cb_cancel_clicked();

private:
    // Row 1's value, trimmed; null reads as "".
    std::string value(const std::string& column) const;
};
