// The control wrappers: GBK text in and out, byte positions, list rules,
// multi-line edits and the order of check-box events.
#include "runtime/strings.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/window.h"
#include "tests/support/scripted.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace {

void type_text(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

TEST(UiControls, TextsAreGbkBothWays) {
    rt::Window w;
    rt::StaticText st{&w, "企业  ID："};
    EXPECT_EQ(st.label()->text(), QString::fromUtf16(u"\u4f01\u4e1a  ID\uff1a"));
    EXPECT_EQ(st.text(), "企业  ID：");
    rt::SingleLineEdit sle{&w};
    sle.edit()->setText(QString::fromUtf16(u"\u5bc6\u7801"));
    EXPECT_EQ(sle.text(), "密码");
}

TEST(UiControls, SelectTextCountsBytesAndTakesSplitCharactersWhole) {
    rt::Window w;
    rt::SingleLineEdit sle{&w, "企业ab"}; // bytes: 2 + 2 + 1 + 1
    struct Case {
        long start, length;
        std::string selected;
    } cases[] = {
        {1, 28, "企业ab"}, // longer than the text: all of it
        {1, 2, "企"},
        {1, 3, "企业"},    // ends inside 业
        {3, 3, "业a"},
        {5, 1, "a"},
        {1, 0, ""},
    };
    for (const auto& c : cases) {
        sle.SelectText(c.start, c.length);
        EXPECT_EQ(sle.SelectedText(), c.selected) << c.start << "," << c.length;
    }
}

// The clipboard service a test installs: what the edits copy and paste.
struct ScriptedClipboard final : rt::Clipboard {
    rt::nstring held;
    rt::nstring text() override { return held; }
    void set_text(const std::string& t) override { held = t; }
    void clear() override { held = rt::null; }
};

TEST(UiControls, EditClipboardGoesThroughTheServiceAndClearTakesOnlyTheSelection) {
    auto owned = std::make_unique<ScriptedClipboard>();
    ScriptedClipboard& cb = *owned;
    auto previous = rt::set_clipboard(std::move(owned));
    rt::Window w;
    rt::SingleLineEdit sle{&w, "企业ab"};
    sle.edit()->deselect();
    sle.edit()->setCursorPosition(0);
    EXPECT_EQ(sle.Clear(), 0); // no selection: nothing is deleted
    EXPECT_EQ(sle.Copy(), 0);
    EXPECT_EQ(sle.text(), "企业ab");
    sle.SelectText(1, 4);
    EXPECT_EQ(sle.Cut(), 4);
    EXPECT_EQ(cb.held, rt::nstring("企业"));
    EXPECT_EQ(sle.text(), "ab");
    cb.held = "短信";
    sle.SelectText(2, 1);
    EXPECT_EQ(sle.Paste(), 4);
    EXPECT_EQ(sle.text(), "a短信");
    sle.set_password(true);
    sle.SelectText(1, 5);
    EXPECT_EQ(sle.Copy(), 0); // a password is never copied
    EXPECT_EQ(cb.held, rt::nstring("短信"));
    rt::set_clipboard(std::move(previous));
}

// Of a paste with line breaks a single-line edit keeps the first line,
// whether the program pastes (Paste, through the service) or the user does
// (the edit's own paste key, from the desktop's clipboard).
TEST(UiControls, SingleLineEditKeepsTheFirstLineOfAPaste) {
    auto owned = std::make_unique<ScriptedClipboard>();
    ScriptedClipboard& cb = *owned;
    auto previous = rt::set_clipboard(std::move(owned));
    const struct {
        std::string pasted, text;
    } cases[] = {
        {"甲乙\r\n丙", "a甲乙b"}, {"甲\n乙\n丙", "a甲b"}, {"甲\r乙", "a甲b"}, {"\r\n乙", "ab"}, {"甲乙", "a甲乙b"},
    };
    rt::Window w;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pasted);
        for (bool by_key : {false, true}) {
            rt::SingleLineEdit sle{&w, "ab"};
            sle.edit()->setCursorPosition(1);
            if (by_key) {
                QGuiApplication::clipboard()->setText(rt::qstr(c.pasted));
                QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
                QApplication::sendEvent(sle.edit(), &paste);
            } else {
                cb.held = c.pasted;
                sle.Paste();
            }
            EXPECT_EQ(sle.text(), c.text) << (by_key ? "by key" : "Paste");
        }
    }
    rt::set_clipboard(std::move(previous));
}

