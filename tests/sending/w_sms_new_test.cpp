// The send window against the fake gateway: its controls and counter, the
// signature box, the mode switch and the two imports; the send's requests
// byte for byte, alone and in batches; the checks and failures with their
// boxes and focus; the log; and a send that the user meddles with while its
// batches go out.
#include "sending/w_sms_new.h"

#include "runtime/inet.h"
#include "runtime/xml.h"
#include "runtime/strings.h"
#include "runtime/ui/qt_text.h"
#include "tests/support/screenshot.h"
#include "tests/account/account_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include <cstdio>
#include <sys/stat.h>
#include <memory>
#include <string>
#include <vector>

namespace {

class ScriptedClipboard final : public rt::Clipboard {
public:
    rt::nstring held;
    rt::nstring text() override { return held; }
    void set_text(const std::string& t) override { held = t; }
    void clear() override { held = rt::null; }
};

class ScriptedDialog final : public rt::FileDialog {
public:
    struct Call {
        std::string title, extension, filter, initdir;
    };
    int result = 1;
    std::string chosen; // program path handed back on OK
    std::vector<Call> calls;
    int get_file_open_name(const std::string& title, std::string& pathname, std::string& filename,
                           const std::string& extension, const std::string& filter,
                           const std::string& initdir) override {
        calls.push_back({title, extension, filter, initdir});
        if (result == 1) {
            pathname = chosen;
            filename = chosen.substr(chosen.rfind('\\') + 1);
        }
        return result;
    }
};

// Numbers 13800000000 + first .. + first + count - 1, one to a line.
std::vector<std::string> numbers(int first, int count) {
    std::vector<std::string> out;
    char buf[16];
    for (int i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof buf, "138%08d", first + i);
        out.emplace_back(buf);
    }
    return out;
}
std::string lines(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& n : v) s += n + "\r\n";
    return s;
}
std::string joined(const std::vector<std::string>& v, std::size_t from, std::size_t count) {
    std::string s;
    for (std::size_t i = from; i < from + count && i < v.size(); ++i) s += (s.empty() ? "" : ",") + v[i];
    return s;
}

// Typing as the user does, so that the edit raises its change event.
void type(rt::MultiLineEdit& mle, const std::string& gbk) { mle.edit()->insertPlainText(rt::qstr(gbk)); }

void select(rt::DropDownListBox& ddlb, const std::string& entry) {
    for (int i = 1; i <= ddlb.TotalItems(); ++i)
        if (ddlb.Text(i) == entry) {
            ddlb.SelectItem(i);
            return;
        }
    ADD_FAILURE() << "no entry " << entry;
}

struct SmsNew : AccountWindow {
    ScriptedClipboard* clip = nullptr;
    ScriptedDialog* dialog = nullptr;
    std::unique_ptr<rt::Clipboard> old_clip;
    std::unique_ptr<rt::FileDialog> old_dialog;

    void SetUp() override {
        AccountWindow::SetUp();
        sign_in("1000000", "乙;甲", "乙");
        auto c = std::make_unique<ScriptedClipboard>();
        clip = c.get();
        old_clip = rt::set_clipboard(std::move(c));
        auto d = std::make_unique<ScriptedDialog>();
        dialog = d.get();
        old_dialog = rt::set_file_dialog(std::move(d));
    }
    void TearDown() override {
        rt::set_clipboard(std::move(old_clip));
        rt::set_file_dialog(std::move(old_dialog));
        AccountWindow::TearDown();
    }

    void with_window(const std::function<void(w_sms_new&)>& body) {
        w_sms_new w;
        drive<w_sms_new>(w, body);
    }
    // The message, then the send button pressed as a click would: the
    // button has the focus.
    static void send(w_sms_new& w, const std::string& message) {
        w.mle_msg.set_text(message);
        w.cb_snd.SetFocus();
        w.cb_snd.TriggerEvent(rt::Event::clicked);
    }
    static std::string body(const std::string& mobile, const std::string& content) {
        return "action=send&userid=1001&account=acc&password=pw" + (mobile.empty() ? "" : "&mobile=" + mobile) +
               "&content=" + content;
    }
};

} // namespace

