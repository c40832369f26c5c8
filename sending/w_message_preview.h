// The preview-and-send window: the mail-merge window hands over its list of
// personalised messages (a dw_msg_preview DataWindow, as the object
// parameter of OpenWithParm), which the window shares into its own list and
// sends one "send" request per row, marking each row 1 (taken) or 2
// (refused). The marks land in the opener's rows. The window gives no answer.
#pragma once

#include "foundation/u_dw.h"
#include "foundation/uo_arcbutton.h"
#include "foundation/uo_comctl_statusbar.h"
#include "foundation/w_response.h"
#include "mailmerge/dw_msg_preview.h"
#include "runtime/ui/controls.h"
#include "sending/n_send_answer.h"

#include <cstdint>

class w_message_preview final : public w_response, public n_send_answer {
public:
    w_message_preview();

    u_dw dw_list{this, dw_msg_preview(), {18, 16, 3703, 1504}};
    rt::MultiLineEdit mle_1{this, "", {18, 1536, 2711, 264}};
    uo_arcbutton pb_send{this, "发送&S", {2770, 1604, 462, 128}};
    uo_arcbutton pb_close{this, "关闭&C", {3250, 1604, 462, 128}};
    rt::HProgressBar hpb_1{this, {18, 1816, 3703, 64}};
    uo_comctl_statusbar uo_statebar{this, {0, 1896, 3740, 76}};

    void open() override;
    void close() override;
    // Keeps the window open while a send runs: its loop works on the list.
    int closequery() override;
    void pfc_preopen() override;

    int wf_init_statebar();
    void wf_send_msg();

    void pb_send_clicked();
    void pb_close_clicked();
    void dw_list_clicked(int xpos, int ypos, std::int32_t row, const rt::DwObject& dwo);

    // True while wf_send_msg's loop runs.
    bool sending() const { return ib_sending; }

private:
    // Set by the send's guard (sending/send_guard.h), which also disables
    // both buttons; the close box reads it through the close query.
    bool ib_sending = false;

    // One row's request and answer; false when the row did not reach the
    // gateway's verdict (a failed request, an answer that is not XML or one
    // without a status).
    bool wf_send_row(std::int32_t i, const std::string& mobile, std::string msg, std::int32_t& num_success,
                     std::int32_t& num_failure);
};
