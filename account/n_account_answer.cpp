#include "account/n_account_answer.h"

#include "core/n_cst_manager.h"
#include "runtime/pbdom_builder.h"
#include "runtime/strings.h"
#include "runtime/xml.h"


int n_account_answer::of_explain_row(const pbdom_element& pobj_element) {
    return n_cst_manager::of_read_answer(pobj_element, [this](const std::string& name, const std::string& text) {
        if (name == "returntypes") returntypes = text;
        else if (name == "returncode") returncode = text;
        else if (name == "returnvalue") returnvalue = text;
        else if (name == "returnmessage") returnmessage = text;
    });
}

bool n_account_answer::of_post_account(const std::string& as_action, const std::string& as_data) {
    std::string data = as_data;
    if (gnv_app->of_http_post_sms(gnv_app->url + "api/com_api_thro.aspx", as_action, "", data) != 1) return false;
    const int code = rt::XMLParseString(data);
    if (code != rt::xml_well_formed) {
        gnv_app->pub_msg("无效返回数据,错误代码[" + std::to_string(code) + "]");
        return false;
    }
    // The verdict must come from this answer: one without a (non-blank)
    // returnvalue would otherwise repeat the "success" of an earlier attempt.
    // The other three keep their carry-over, as the messages rely on it.
    returnvalue.clear();
    pbdom_builder lnv_builder;
    of_explain_row(lnv_builder.BuildFromString(data).GetRootElement());
    return true;
}