TEST_F(SmsNew, ControlsInOrderWithTheirTexts) {
    with_window([&](w_sms_new& w) {
        EXPECT_EQ(w.title(), "消息发送");
        const struct {
            rt::Control* control;
            std::string text;
        } order[] = {
            {&w.st_14, "9、手工输入每行一个手机号"}, {&w.cbx_1, "切换为手工输入模式"}, {&w.sle_signature, ""},
            {&w.st_15, "8、短信内容实际长度=短信签名+短信内容"},
            {&w.st_13, "7、发手机一条为70个字。长短信为每条67个字。"},
            {&w.st_12, "6、汉字、数字、英文和标点符号都表示1个长度。"}, {&w.st_11, "5、请使用CTRL+V粘贴短信内容。"},
            {&w.st_10, "4、号码文件只支持TXT、EXCEL文件格式。"}, {&w.st_9, "3、内容编辑完成请先检查屏蔽词再行发送。"},
            {&w.st_8, "2、手动输入号码请用英文逗号或换行分隔。"}, {&w.st_7, "1、单次提交最好不超过20w个号码。"},
            {&w.st_6, "注意"}, {&w.st_available, ""}, {&w.st_enter, ""}, {&w.st_4, "个字，还剩"},
            {&w.st_1, "包含签名已输入"}, {&w.st_3, "短信内容"}, {&w.dw_rcv, ""}, {&w.st_total, "合计"},
            {&w.st_2, "个字"}, {&w.st_num, "300"}, {&w.st_tip, "个字,最多"}, {&w.st_5, "签名："},
            {&w.mle_msg, ""}, {&w.dw_list, ""}, {&w.cb_close, "关闭&C"}, {&w.cb_snd, "发送&S"},
            {&w.cb_import_clipboard, "引入复制"}, {&w.cb_import_file, "导入号码"}, {&w.gb_1, ""}, {&w.mle_num, ""},
        };
        const auto& kids = w.controls();
        ASSERT_EQ(kids.size(), std::size(order));
        for (std::size_t i = 0; i < kids.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(kids[i], order[i].control);
            if (auto* st = dynamic_cast<rt::StaticText*>(order[i].control)) {
                EXPECT_EQ(st->text(), order[i].text);
            }
            if (auto* cb = dynamic_cast<rt::CommandButton*>(order[i].control)) {
                EXPECT_EQ(cb->text(), order[i].text);
            }
        }
        EXPECT_EQ(w.st_7.textcolor(), rt::RGB(255, 0, 0));
        EXPECT_EQ(w.st_num.textcolor(), rt::RGB(255, 0, 0));
        EXPECT_EQ(w.st_num.font().weight, 700);
        // List mode at open; the hidden scratch list never shows.
        EXPECT_TRUE(w.dw_list.visible());
        EXPECT_FALSE(w.mle_num.visible() || w.st_14.visible() || w.dw_rcv.visible());
        EXPECT_FALSE(w.cbx_1.checked());
        EXPECT_TRUE(w.mle_msg.has_focus());
        EXPECT_EQ(w.mle_msg.limit(), 300);
    });
}

