// The frame in the notification area: the icon set up while the frame
// opens, minimise to tray with its balloon, the icon's mouse messages and
// the tray menu, against a recorded tray.
#include "shell/w_mdi.h"

#include "runtime/tray.h"
#include "runtime/ui/menu.h"
#include "runtime/ui/qt_text.h"
#include "tests/shell/shell_fixture.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr long wm_lbuttonup = 514, wm_lbuttondblclk = 515, wm_rbuttonup = 517;

struct FrameTray : ShellTest {
    w_mdi* open_frame() {
        w_mdi& frame = rt::make_window<w_mdi>();
        rt::Open(frame);
        settle();
        return &frame;
    }
    // The icon's callback, as the tray sends it.
    static void mouse(w_mdi& frame, long message) {
        rt::Send(rt::Handle(frame), rt::user_message, 100, message);
        settle();
    }
    // The user minimises the frame (its title-bar button).
    static void minimise(w_mdi& frame) {
        frame.widget()->setWindowState(frame.widget()->windowState() | Qt::WindowMinimized);
        settle();
    }
    static QAction* item(w_mdi& frame, const std::string& text) {
        QMenu* popup = frame.im_current->m_main.popup();
        if (!popup) return nullptr;
        for (QAction* a : popup->actions())
            if (a->text() == rt::qstr(text)) return a;
        return nullptr;
    }
};

} // namespace

TEST_F(FrameTray, OpeningAddsTheIconWithTipAndWelcomeBalloon) {
    w_mdi* frame = open_frame();
    ASSERT_EQ(tray.calls().size(), 1u);
    const auto& [message, d] = tray.calls()[0];
    EXPECT_EQ(message, rt::nim_add);
    EXPECT_EQ(d.hwnd, rt::Handle(*frame));
    EXPECT_EQ(d.uflags, 23u);
    EXPECT_EQ(rt::field_text(d.sztip), "双击左键还原窗口\n\r单击右键弹出快捷菜单");
    EXPECT_EQ(rt::field_text(d.szinfotitle), "欢迎使用");
    EXPECT_EQ(rt::field_text(d.szinfo), "澄渊达通讯平台");
    const auto source = rt::icon_source(d.hicon);
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->own);
    EXPECT_EQ(source->path, dir.program() + "\\res\\澄渊达.ico");
    EXPECT_TRUE(frame->iuo_icontray->trayexists());

    // Closing the frame takes the icon out of the tray.
    tray.clear();
    rt::Close(*frame);
    ASSERT_EQ(tray.calls().size(), 1u);
    EXPECT_EQ(tray.calls()[0].message, rt::nim_delete);
    EXPECT_FALSE(tray.shown());
}

TEST_F(FrameTray, AMissingIconFileOrNoneGivesTheProgramsOwnIcon) {
    for (const std::string appico : {"res\\missing.ico", ""}) {
        SCOPED_TRACE(appico);
        tray.clear();
        gnv_app->appico = appico;
        w_mdi* frame = open_frame();
        ASSERT_FALSE(tray.calls().empty());
        const auto source = rt::icon_source(tray.calls()[0].data.hicon);
        ASSERT_TRUE(source);
        EXPECT_TRUE(source->own);
        rt::Close(*frame);
    }
}

TEST_F(FrameTray, MinimiseHidesIntoTheTrayAndADoubleClickBringsItBack) {
    w_mdi* frame = open_frame();
    ASSERT_TRUE(frame->visible());
    const rt::WindowState before = frame->windowstate();
    tray.clear();
    minimise(*frame);
    EXPECT_FALSE(frame->visible());
    EXPECT_NE(frame->windowstate(), rt::WindowState::minimized);
    ASSERT_EQ(tray.calls().size(), 1u);
    EXPECT_EQ(tray.calls()[0].message, rt::nim_modify);
    EXPECT_EQ(rt::field_text(tray.calls()[0].data.szinfotitle), "欢迎使用");
    EXPECT_EQ(rt::field_text(tray.calls()[0].data.szinfo), "澄渊达通讯平台 已经最小化到这里");

    // A single click does nothing; a double click shows the frame as it was.
    mouse(*frame, wm_lbuttonup);
    EXPECT_FALSE(frame->visible());
    mouse(*frame, wm_lbuttondblclk);
    EXPECT_TRUE(frame->visible());
    EXPECT_EQ(frame->windowstate(), before);
    mouse(*frame, wm_lbuttondblclk);
    EXPECT_TRUE(frame->visible());

    // Other commands take their usual course.
    EXPECT_EQ(frame->ue_syscommand(rt::sc_maximize, 0, 0), 0);
    EXPECT_EQ(frame->ue_syscommand(rt::sc_minimize + 1, 0, 0), 0);
    EXPECT_TRUE(frame->visible());
    EXPECT_EQ(frame->ue_syscommand(rt::sc_minimize, 0, 0), 1);
    EXPECT_FALSE(frame->visible());
}

