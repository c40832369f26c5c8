// The log viewer: the daily log files of log\ under the program folder in a
// sorted drop-down list, today's shown and selected at opening, any other
// shown when picked. It only reads; nothing typed into the edit is saved.
#pragma once

#include "foundation/pfc_u_cb.h"
#include "foundation/pfc_u_st.h"
#include "foundation/w_response.h"
#include "runtime/ui/controls.h"

#include <string>

class w_log final : public w_response {
public:
    w_log();

    pfc_u_st st_1{this, "日志", {1690, 24, 160, 64}};
    rt::DropDownListBox ddplb_log{this, {1870, 12, 663, 452}};
    rt::MultiLineEdit mle_log{this, "", {14, 112, 2519, 1800}};
    pfc_u_cb cb_close{this, "关闭&C", {2181, 1936, 352, 88}};

    void open() override;
    void ddplb_log_constructor();
    void ddplb_log_selectionchanged(int index);
    void cb_close_clicked();

private:
    // The whole file, its pieces joined back in order.
    static std::string wf_read(const std::string& as_name);
};