TEST_F(SmsNew, SignatureBoxFromTheStoredListAndTheCurrentSignature) {
    struct {
        const char* name;
        std::string list, current;
        std::vector<std::string> entries; // sorted
        std::string text;
    } cases[] = {
        {"current picked from a list held B before A", "B;A", "A", {"A", "B"}, "A"},
        {"an empty piece between two", "乙;;甲", "", {"", "甲", "乙"}, ""},
        {"a blank list", "   ", "", {}, ""},
        {"current stored with blanks around", "A; A ;B", "  A  ", {" A ", "A", "B"}, "A"},
        {"current that is no entry", "A;B", "C", {"A", "B"}, ""},
        {"case counts", "abc", "ABC", {"abc"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gnv_app->signature = c.list;
        dir.write("velotra.ini", "[cfg]\r\nsignature_current=" + c.current + "\r\n");
        with_window([&](w_sms_new& w) {
            std::vector<std::string> entries;
            for (int i = 1; i <= w.sle_signature.TotalItems(); ++i) entries.push_back(w.sle_signature.Text(i));
            EXPECT_EQ(entries, c.entries);
            EXPECT_EQ(w.sle_signature.text(), c.text);
            EXPECT_EQ(w.sle_signature.SelectedIndex() > 0, !c.text.empty());
        });
    }
}

TEST_F(SmsNew, CounterCountsCharactersOfMessageAndSignature) {
    gnv_app->signature = "澄渊达科技;ab";
    with_window([&](w_sms_new& w) {
        // Nothing counted before the first change of the text.
        EXPECT_EQ(w.st_enter.text(), "");
        EXPECT_EQ(w.st_available.text(), "");
        type(w.mle_msg, "五个汉字啊");
        EXPECT_EQ(w.st_enter.text(), "5");
        EXPECT_EQ(w.st_available.text(), "295");

        w.mle_msg.set_text("");
        select(w.sle_signature, "澄渊达科技");
        // Choosing a signature refreshes nothing until the text changes.
        EXPECT_EQ(w.st_enter.text(), "5");
        type(w.mle_msg, std::string(300, 'x'));
        EXPECT_EQ(w.mle_msg.text(), std::string(300, 'x'));
        EXPECT_EQ(w.st_enter.text(), "305");
        EXPECT_EQ(w.st_available.text(), "-5");
        // The edit takes no more than 300 characters.
        type(w.mle_msg, "y");
        EXPECT_EQ(w.mle_msg.text(), std::string(300, 'x'));
        EXPECT_EQ(w.st_enter.text(), "305");
        // Blanks count: the text is not trimmed.
        w.mle_msg.set_text("");
        select(w.sle_signature, "ab");
        type(w.mle_msg, " 中 ");
        EXPECT_EQ(w.st_enter.text(), "5");
        EXPECT_EQ(w.st_available.text(), "295");
    });
}

TEST_F(SmsNew, ModeSwitchShowsTheTypedNumbersAndKeepsBoth) {
    with_window([&](w_sms_new& w) {
        w.dw_list.ImportString("1\r\n2\r\n");
        w.mle_num.set_text("3");
        w.cbx_1.box()->click();
        EXPECT_TRUE(w.mle_num.visible() && w.st_14.visible());
        EXPECT_FALSE(w.dw_list.visible());
        // The imports still fill the hidden list.
        clip->held = "7\r\n8\r\n9";
        w.cb_import_clipboard.button()->click();
        EXPECT_EQ(w.st_total.text(), "合计:3");
        for (int i = 0; i < 3; ++i) w.cbx_1.box()->click();
        EXPECT_FALSE(w.cbx_1.checked());
        EXPECT_TRUE(w.dw_list.visible());
        EXPECT_FALSE(w.mle_num.visible() || w.st_14.visible());
        EXPECT_EQ(w.dw_list.RowCount(), 3);
        EXPECT_EQ(w.mle_num.text(), "3");
    });
}

TEST_F(SmsNew, FileImportAppendsAndClipboardImportReplaces) {
    dir.write("ten.txt", lines(numbers(0, 10)));
    dir.write("five.txt", lines(numbers(10, 4)) + "13900000000\t张三");
    with_window([&](w_sms_new& w) {
        dialog->chosen = dir.program() + "\\ten.txt";
        w.cb_import_file.button()->click();
        EXPECT_EQ(w.st_total.text(), "合计:10");
        dialog->chosen = dir.program() + "\\five.txt";
        w.cb_import_file.button()->click();
        EXPECT_EQ(w.st_total.text(), "合计:5");
        EXPECT_EQ(w.dw_list.RowCount(), 15);
        EXPECT_EQ(w.dw_list.GetItemString(15, "mobile"), "13900000000");
        // Without a stored folder the dialog starts in the program folder.
        ASSERT_EQ(dialog->calls.size(), 2u);
        EXPECT_EQ(dialog->calls[0].title, "文件选择");
        EXPECT_EQ(dialog->calls[0].extension, "txt");
        EXPECT_EQ(dialog->calls[0].filter, "txt Files (*.txt;),*.txt,All Files (*.*), *.*");
        EXPECT_EQ(dialog->calls[0].initdir, gnv_app->appdir);

        // A cancelled dialog and a stored folder, taken untrimmed.
        gnv_app->pub_f_set_sysvar("local_var", "FilePos", " D:\\号码 ");
        dialog->result = 0;
        w.cb_import_file.button()->click();
        EXPECT_EQ(dialog->calls.back().initdir, " D:\\号码 ");
        EXPECT_EQ(w.st_total.text(), "合计:5");
        EXPECT_EQ(w.dw_list.RowCount(), 15);

        clip->held = "1\r\n2\r\n3";
        w.cb_import_clipboard.button()->click();
        EXPECT_EQ(w.st_total.text(), "合计:3");
        EXPECT_EQ(w.dw_list.RowCount(), 3);
        // A failed import shows its code and leaves the list empty.
        clip->held = rt::null;
        w.cb_import_clipboard.button()->click();
        EXPECT_EQ(rt::Left(w.st_total.text(), 6), "合计:-");
        EXPECT_EQ(w.dw_list.RowCount(), 0);
    });
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(SmsNew, RequestsByteForByteAloneAndInBatches) {
    struct {
        int rows;
        std::vector<std::size_t> carried;
    } cases[] = {{1, {1}}, {4000, {4000}}, {4001, {4000, 1}}, {12001, {4000, 4000, 4000, 1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        gateway.clear_requests();
        const std::vector<std::string> list = numbers(0, c.rows);
        with_window([&](w_sms_new& w) {
            w.dw_list.ImportString(lines(list));
            select(w.sle_signature, "甲");
            send(w, " 你好 hello ");
            EXPECT_TRUE(w.cb_snd.enabled());
        });
        const auto requests = gateway.requests();
        ASSERT_EQ(requests.size(), c.carried.size());
        std::size_t from = 0;
        for (std::size_t k = 0; k < requests.size(); ++k) {
            const auto& r = requests[k];
            const std::string expected = body(joined(list, from, c.carried[k]), "【甲】你好 hello");
            EXPECT_EQ(r.path, "/sms.aspx");
            EXPECT_EQ(std::string(r.body), expected);
            EXPECT_EQ(r.header("Content-Length"), std::to_string(expected.size()));
            from += c.carried[k];
        }
        // A single request tells its outcome; batches tell once at the end.
        const std::string last = c.carried.size() == 1 ? "短信发送成功!" : "短信发送完成,请核实!";
        EXPECT_EQ(box_texts(), (std::vector<std::string>{"确定要执行发送操作吗？", last}));
        // One log entry for every answer, with the rows its request carried.
        std::string log;
        for (std::size_t n : c.carried)
            log += log_entry("发送短信\tstaus[Success] message[提交成功]\t合计[" + std::to_string(n) + "]");
        EXPECT_EQ(today_log(), log);
        std::filesystem::remove(dir.native() / "log" / "2024-03-09.txt");
    }
}

TEST_F(SmsNew, ContentWithAndWithoutAutomaticSignatures) {
    struct {
        bool automatic;
        const char* signature; // null: none chosen
        std::string content;
    } cases[] = {
        {true, "甲", "【甲】hello"},
        {false, "甲", "甲hello"},
        {false, nullptr, "hello"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        gnv_app->auto_signature = c.automatic;
        with_window([&](w_sms_new& w) {
            w.dw_list.ImportString("13800000000");
            if (c.signature) select(w.sle_signature, c.signature);
            else w.sle_signature.SelectItem(0);
            send(w, " hello ");
        });
        EXPECT_EQ(std::string(gateway.last_request().body), body("13800000000", c.content));
    }
    // Only the send with automatic signatures stores the one it used.
    EXPECT_EQ(gnv_app->pub_f_get_sysvar("cfg", "signature_current", ""), "甲");
    EXPECT_EQ(gnv_app->signature_prev, "甲");
}

TEST_F(SmsNew, StoredSignatureIsWrittenOnlyWhenItChanges) {
    // Every write replaces the settings file (synced to the disk): a send
    // with the signature the file already holds leaves the file alone.
    const auto inode = [&] {
        struct stat st {};
        return ::stat((dir.native() / "velotra.ini").c_str(), &st) == 0 ? st.st_ino : 0;
    };
    const auto before = inode();
    with_window([&](w_sms_new& w) {
        w.dw_list.ImportString("13800000000");
        select(w.sle_signature, "乙");
        send(w, "hi");
        EXPECT_EQ(inode(), before);
        select(w.sle_signature, "甲");
        send(w, "hi");
    });
    EXPECT_NE(inode(), before);
    EXPECT_EQ(gnv_app->pub_f_get_sysvar("cfg", "signature_current", ""), "甲");
    EXPECT_EQ(gateway.request_count(), 2u);
}

TEST_F(SmsNew, BlankRowsGoAndInnerSpacesStay) {
    with_window([&](w_sms_new& w) {
        w.dw_list.ImportString("\r\n1\r\n\r\n   \r\n2\r\n138 0000 0000\r\n 3 \r\n4,5\r\n  ");
        // The comma row counts once against a balance of 5 rows.
        gnv_app->overage = "5";
        send(w, "hi");
        std::vector<std::string> left;
        for (const auto& v : w.dw_list.column_strings("mobile")) left.push_back(v.value_or("<null>"));
        EXPECT_EQ(left, (std::vector<std::string>{"1", "2", "138 0000 0000", " 3 ", "4,5"}));
    });
    EXPECT_EQ(std::string(gateway.last_request().body), body("1,2,138 0000 0000, 3 ,4,5", "【乙】hi"));
    EXPECT_EQ(today_log(), log_entry("发送短信\tstaus[Success] message[提交成功]\t合计[5]"));
}

// Batches are cut from the rows left once the blank ones are gone, not from
// the rows as imported: the pass that removes them also joins the batches.
TEST_F(SmsNew, BatchesCountTheRowsLeftAfterBlankOnes) {
    with_window([&](w_sms_new& w) {
        w.rcv_limit = 2;
        w.dw_list.ImportString("1\r\n  \r\n 2\r\n\r\n3\r\n4\r\n \r\n5\r\n");
        send(w, "hi");
        EXPECT_EQ(w.dw_list.RowCount(), 5);
    });
    std::vector<std::string> sent;
    for (const auto& r : gateway.requests()) sent.push_back(std::string(r.body));
    EXPECT_EQ(sent, (std::vector<std::string>{body("1, 2", "【乙】hi"), body("3,4", "【乙】hi"), body("5", "【乙】hi")}));
    EXPECT_EQ(today_log(), log_entry("发送短信\tstaus[Success] message[提交成功]\t合计[2]") +
                               log_entry("发送短信\tstaus[Success] message[提交成功]\t合计[2]") +
                               log_entry("发送短信\tstaus[Success] message[提交成功]\t合计[1]"));
}

TEST_F(SmsNew, MessageJoinsARangeOfNumbersAsStored) {
    const std::string wide(300, '9'); // longer than the numbers a batch's text is sized for
    with_window([&](w_sms_new& w) {
        w.dw_list.ImportString("13800000001\r\n\r\nx\r\nx\r\n 4 \r\n5,6\r\n");
        w.dw_list.SetItem(3, "mobile", std::string());
        w.dw_list.SetItem(4, "mobile", wide);
        struct {
            std::int32_t start, end;
            std::string joined;
        } cases[] = {
            {-1, -1, "13800000001," + wide + ", 4 ,5,6"},
            {1, 1, "13800000001"},
            {2, 3, ""}, // a null and an empty value are left out
            {4, 4, wide},
            {3, 99, wide + ", 4 ,5,6"}, // the end may lie past the last row
            {7, 9, ""},
            {4, 3, ""},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.start) + ".." + std::to_string(c.end));
            EXPECT_EQ(w.wf_message(c.start, c.end), c.joined);
        }
        EXPECT_EQ(w.dw_list.RowCount(), 6); // nothing taken out of the list
    });
}

// Blank rows are only found out after the confirmation: the send then says
// that there is nobody to send to, in list mode and in manual mode alike.
TEST_F(SmsNew, ListOfBlankRowsOnlySaysSoAndSendsNothing) {
    const struct {
        const char* name;
        bool manual;
    } modes[] = {{"list", false}, {"manual", true}};
    for (const auto& m : modes) {
        SCOPED_TRACE(m.name);
        boxes.clear();
        with_window([&](w_sms_new& w) {
            if (m.manual) {
                w.cbx_1.box()->click();
                w.mle_num.set_text("\r\n   \r\n\t x\r\n");
            } else {
                w.dw_list.ImportString("\r\n   \r\n\t x\r\n");
            }
            send(w, "hi");
            EXPECT_EQ(w.dw_list.RowCount(), 0);
            EXPECT_TRUE(w.cb_snd.enabled());
            EXPECT_TRUE((m.manual ? static_cast<rt::Control&>(w.mle_num) : w.dw_list).has_focus());
        });
        std::vector<std::pair<std::string, rt::Icon>> shown;
        for (const auto& b : boxes.shown()) shown.emplace_back(b.text, b.icon);
        EXPECT_EQ(shown, (std::vector<std::pair<std::string, rt::Icon>>{
                             {"确定要执行发送操作吗？", rt::Icon::Question}, {"请输入要接收的手机号!", rt::Icon::StopSign}}));
    }
    EXPECT_EQ(gateway.request_count(), 0u);
    EXPECT_EQ(today_log(), "");
}

TEST_F(SmsNew, ChecksAndFailuresWithTheirBoxesAndFocus) {
    using Focus = std::function<rt::Control*(w_sms_new&)>;
    struct Case {
        const char* name;
        std::function<void(w_sms_new&)> prepare;
        std::string message;
        std::vector<std::pair<std::string, rt::Icon>> shown; // after the confirmation, when there is one
        bool confirmed;
        Focus focused; // null: not looked at
        std::size_t requests;
    };
    const auto list = [](w_sms_new& w) { w.dw_list.ImportString(lines(numbers(0, 10))); };
    const Case cases[] = {
        {"message of spaces", list, "   ", {{"短信内容不能为空!", rt::Icon::StopSign}}, false,
         [](w_sms_new& w) -> rt::Control* { return &w.mle_msg; }, 0},
        {"manual mode, no numbers typed", [&](w_sms_new& w) { list(w); w.cbx_1.box()->click(); w.mle_num.set_text("  "); },
         "hi", {{"请输入要接收的手机号!", rt::Icon::StopSign}}, false, [](w_sms_new& w) -> rt::Control* { return &w.mle_num; }, 0},
        {"empty list", [](w_sms_new&) {}, "hi", {}, false, [](w_sms_new& w) -> rt::Control* { return &w.cb_snd; }, 0},
        {"no credentials", [&](w_sms_new& w) { list(w); gnv_app->password = " "; }, "hi",
         {{"帐户未设置无效,请在帐号设置中设置!", rt::Icon::StopSign}}, false,
         [](w_sms_new& w) -> rt::Control* { return &w.cb_snd; }, 0},
        {"no signature chosen", [&](w_sms_new& w) { list(w); w.sle_signature.SelectItem(0); }, "hi",
         {{"请选择一个签名!", rt::Icon::Information}}, false, [](w_sms_new& w) -> rt::Control* { return &w.sle_signature; }, 0},
        {"No to the question", [&](w_sms_new& w) { list(w); boxes.answer_next(2); }, "hi", {}, true,
         [](w_sms_new& w) -> rt::Control* { return &w.cb_snd; }, 0},
        {"balance below the rows", [&](w_sms_new& w) { list(w); gnv_app->overage = "9"; }, "hi",
         {{"当前帐户可用余额[9]", rt::Icon::Information}}, true, [](w_sms_new& w) -> rt::Control* { return &w.cb_snd; }, 0},
        {"empty balance", [&](w_sms_new& w) { list(w); gnv_app->overage = ""; }, "hi",
         {{"当前帐户可用余额[0]", rt::Icon::Information}}, true, [](w_sms_new& w) -> rt::Control* { return &w.cb_snd; }, 0},
        {"balance that is no number", [&](w_sms_new& w) { list(w); gnv_app->overage = "很多"; }, "hi",
         {{"当前帐户可用余额[0]", rt::Icon::Information}}, true, [](w_sms_new& w) -> rt::Control* { return &w.cb_snd; }, 0},
        {"refused connection", [&](w_sms_new& w) { list(w); gateway.fail(FakeGateway::Failure::refuse); }, "hi",
         {{"与服务器数据交互失败,错误代码[" + std::to_string(rt::inet_cannot_connect) + "]", rt::Icon::StopSign},
          {"无效返回数据,错误代码[" + std::to_string(rt::xml_empty) + "]", rt::Icon::Information}},
         true, nullptr, 0},
        {"answer that is not XML", [&](w_sms_new& w) { list(w); gateway.script("send", "ok"); }, "hi",
         {{"无效返回数据,错误代码[" + std::to_string(rt::xml_not_well_formed) + "]", rt::Icon::Information}}, true,
         nullptr, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gnv_app->password = "pw";
        gnv_app->overage = "1000000";
        gateway.clear_requests();
        with_window([&](w_sms_new& w) {
            select(w.sle_signature, "甲");
            c.prepare(w);
            send(w, c.message);
            EXPECT_TRUE(w.cb_snd.enabled());
            if (c.focused) {
                EXPECT_TRUE(c.focused(w)->has_focus());
            }
            // No check deletes a row of the list.
            if (c.name != std::string("empty list")) {
                EXPECT_EQ(w.dw_list.RowCount(), 10);
            }
        });
        gateway.fail(FakeGateway::Failure::none);
        std::vector<std::pair<std::string, rt::Icon>> expected;
        if (c.confirmed) expected.emplace_back("确定要执行发送操作吗？", rt::Icon::Question);
        expected.insert(expected.end(), c.shown.begin(), c.shown.end());
        std::vector<std::pair<std::string, rt::Icon>> shown;
        for (const auto& b : boxes.shown()) shown.emplace_back(b.text, b.icon);
        EXPECT_EQ(shown, expected);
        if (c.confirmed) {
            EXPECT_EQ(boxes.shown()[0].buttons, rt::Buttons::YesNo);
        }
        boxes.clear();
        EXPECT_EQ(gateway.request_count(), c.requests);
    }
    // No answer could be read, so nothing was logged.
    EXPECT_EQ(today_log(), "");
}

TEST_F(SmsNew, AnswersOfASingleRequest) {
    struct {
        rt::blob answer;
        std::vector<std::string> boxes; // after the confirmation
        std::string logged;
    } steps[] = {
        {FakeGateway::send_answer("success", "ok", "950", "T1", "50"), {"短信发送成功!"}, "staus[success] message[ok]"},
        {FakeGateway::send_answer("SUCCESS", "  ", "940", "T2", "10"), {"短信发送成功!"}, "staus[SUCCESS] message[ok]"},
        // Without a status of its own an answer repeats no earlier verdict.
        {FakeGateway::send_answer(rt::null, "later", "930", "T3", "3"), {}, "staus[] message[later]"},
        {FakeGateway::send_answer("Faild", "余额不足", rt::null, rt::null, rt::null), {"短信发送失败!"},
         "staus[Faild] message[余额不足]"},
        {FakeGateway::send_answer("ok", "?", "2", "T4", "2"), {}, "staus[ok] message[?]"},
    };
    std::string log;
    with_window([&](w_sms_new& w) {
        w.dw_list.ImportString("13800000000\r\n13800000001");
        for (const auto& s : steps) {
            gateway.script("send", s.answer);
            send(w, "hi");
            std::vector<std::string> expected{"确定要执行发送操作吗？"};
            expected.insert(expected.end(), s.boxes.begin(), s.boxes.end());
            EXPECT_EQ(box_texts(), expected);
            log += log_entry("发送短信\t" + s.logged + "\t合计[2]");
        }
        EXPECT_EQ(w.remainpoint, "2");
        EXPECT_EQ(w.taskid, "T4");
        EXPECT_EQ(w.successcounts, "2");
    });
    EXPECT_EQ(today_log(), log);
}

TEST_F(SmsNew, BatchesLogEachAnswerAndPassOverAnUnreadableOne) {
    std::vector<std::size_t> seen;
    with_window([&](w_sms_new& w) {
        w.dw_list.ImportString(lines(numbers(0, 8001)));
        // Between the first and the second batch the gateway starts to
        // answer garbage, and mends itself before the third.
        rt::PostEvent(w, [&] {
            seen.push_back(gateway.request_count());
            gateway.fail(FakeGateway::Failure::malformed_xml);
            rt::PostEvent(w, [&] {
                seen.push_back(gateway.request_count());
                gateway.fail(FakeGateway::Failure::none);
            });
        });
        send(w, "hi");
    });
    EXPECT_EQ(seen, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(gateway.request_count(), 3u);
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"确定要执行发送操作吗？", "短信发送完成,请核实!"}));
    EXPECT_EQ(today_log(), log_entry("发送短信\tstaus[Success] message[提交成功]\t合计[4000]") +
                               log_entry("发送短信\tstaus[Success] message[提交成功]\t合计[1]"));
}

TEST_F(SmsNew, ManualModeReplacesTheListEvenWhenTheSendStops) {
    gnv_app->password = "";
    with_window([&](w_sms_new& w) {
        w.dw_list.ImportString("9\r\n9\r\n9\r\n9");
        w.cbx_1.box()->click();
        w.mle_num.set_text("13800000001\r\n13800000002\t甲\r\n13800000003");
        send(w, "hi");
        ASSERT_EQ(w.dw_list.RowCount(), 3);
        EXPECT_EQ(w.dw_list.GetItemString(2, "mobile"), "13800000002");
        gnv_app->password = "pw";
        send(w, "hi");
    });
    EXPECT_EQ(std::string(gateway.last_request().body), body("13800000001,13800000002,13800000003", "【乙】hi"));
}

TEST_F(SmsNew, MeddlingWhileBatchesGoOutChangesNothingSent) {
    // What the user could press between two batches, were it not locked.
    dir.write("more.txt", "1\r\n2\r\n");
    dialog->chosen = dir.program() + "\\more.txt";
    clip->held = "3";
    const std::vector<std::string> list = numbers(0, 12001);
    int runs = 0;
    with_window([&](w_sms_new& w) {
        w.dw_list.ImportString(lines(list));
        select(w.sle_signature, "甲");
        std::function<void()> meddle = [&] {
            ++runs;
            EXPECT_TRUE(w.sending());
            EXPECT_FALSE(w.cb_snd.enabled());
            w.cb_import_file.button()->click();
            w.cb_import_clipboard.button()->click();
            w.cbx_1.box()->click();
            // A clicked event reaches the handlers all the same (a posted
            // call, TriggerEvent): they refuse, and the send stays guarded.
            w.cb_snd.TriggerEvent(rt::Event::clicked);
            w.cb_import_file.TriggerEvent(rt::Event::clicked);
            w.cb_import_clipboard.TriggerEvent(rt::Event::clicked);
            EXPECT_TRUE(w.sending());
            EXPECT_FALSE(w.cb_close.enabled());
            w.cb_close.button()->click();
            QCloseEvent close_box;
            QApplication::sendEvent(w.widget(), &close_box);
            EXPECT_EQ(rt::Close(w), -1);
            // The list can be looked at but no cell opens for editing.
            EXPECT_TRUE(w.dw_list.readonly());
            w.dw_list.grid()->edit(w.dw_list.grid()->model()->index(0, 0));
            EXPECT_EQ(w.dw_list.grid()->viewport()->findChild<QLineEdit*>(), nullptr);
            // The message and the signature still take input.
            type(w.mle_msg, " changed");
            select(w.sle_signature, "乙");
            if (runs < 3) rt::PostEvent(w, meddle);
        };
        rt::PostEvent(w, meddle);
        send(w, "hello");

        EXPECT_TRUE(w.is_open());
        EXPECT_FALSE(w.sending());
        EXPECT_EQ(w.dw_list.RowCount(), 12001);
        EXPECT_FALSE(w.cbx_1.checked());
        EXPECT_TRUE(w.dw_list.visible());
        EXPECT_EQ(w.st_total.text(), "合计");
        for (rt::Control* c : std::initializer_list<rt::Control*>{&w.cb_snd, &w.cb_import_file, &w.cb_import_clipboard,
                                                                  &w.cbx_1, &w.cb_close, &w.dw_list})
            EXPECT_TRUE(c->enabled());
        EXPECT_FALSE(w.dw_list.readonly());
        // Once the send is over the window closes as usual.
        EXPECT_EQ(rt::Close(w), 1);
    });
    EXPECT_EQ(runs, 3);
    EXPECT_TRUE(dialog->calls.empty());
    const auto requests = gateway.requests();
    ASSERT_EQ(requests.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(std::string(requests[k].body), body(joined(list, k * 4000, 4000), "【甲】hello"));
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"确定要执行发送操作吗？", "短信发送完成,请核实!"}));
}

// Note 2 invites commas: a typed or imported line of many numbers is one
// row, however long, and the gateway receives every number in it.
TEST_F(SmsNew, LinesOfManyNumbersAreTakenWhole) {
    const std::vector<std::string> list = numbers(0, 400);
    const std::string line = joined(list, 0, list.size()); // 4799 bytes
    dir.write("one_line.txt", line + "\r\n13900000000\r\n");
    dialog->chosen = dir.program() + "\\one_line.txt";
    with_window([&](w_sms_new& w) {
        w.cb_import_file.button()->click();
        EXPECT_EQ(w.st_total.text(), "合计:2");
        EXPECT_EQ(w.dw_list.GetItemString(1, "mobile"), line);
        w.cbx_1.box()->click();
        w.mle_num.set_text(line + "\r\n13900000001");
        send(w, "hi");
        EXPECT_EQ(w.dw_list.RowCount(), 2);
    });
    EXPECT_EQ(std::string(gateway.last_request().body), body(line + ",13900000001", "【乙】hi"));
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"确定要执行发送操作吗？", "短信发送成功!"}));
}

TEST_F(SmsNew, Screenshot) {
    gnv_app->signature = "澄渊达;岚舟汇";
    dir.write("velotra.ini", "[cfg]\r\nsignature_current=澄渊达\r\n");
    with_window([&](w_sms_new& w) {
        type(w.mle_msg, "尊敬的客户，您好！本周六上午十点门店开业，凭短信到店领取礼品一份。");
        clip->held = lines(numbers(0, 23));
        w.cb_import_clipboard.button()->click();
        EXPECT_TRUE(rt::save_png(w, (screenshots_folder() / "w_sms_new.png").string()));
        w.cbx_1.box()->click();
        w.mle_num.set_text("13800000001\r\n13800000002");
        EXPECT_TRUE(rt::save_png(w, (screenshots_folder() / "w_sms_new_manual.png").string()));
    });
}

