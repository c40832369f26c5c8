// The window half's services: message boxes with Chinese captions and safe
// Esc answers, the original file-filter syntax, the clipboard.
#include "runtime/ui/qt_text.h"
#include "runtime/ui/ui_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Acts on the message box once it is up (it runs a loop of its own).
void when_box_shows(std::function<void(QMessageBox&)> act) {
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(*box);
    });
}

void press(QWidget& w, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

TEST(UiServices, MessageBoxEscNeverAnswersYes) {
    struct Case {
        rt::Buttons buttons;
        int esc;
    } cases[] = {{rt::Buttons::OK, 1},          {rt::Buttons::OKCancel, 2},
                 {rt::Buttons::YesNo, 2},       {rt::Buttons::YesNoCancel, 3},
                 {rt::Buttons::RetryCancel, 2}, {rt::Buttons::AbortRetryIgnore, 1}};
    rt::QtMessageBoxes boxes;
    for (const auto& c : cases) {
        when_box_shows([](QMessageBox& b) { press(b, Qt::Key_Escape); });
        EXPECT_EQ(boxes.show("t", "x", rt::Icon::Question, c.buttons, 1), c.esc) << int(c.buttons);
    }
}

TEST(UiServices, MessageBoxShowsChineseCaptionsAndAnswersTheButtonPressed) {
    rt::QtMessageBoxes boxes;
    QStringList captions;
    QString title, text;
    when_box_shows([&](QMessageBox& b) {
        title = b.windowTitle();
        text = b.text();
        for (QAbstractButton* btn : b.buttons()) captions << btn->text();
        // The default is the second button: Enter presses it.
        press(b, Qt::Key_Return);
    });
    EXPECT_EQ(boxes.show("澄渊达通讯平台", "确定要执行发送操作吗？", rt::Icon::Question, rt::Buttons::YesNo, 2), 2);
    EXPECT_EQ(title, rt::qstr("澄渊达通讯平台"));
    EXPECT_EQ(text, rt::qstr("确定要执行发送操作吗？"));
    EXPECT_TRUE(captions.contains(rt::qstr("是(&Y)")));
    EXPECT_TRUE(captions.contains(rt::qstr("否(&N)")));

    // The answer is the button's place in the set, whatever order Qt lays them out in.
    when_box_shows([](QMessageBox& b) {
        for (QAbstractButton* btn : b.buttons())
            if (btn->text() == rt::qstr("取消")) btn->click();
    });
    EXPECT_EQ(boxes.show("t", "x", rt::Icon::Exclamation, rt::Buttons::OKCancel, 1), 2);
}

// A box is at least as wide as its whole title and the title bar's icon
// and buttons, so the window manager never cuts the application's name.
TEST(UiServices, MessageBoxIsWideEnoughForItsTitle) {
    rt::QtMessageBoxes boxes;
    for (const char* title : {"澄渊达通讯平台", "澄渊达通讯平台 - 发送任务提交结果与余额查询"}) {
        int width = 0, needed = 0;
        when_box_shows([&](QMessageBox& b) {
            width = b.width();
            needed = b.fontMetrics().horizontalAdvance(b.windowTitle()) + 100;
            press(b, Qt::Key_Return);
        });
        boxes.show(title, "x", rt::Icon::None, rt::Buttons::OK, 1);
        EXPECT_GE(width, needed) << title;
    }
}

TEST(UiServices, FileFilterPairsCaptionsWithPatterns) {
    const auto f = rt::parse_file_filter("txt Files (*.txt;),*.txt,All Files (*.*), *.*");
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].caption, "txt Files (*.txt;)");
    EXPECT_EQ(f[0].globs, (std::vector<std::string>{"*.txt"}));
    EXPECT_EQ(f[1].globs, (std::vector<std::string>{"*.*"}));
    EXPECT_EQ(rt::qt_name_filters("txt Files (*.txt;),*.txt,All Files (*.*), *.*"),
              (QStringList{"txt Files (*.txt)", "All Files (*.*)"}));
    EXPECT_EQ(rt::qt_name_filters("Excel,*.xls;*.xlsx,odd"), (QStringList{"Excel (*.xls *.xlsx)"}));
}

// The open dialog speaks Chinese on a desktop without Qt's translations, and
// cancelling it answers 0 with the path left alone.
TEST(UiServices, FileDialogLabelsAreChinese) {
    QStringList labels, buttons;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        for (QLabel* l : dlg->findChildren<QLabel*>()) labels << l->text();
        for (QPushButton* b : dlg->findChildren<QPushButton*>()) buttons << b->text();
        dlg->reject();
    });
    rt::QtFileDialog files;
    std::string path = "keep", name;
    EXPECT_EQ(files.get_file_open_name("文件选择", path, name, "xls", "Excel Files (*.xls;*.xlsx),*.xls;*.xlsx", ""), 0);
    EXPECT_EQ(path, "keep");
    for (const char* want : {"查找范围(&I):", "文件名(&N):", "文件类型(&T):"})
        EXPECT_TRUE(labels.contains(rt::qstr(want))) << labels.join('|').toStdString();
    EXPECT_TRUE(buttons.contains(rt::qstr("取消"))) << buttons.join('|').toStdString();
    for (const QString& t : labels + buttons) {
        EXPECT_FALSE(t.contains("File name")) << t.toStdString();
        EXPECT_FALSE(t.contains("Cancel")) << t.toStdString();
    }
}

// Qt's own messages follow once the services are in, where the desktop
// holds Qt's Chinese catalogue (the setup installs it).
TEST(UiServices, QtOwnTextsAreChineseOnceInstalled) {
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_zh_CN.qm"))
        GTEST_SKIP() << "no Chinese catalogue of Qt on this desktop";
    rt::install_ui_services();
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    EXPECT_NE(cancel, "Cancel");
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
}

TEST(UiServices, ClipboardCarriesGbkText) {
    rt::QtClipboard clip;
    clip.set_text("13800138000\r\n手机");
    EXPECT_EQ(clip.text(), rt::nstring("13800138000\r\n手机"));
    clip.clear();
    EXPECT_FALSE(clip.text());
}

} // namespace