TEST_F(FrameTray, WithoutAnIconTheMinimiseTakesItsUsualCourse) {
    struct {
        const char* name;
        bool available, accept;
    } cases[] = {{"no notification area", false, true}, {"icon refused", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tray.available = c.available;
        tray.accept = c.accept;
        tray.clear();
        w_mdi* frame = open_frame();
        EXPECT_FALSE(frame->iuo_icontray->trayexists());
        EXPECT_EQ(frame->ue_syscommand(rt::sc_minimize, 0, 0), 0);
        minimise(*frame);
        EXPECT_EQ(frame->windowstate(), rt::WindowState::minimized);
        // No balloon: nothing after the (refused) add.
        EXPECT_EQ(tray.calls().size(), c.available ? 1u : 0u);
        rt::Close(*frame);
    }
}

TEST_F(FrameTray, TheTrayAskedAtEachMinimiseWhetherItIsStillThere) {
    w_mdi* frame = open_frame();
    ASSERT_TRUE(frame->iuo_icontray->trayexists());
    // The tray's host went away after the icon was added: hidden, the frame
    // would have no icon and no taskbar button.
    tray.available = false;
    tray.clear();
    minimise(*frame);
    EXPECT_TRUE(frame->visible());
    EXPECT_EQ(frame->windowstate(), rt::WindowState::minimized);
    EXPECT_TRUE(tray.calls().empty()) << "no balloon for an icon nobody sees";
    // Back again: the next minimise hides into the tray.
    frame->set_windowstate(rt::WindowState::maximized);
    settle();
    tray.available = true;
    minimise(*frame);
    EXPECT_FALSE(frame->visible());
    ASSERT_EQ(tray.calls().size(), 1u);
    EXPECT_EQ(tray.calls()[0].message, rt::nim_modify);
}

TEST_F(FrameTray, RightClickMenuShowsHidesAndEnds) {
    w_mdi* frame = open_frame();
    mouse(*frame, wm_rbuttonup);
    QMenu* popup = frame->im_current->m_main.popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    QStringList texts;
    for (QAction* a : popup->actions()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{rt::qstr("显示主窗口\tAlt+A"), rt::qstr("隐藏主窗口"), rt::qstr("退出程序")}));
    EXPECT_EQ(frame->im_current->m_main.ParentWindow(), frame);

    // Hide and show run once the item's event has ended.
    item(*frame, "隐藏主窗口")->trigger();
    EXPECT_TRUE(frame->visible());
    settle();
    EXPECT_FALSE(frame->visible());
    item(*frame, "隐藏主窗口")->trigger();
    settle();
    EXPECT_FALSE(frame->visible());

    // The menu opens while the frame is hidden too.
    mouse(*frame, wm_rbuttonup);
    ASSERT_NE(item(*frame, "显示主窗口\tAlt+A"), nullptr);
    item(*frame, "显示主窗口\tAlt+A")->trigger();
    settle();
    EXPECT_TRUE(frame->visible());

    // Ending the program from the hidden frame: it closes at once, its
    // background sheet with it, and the icon leaves the tray.
    item(*frame, "隐藏主窗口")->trigger();
    settle();
    mouse(*frame, wm_rbuttonup);
    tray.clear();
    item(*frame, "退出程序")->trigger();
    EXPECT_FALSE(frame->is_open());
    EXPECT_EQ(w_mdi::current(), nullptr);
    EXPECT_TRUE(rt::open_windows().empty());
    ASSERT_EQ(tray.calls().size(), 1u);
    EXPECT_EQ(tray.calls()[0].message, rt::nim_delete);
    settle();
}

TEST(TaskbarMenu, ItemsInOrder) {
    m_taskbar m;
    ASSERT_EQ(m.items().size(), 1u);
    EXPECT_EQ(m.items()[0], &m.m_main);
    EXPECT_EQ(m.m_main.text(), "main");
    ASSERT_EQ(m.m_main.items().size(), 3u);
    EXPECT_EQ(m.m_main.items()[0], &m.m_show);
    EXPECT_EQ(m.m_main.items()[1], &m.m_beep);
    EXPECT_EQ(m.m_main.items()[2], &m.m_close);
    EXPECT_EQ(m.m_show.shortcut(), 577);
    // Chosen before any pop-up, the items have no window to act on.
    m.m_show.clicked();
    m.m_beep.clicked();
    m.m_close.clicked();
    EXPECT_EQ(m.m_show.ParentWindow(), nullptr);
}
