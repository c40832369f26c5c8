#include "sending/n_send_answer.h"

#include "core/n_cst_manager.h"
#include "runtime/pbdom_builder.h"
#include "runtime/pbdom_document.h"
#include "runtime/xml.h"

int n_send_answer::of_explain_row(const pbdom_element& pobj_element) {
    return n_cst_manager::of_read_answer(pobj_element, [this](const std::string& name, const std::string& text) {
        if (name == "returnstatus") returnstatus = text;
        else if (name == "message") mess = text;
        else if (name == "remainpoint") remainpoint = text;
        else if (name == "taskid") taskid = text;
        else if (name == "successcounts") successcounts = text;
    });
}

int n_send_answer::of_read_answer(const std::string& as_answer) {
    // The builder checks the text by the same rules as XMLParseString and
    // answers the same code: one parse serves the check and the reading.
    pbdom_builder lnv_builder;
    const pbdom_document doc = lnv_builder.BuildFromString(as_answer);
    const int ll_ret = lnv_builder.GetParseError();
    if (ll_ret != rt::xml_well_formed) return ll_ret;
    returnstatus.clear();
    of_explain_row(doc.GetRootElement());
    return ll_ret;
}
