// The account answer's reading rule, answer after answer into one set of
// variables, as a window reads them.
#include "account/n_account_answer.h"
#include "runtime/pbdom_builder.h"
#include "runtime/xml.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::string> vars(const n_account_answer& a) {
    return {a.returntypes, a.returncode, a.returnvalue, a.returnmessage};
}

int read(n_account_answer& a, const std::string& xml) {
    EXPECT_EQ(rt::XMLParseString(xml), 0) << xml;
    pbdom_builder builder;
    return a.of_explain_row(builder.BuildFromString(xml).GetRootElement());
}

} // namespace

TEST(AccountAnswer, ReadingRuleAnswerAfterAnswer) {
    struct {
        const char* name;
        std::string xml;
        int result;
        std::vector<std::string> after;
    } steps[] = {
        {"pretty, any root, names in any case",
         "<?xml version=\"1.0\" encoding=\"gbk\"?>\n<Result>\n  <ReturnTypes>reg</ReturnTypes>\n"
         "  <RETURNCODE>100</RETURNCODE>\n  <returnValue>Success</returnValue>\n"
         "  <returnmessage>编号 8</returnmessage>\n</Result>",
         1, {"reg", "100", "Success", "编号 8"}},
        {"blank and missing elements keep the earlier values",
         "<r><returncode>   </returncode><returnvalue></returnvalue></r>", 1, {"reg", "100", "Success", "编号 8"}},
        {"spaces around a value are kept", "<r><returnvalue> failed </returnvalue></r>", 1,
         {"reg", "100", " failed ", "编号 8"}},
        {"no child nodes at all", "<r/>", -1, {"reg", "100", " failed ", "编号 8"}},
        {"nested elements, comments and other names are passed over",
         "<r><x><returnvalue>success</returnvalue></x><!--returnmessage--><other>1</other></r>", 1,
         {"reg", "100", " failed ", "编号 8"}},
        {"the later of two non-blank wins",
         "<r><returnvalue>failed</returnvalue><returnvalue>success</returnvalue><returnvalue> </returnvalue></r>", 1,
         {"reg", "100", "success", "编号 8"}},
        {"text directly under the root is no field", "<r>returnvalue</r>", 1, {"reg", "100", "success", "编号 8"}},
    };
    n_account_answer a;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(read(a, s.xml), s.result);
        EXPECT_EQ(vars(a), s.after);
    }
}
