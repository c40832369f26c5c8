// The signature dialog: what it answers, what it refuses and how, and that
// Cancel and the close box answer nothing.
#include "sending/w_signature.h"

#include "tests/support/screenshot.h"
#include "tests/account/account_fixture.h"

namespace {

using Signature = AccountWindow;

} // namespace

TEST_F(Signature, AnswersTheTrimmedTextOrRefusesIt) {
    struct {
        const char* name;
        std::string typed;
        rt::nstring answer;  // null: the dialog stays open
        std::string message; // "" for none
    } cases[] = {
        {"spaces around", "  张三 公司  ", "张三 公司", ""},
        {"brackets inside only", "张【三】x", "张【三】x", ""},
        {"begins with the closing bracket", "】张三", "】张三", ""},
        {"ends with the opening bracket", "张三【", "张三【", ""},
        {"a tab is not trimmed", "\t张三", "\t张三", ""},
        {"spaces only", "    ", rt::null, ""},
        {"empty", "", rt::null, ""},
        {"begins with 【", " 【张三", rt::null, "签名不能出现【】这种符号!!"},
        {"ends with 】", "张三】  ", rt::null, "签名不能出现【】这种符号!!"},
        {"both ends, one message", "【张三】", rt::null, "签名不能出现【】这种符号!!"},
        {"a lone bracket", "【", rt::null, "签名不能出现【】这种符号!!"},
        {"semicolon inside", "张三;李四", rt::null, "签名不能出现;这种符号!!"},
        {"semicolon alone", ";", rt::null, "签名不能出现;这种符号!!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w_signature w;
        const rt::nstring answer = drive<w_signature>(w, [&](w_signature& lw) {
            EXPECT_EQ(lw.sle_signature.text(), "");
            lw.sle_signature.set_text(c.typed);
            lw.cb_cancel.SetFocus();
            lw.cb_ok.TriggerEvent(rt::Event::clicked);
            EXPECT_EQ(lw.is_open(), !c.answer);
            if (!lw.is_open()) return;
            // Refused: the text stays as typed and the user goes on typing.
            EXPECT_EQ(lw.sle_signature.text(), c.typed);
            EXPECT_TRUE(lw.sle_signature.has_focus());
        });
        EXPECT_EQ(answer, c.answer);
        const std::vector<std::string> expected =
            c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message};
        ASSERT_EQ(boxes.shown().size(), expected.size());
        if (!expected.empty()) {
            EXPECT_EQ(boxes.shown()[0].text, c.message);
            EXPECT_EQ(boxes.shown()[0].icon, rt::Icon::Information);
            EXPECT_EQ(boxes.shown()[0].title, gnv_app->apptitle);
        }
        boxes.clear();
    }
}

TEST_F(Signature, CancelAndTheCloseBoxAnswerNothing) {
    // An answer left by an earlier dialog is not this one's.
    {
        w_signature first;
        EXPECT_EQ(drive<w_signature>(first, [](w_signature& lw) {
                      lw.sle_signature.set_text("前一个");
                      lw.cb_ok.TriggerEvent(rt::Event::clicked);
                  }),
                  "前一个");
    }
    w_signature cancelled;
    EXPECT_EQ(drive<w_signature>(cancelled, [](w_signature& lw) {
                  lw.sle_signature.set_text("张三");
                  lw.cb_cancel.TriggerEvent(rt::Event::clicked);
                  EXPECT_FALSE(lw.is_open());
              }),
              rt::null);
    EXPECT_EQ(rt::message().stringparm, rt::null);
    w_signature closed; // the fixture closes it as the close box does
    EXPECT_EQ(drive<w_signature>(closed, [](w_signature& lw) { lw.sle_signature.set_text("张三"); }), rt::null);
    EXPECT_EQ(rt::message().stringparm, rt::null);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Signature, LooksLikeItsDesign) {
    w_signature w;
    drive<w_signature>(w, [&](w_signature& lw) {
        EXPECT_EQ(lw.title(), "签名");
        EXPECT_TRUE(lw.sle_signature.has_focus());
        EXPECT_FALSE(lw.cb_ok.is_default());
        EXPECT_FALSE(lw.cb_cancel.is_cancel());
        EXPECT_EQ(lw.sle_signature.limit(), 0);
        lw.sle_signature.set_text("澄渊达科技");
        EXPECT_TRUE(rt::save_png(lw, (screenshots_folder() / "w_signature.png").string()));
    });
}
