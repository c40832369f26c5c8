// The notification-area icon against a recorded tray: the record each
// operation hands over, the guards, the icon lookup and the text cuts.
#include "shell/xu_icontray.h"

#include "runtime/tray.h"
#include "runtime/ui/window.h"
#include "tests/shell/shell_fixture.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>

using testing_support::RecordedTray;
using testing_support::TempProgramFolder;

namespace {

struct Owner final : rt::Window {
    Owner() { set_title("owner"); }
};

// An icon or cursor directory header that holds `images` images.
std::string directory(unsigned kind, unsigned images) {
    return std::string("\0\0", 2) + static_cast<char>(kind) + '\0' + static_cast<char>(images) + '\0' +
           std::string(16 * images, '\x10');
}

struct IconTray : ::testing::Test {
    TempProgramFolder dir;
    RecordedTray tray;
    Owner win;
    void SetUp() override { rt::Open(win); }
    void TearDown() override { rt::Close(win); }

    std::string own_tip() const { return "双击左键还原窗口\n\r单击右键弹出快捷菜单"; }
};

} // namespace

TEST_F(IconTray, AddHandsTheWholeRecordAndShowsTheBalloon) {
    dir.write("res/a.ico", app_icon());
    {
        xu_icontray icon;
        icon.add_icon(dir.program() + "\\res\\a.ico", own_tip(), win, "欢迎使用", "澄渊达通讯平台");
        ASSERT_EQ(tray.calls().size(), 1u);
        const auto& [message, d] = tray.calls()[0];
        EXPECT_EQ(message, rt::nim_add);
        EXPECT_EQ(d.cbsize, 488u);
        EXPECT_EQ(d.hwnd, rt::Handle(win));
        EXPECT_NE(d.hwnd, 0u);
        EXPECT_EQ(d.uid, 100u);
        EXPECT_EQ(d.uflags, 23u);
        EXPECT_EQ(d.ucallbackmessage, 1024u);
        const auto source = rt::icon_source(d.hicon);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->path, dir.program() + "\\res\\a.ico");
        // The tip keeps the LF CR pair: 38 bytes.
        EXPECT_EQ(rt::field_text(d.sztip), own_tip());
        EXPECT_EQ(rt::field_text(d.sztip).size(), 38u);
        EXPECT_EQ(rt::field_text(d.szinfo), "澄渊达通讯平台");
        EXPECT_EQ(rt::field_text(d.szinfotitle), "欢迎使用");
        EXPECT_EQ(d.utimeoutorversion, 15000u);
        EXPECT_EQ(d.dwinfoflags, 1u);
        EXPECT_EQ(d.dwstate, 0u);
        EXPECT_TRUE(icon.trayexists());

        // A second add of either form changes nothing.
        icon.add_icon("", "other", win, "t", "b");
        icon.add_icon("", "other", win);
        EXPECT_EQ(tray.calls().size(), 1u);

        icon.show_balloontip("欢迎使用", "澄渊达通讯平台 已经最小化到这里");
        ASSERT_EQ(tray.calls().size(), 2u);
        const auto& [m2, b] = tray.calls()[1];
        EXPECT_EQ(m2, rt::nim_modify);
        EXPECT_EQ(b.uflags, 23u);
        EXPECT_EQ(rt::field_text(b.szinfo), "澄渊达通讯平台 已经最小化到这里");
        EXPECT_EQ(rt::field_text(b.sztip), own_tip());
        EXPECT_EQ(b.utimeoutorversion, 15000u);

        icon.modify_tip("新");
        EXPECT_EQ(tray.calls().back().data.uflags, 4u);
        EXPECT_EQ(rt::field_text(tray.calls().back().data.sztip), "新");
        icon.modify_icon("");
        EXPECT_EQ(tray.calls().back().data.uflags, 2u);
        EXPECT_TRUE(rt::icon_source(tray.calls().back().data.hicon)->own);
        tray.clear();
    }
    // The object's end takes the icon out, naming it by window and id.
    ASSERT_EQ(tray.calls().size(), 1u);
    EXPECT_EQ(tray.calls()[0].message, rt::nim_delete);
    EXPECT_EQ(tray.calls()[0].data.hwnd, rt::Handle(win));
    EXPECT_EQ(tray.calls()[0].data.uid, 100u);
    EXPECT_FALSE(tray.shown());
}

TEST_F(IconTray, ThreeArgumentAddLeavesTheBalloonFieldsUnset) {
    xu_icontray icon;
    icon.add_icon("", "tip", win);
    ASSERT_EQ(tray.calls().size(), 1u);
    EXPECT_EQ(tray.calls()[0].data.uflags, 7u);
    icon.show_balloontip("t", "b");
    const auto& d = tray.calls().back().data;
    EXPECT_EQ(d.utimeoutorversion, 0u);
    EXPECT_EQ(d.dwinfoflags, 0u);
}

