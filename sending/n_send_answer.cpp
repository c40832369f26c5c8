#include "sending/n_send_answer.h"

#include "core/n_cst_manager.h"

int n_send_answer::of_explain_row(const pbdom_element& pobj_element) {
    return n_cst_manager::of_read_answer(pobj_element, [this](const std::string& name, const std::string& text) {
        if (name == "returnstatus") returnstatus = text;
        else if (name == "message") mess = text;
        else if (name == "remainpoint") remainpoint = text;
        else if (name == "taskid") taskid = text;
        else if (name == "successcounts") successcounts = text;
    });
}
