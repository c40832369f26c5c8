// The Qt realisation of the notification area: what it makes of the
// record's tip and icon handle, and its answer on a desktop without a tray.
#include "runtime/ui/qt_tray.h"

#include "runtime/gbk.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/window.h"
#include "tests/support/scripted.h"

#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

TEST(QtTray, TipLineEndsBecomeOneBreakEach) {
    struct {
        std::string gbk;
        QString shown;
    } cases[] = {
        {"双击左键还原窗口\n\r单击右键弹出快捷菜单", rt::qstr("双击左键还原窗口") + "\n" + rt::qstr("单击右键弹出快捷菜单")},
        {"a\r\nb", "a\nb"},
        {"a\nb\rc", "a\nb\nc"},
        {"a\n\n\rb", "a\n\nb"},
        {"plain", "plain"},
    };
    for (const auto& c : cases) EXPECT_EQ(rt::tray_tip(c.gbk), c.shown) << c.gbk;
}

TEST(QtTray, PictureOfAHandle) {
    testing_support::TempProgramFolder dir;
    const char* source = std::getenv("VELOTRA_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    std::ifstream in(std::filesystem::path(source) / rt::gbk_to_utf8("res/澄渊达.ico"), std::ios::binary);
    dir.write("a.ico", {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    const QIcon file = rt::tray_picture(rt::LoadImage(dir.program() + "\\a.ico", rt::image_icon));
    EXPECT_FALSE(file.isNull());
    // The program's own icon stands in for a handle that names nothing.
    EXPECT_FALSE(rt::tray_picture(0).isNull());
    EXPECT_FALSE(rt::tray_picture(rt::ExtractIcon(rt::GetModuleFileName(), 0)).isNull());
}

TEST(QtTray, WithoutANotificationAreaNothingIsAdded) {
    rt::QtTray tray;
    if (tray.available()) GTEST_SKIP() << "this desktop has a notification area";
    struct Owner final : rt::Window {};
    Owner w;
    rt::Open(w);
    rt::NotifyIconData d;
    d.hwnd = rt::Handle(w);
    d.uid = 100;
    d.uflags = rt::nif_message | rt::nif_icon | rt::nif_tip;
    EXPECT_FALSE(tray.notify_icon(rt::nim_add, d));
    EXPECT_EQ(tray.icon(d.hwnd, 100), nullptr);
    EXPECT_FALSE(tray.notify_icon(rt::nim_modify, d));
    EXPECT_FALSE(tray.notify_icon(rt::nim_delete, d));
    rt::Close(w);
}