TEST_F(IconTray, ChangesNeedAnIconAndEndingCallsTheTrayOnce) {
    {
        xu_icontray icon;
        icon.show_balloontip("t", "b");
        icon.modify_icon("x.ico");
        icon.modify_tip("tip");
        icon.del_icon();
        EXPECT_TRUE(tray.calls().empty());
        icon.add_icon("", "tip", win, "t", "b");
        icon.del_icon();
        EXPECT_FALSE(icon.trayexists());
        tray.clear();
        icon.show_balloontip("t", "b");
        icon.del_icon();
        EXPECT_TRUE(tray.calls().empty());
        // Added again with the values then given.
        icon.add_icon("", "again", win);
        EXPECT_EQ(rt::field_text(tray.calls().back().data.sztip), "again");
        icon.del_icon();
        tray.clear();
    }
    EXPECT_TRUE(tray.calls().empty());
}

TEST_F(IconTray, WithoutANotificationAreaNothingReachesTheTray) {
    tray.available = false;
    {
        xu_icontray icon;
        icon.add_icon("", "tip", win, "t", "b");
        icon.show_balloontip("t", "b");
        icon.modify_tip("tip");
        EXPECT_FALSE(icon.trayexists());
    }
    EXPECT_TRUE(tray.calls().empty());
}

TEST_F(IconTray, AnIconTheTrayRefusedIsNoIcon) {
    tray.accept = false;
    {
        xu_icontray icon;
        icon.add_icon("", "tip", win, "t", "b");
        EXPECT_FALSE(icon.trayexists());
        icon.show_balloontip("t", "b");
        EXPECT_EQ(tray.calls().size(), 1u);
        // A later add tries again.
        tray.accept = true;
        icon.add_icon("", "tip", win, "t", "b");
        EXPECT_TRUE(icon.trayexists());
    }
    EXPECT_EQ(tray.calls().back().message, rt::nim_delete);
}

TEST_F(IconTray, IconLookup) {
    const std::string ico = app_icon();
    dir.write("a.ico", ico);
    dir.write("b.ICO", ico);
    dir.write("c.Ico", ico);
    dir.write("arrow.cur", directory(2, 1));
    dir.write("busy.ANI", std::string("RIFF\x10\0\0\0ACONanih", 16));
    dir.write("app.exe", directory(1, 3));
    dir.write("notes.txt", "no icons here");
    dir.write("fake.ico", "not an icon");
    const std::string p = dir.program() + "\\";
    struct {
        std::string name;
        bool own;
        std::string path;
        unsigned type, index;
    } cases[] = {
        {p + "a.ico", false, p + "a.ico", rt::image_icon, 0},
        {p + "b.ICO", false, p + "b.ICO", rt::image_icon, 0},
        {p + "c.Ico", false, p + "c.Ico", rt::image_icon, 0},
        {p + "arrow.cur", false, p + "arrow.cur", rt::image_cursor, 0},
        {p + "busy.ANI", false, p + "busy.ANI", rt::image_cursor, 0},
        {p + "app.exe,2", false, p + "app.exe", rt::image_icon, 2},
        {p + "app.exe", false, p + "app.exe", rt::image_icon, 0},
        {p + "app.exe,abc", false, p + "app.exe", rt::image_icon, 0},
        // Whatever gives no picture falls back to the program's own icon.
        {p + "app.exe,7", true, "", rt::image_icon, 0},
        {p + "missing.ico", true, "", rt::image_icon, 0},
        {p + "fake.ico", true, "", rt::image_icon, 0},
        {p + "notes.txt", true, "", rt::image_icon, 0},
        {"AppIcon!", true, "", rt::image_icon, 0},
        {"", true, "", rt::image_icon, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        xu_icontray icon;
        icon.add_icon(c.name, "tip", win);
        const auto source = rt::icon_source(icon.record().hicon);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->own, c.own);
        EXPECT_EQ(source->path, c.path);
        EXPECT_EQ(source->type, c.type);
        EXPECT_EQ(source->index, c.index);
    }
}

TEST_F(IconTray, LongTextsAreCutOnAWholeCharacter) {
    auto chars = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += "啊";
        return s;
    };
    struct {
        std::string text;
        std::size_t field, kept;
    } cases[] = {
        // 127 bytes fit before the zero byte: "a" and 63 characters.
        {"a" + chars(80), 128, 127},
        // "ab" and 62 characters is 126 bytes; one more would need 128.
        {"ab" + chars(80), 128, 126},
        {std::string(300, 'x'), 256, 255},
        {chars(40), 64, 62},
        {"short", 64, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kept);
        char field[256];
        std::fill(std::begin(field), std::end(field), 'z');
        rt::set_field(field, c.field, c.text);
        const std::string kept(field);
        EXPECT_EQ(kept.size(), c.kept);
        EXPECT_EQ(kept, c.text.substr(0, c.kept));
    }
    xu_icontray icon;
    icon.add_icon("", "ab" + chars(80), win, chars(40), std::string(300, 'x'));
    EXPECT_EQ(rt::field_text(icon.record().sztip), "ab" + chars(62));
    EXPECT_EQ(rt::field_text(icon.record().szinfotitle), chars(31));
    EXPECT_EQ(rt::field_text(icon.record().szinfo).size(), 255u);
}