TEST(UiControls, MultiLineEditUsesCrLfAndRaisesChangedOnlyForTheUser) {
    rt::Window w;
    rt::MultiLineEdit mle{&w};
    int changed = 0;
    mle.on_changed = [&] { ++changed; };
    mle.set_text("第一行\r\n第二行");
    EXPECT_EQ(mle.edit()->toPlainText(), QString::fromUtf16(u"\u7b2c\u4e00\u884c\n\u7b2c\u4e8c\u884c"));
    EXPECT_EQ(mle.text(), "第一行\r\n第二行");
    EXPECT_EQ(changed, 0);
    mle.edit()->moveCursor(QTextCursor::End);
    type_text(mle.edit(), "x");
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(mle.text(), "第一行\r\n第二行x");
}

TEST(UiControls, MultiLineEditLimitCountsCharacters) {
    rt::Window w;
    rt::MultiLineEdit mle{&w};
    mle.set_limit(3);
    type_text(mle.edit(), QString::fromUtf16(u"\u77ed\u4fe1ab")); // four characters typed
    EXPECT_EQ(mle.text(), "短信a");
}

// The limit counts a line break as CR LF, two characters, as the text and
// the send window's counter do; what GBK cannot hold is never taken.
TEST(UiControls, MultiLineEditLimitCountsLineBreaksAsTwoAndRefusesWhatGbkCannotHold) {
    rt::Window w;
    const struct {
        int limit;
        QString pasted;
        std::string text;
    } cases[] = {
        {5, "ab\ncd", "ab\r\nc"},
        {4, "ab\ncd", "ab\r\n"},
        {3, "ab\ncd", "ab"},
        {0, QString::fromUtf16(u"a\U0001F600\u77ed\uFFFDb\n\u00E9"), "a短b\r\n\xA8\xA6"},
        {3, QString::fromUtf16(u"\U0001F600\U0001F600abcd"), "abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        rt::MultiLineEdit mle{&w};
        mle.set_limit(c.limit);
        mle.edit()->insertPlainText(c.pasted);
        EXPECT_EQ(mle.text(), c.text);
    }
    // 300 characters with 30 line breaks: what the edit keeps is what the
    // counter counts, 300.
    rt::MultiLineEdit mle{&w};
    mle.set_limit(300);
    QString lines;
    for (int i = 0; i < 30; ++i) lines += QString(9, QChar('x')) + QChar('\n');
    lines += QString(30, QChar('y'));
    mle.edit()->insertPlainText(lines);
    EXPECT_EQ(rt::CharCount(mle.text()), 300);
}

TEST(UiControls, CheckBoxClickedSeesTheNewState) {
    rt::Window w;
    rt::CheckBox cbx{&w, "切换为手工输入模式"};
    std::vector<bool> seen;
    cbx.on_clicked = [&] { seen.push_back(cbx.checked()); };
    cbx.box()->click();
    cbx.box()->click();
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST(UiControls, SortedDropDownKeepsOrderAndFindsByPrefix) {
    rt::Window w;
    rt::DropDownListBox ddlb{&w};
    ddlb.set_sorted(true);
    for (const char* s : {"2024-03-02.txt", "2024-01-09.txt", "2024-03-01.txt"}) ddlb.AddItem(s);
    EXPECT_EQ(ddlb.Text(1), "2024-01-09.txt");
    EXPECT_EQ(ddlb.Text(3), "2024-03-02.txt");
    EXPECT_EQ(ddlb.SelectedIndex(), -1);
    EXPECT_EQ(ddlb.text(), "");
    EXPECT_EQ(ddlb.FindItem("2024-03", 0), 2);
    EXPECT_EQ(ddlb.FindItem("2024-03", 2), 3);
    EXPECT_EQ(ddlb.FindItem("2025", 0), -1);
    EXPECT_EQ(ddlb.SelectItem(ddlb.FindItem("2024-03-02.txt", 0)), 3);
    EXPECT_EQ(ddlb.text(), "2024-03-02.txt");
    EXPECT_EQ(ddlb.SelectItem("2024-01", 0), 1);
    EXPECT_EQ(ddlb.SelectItem("none", 0), 0);
    // A text with no entry is shown without a selection.
    ddlb.set_text("澄渊达");
    EXPECT_EQ(ddlb.SelectedIndex(), -1);
    EXPECT_EQ(ddlb.text(), "澄渊达");
}

TEST(UiControls, UnsortedListKeepsAddOrder) {
    rt::Window w;
    rt::ListBox lb{&w};
    for (const char* s : {"乙", "甲", "乙"}) lb.AddItem(s);
    EXPECT_EQ(lb.TotalItems(), 3);
    EXPECT_EQ(lb.Text(1), "乙");
    EXPECT_EQ(lb.Text(2), "甲");
    EXPECT_EQ(lb.SelectedIndex(), -1);
    EXPECT_EQ(lb.DeleteItem(1), 2);
    EXPECT_EQ(lb.DeleteItem(7), -1);
    lb.SelectItem(2);
    EXPECT_EQ(lb.text(), "乙");
}

TEST(UiControls, DirListListsMatchingFilesOnly) {
    testing_support::TempProgramFolder dir;
    dir.write("log/2024-01-02.txt", "a");
    dir.write("log/\xe6\x97\xa5\xe5\xbf\x97.txt", "b"); // a Chinese file name
    dir.write("log/other.log", "c");
    dir.write("log/sub.txt/inner", "d");               // a folder named like a match
    rt::Window w;
    rt::DropDownListBox ddlb{&w};
    ddlb.set_sorted(true);
    ASSERT_TRUE(ddlb.DirList(dir.program() + "\\log\\*.txt", 0));
    ASSERT_EQ(ddlb.TotalItems(), 2);
    EXPECT_EQ(ddlb.Text(1), "2024-01-02.txt");
    EXPECT_EQ(ddlb.Text(2), "日志.txt");
    EXPECT_FALSE(ddlb.DirList(dir.program() + "\\missing\\*.txt", 0));
}

TEST(UiControls, ControlsOnTabPagesBelongToTheWindow) {
    rt::Window w;
    rt::Tab tab{&w};
    rt::TabPage page1{&tab, "帐号设置"};
    rt::TabPage page2{&tab, "签名设置"};
    rt::CommandButton cb{&page2, "添加签名"};
    EXPECT_EQ(cb.parent_window(), &w);
    EXPECT_EQ(tab.page_count(), 2);
    EXPECT_EQ(tab.SelectTab(2), 1);
    EXPECT_EQ(tab.selectedtab(), 2);
    EXPECT_EQ(w.find_control("添加签名"), &cb);
}

TEST(UiControls, ProgressBarClampsToItsRange) {
    rt::Window w;
    rt::HProgressBar hpb{&w};
    hpb.set_range(0, 10);
    hpb.set_position(4);
    EXPECT_EQ(hpb.position(), 4);
    hpb.set_position(40);
    EXPECT_EQ(hpb.position(), 10);
}

TEST(UiControls, ObjectRefKnowsWhenAControlIsGone) {
    rt::Window w;
    rt::ObjectRef ref;
    {
        rt::StaticText st{&w};
        ref = rt::ObjectRef(&st);
        EXPECT_TRUE(ref.valid());
        EXPECT_EQ(w.controls().size(), 1u);
    }
    EXPECT_FALSE(ref.valid());
    EXPECT_TRUE(w.controls().empty());
}

} // namespace
