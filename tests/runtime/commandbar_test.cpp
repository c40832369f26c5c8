// The command-bar control: layouts from a file or a text, refusal of a bad
// one, the free rectangle, and the order of its events.
#include "runtime/ui/commandbar.h"
#include "runtime/profile.h"
#include "runtime/ui/window.h"
#include "tests/support/context_menu.h"
#include "tests/support/scripted.h"

#include <QLabel>
#include <QToolButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string two_bands = "; a comment=with an equals sign\r\n"
                              "[Layout]\r\nBands=Main,StatusBar\r\n"
                              "[Band:Main]\r\nCaption=工具\r\nDock=top\r\nTools=a, b ,a\r\n"
                              "[Band:StatusBar]\r\nDock=Bottom\r\nFlags=0\r\nTools=s1,s2\r\n"
                              "[Tool:a]\r\nCaption=甲\r\nId=7\r\n[Tool:b]\r\nCaption=乙\r\n"
                              "[Tool:s1]\r\nCaption=\r\n[Tool:s2]\r\nCaption=状态\r\n";

struct Bar : ::testing::Test {
    rt::Window w;
    rt::CommandBar bar{&w, {0, 0, 3600, 2400}}; // 800 x 600 pixels
};

TEST_F(Bar, LoadsBandsAndToolsFromAFile) {
    testing_support::TempProgramFolder dir;
    dir.write("bars.tb3", two_bands);
    ASSERT_EQ(bar.load("", dir.program() + "\\bars.tb3", 1), 1);
    ASSERT_EQ(bar.bands().count(), 2u);
    rt::CommandBand* main = bar.bands("Main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->caption(), "工具");
    EXPECT_EQ(main->tool_list().size(), 3u) << "a tool may stand twice in a band";
    EXPECT_EQ(bar.tools().count(), 4u);
    EXPECT_EQ(bar.tools(7L)->name, "a");
    EXPECT_EQ(bar.tools()(std::string("b"))->id, 2);
    EXPECT_EQ(bar.bands("StatusBar")->dockingarea(), rt::DockingArea::bottom);
    EXPECT_EQ(bar.bands("StatusBar")->flags(), 0);
    // The status band is a row of labels, the other a bar of buttons.
    auto* s2 = bar.widget()->findChild<QLabel*>("s2");
    ASSERT_NE(s2, nullptr);
    EXPECT_EQ(s2->text().toStdString(), "\xe7\x8a\xb6\xe6\x80\x81"); // 状态
    EXPECT_EQ(bar.widget()->findChild<QToolButton*>("s2"), nullptr);
    EXPECT_NE(bar.widget()->findChild<QToolButton*>("b"), nullptr);
    // A caption shows at once.
    bar.bands("StatusBar")->tools("s2")->set_caption("新");
    EXPECT_EQ(s2->text().toStdString(), "\xe6\x96\xb0");
    // Missing names give nothing.
    EXPECT_EQ(bar.bands("Nope"), nullptr);
    EXPECT_EQ(main->tools("s1"), nullptr);
}

TEST_F(Bar, FreeRectangleInTwipsBetweenTheBands) {
    ASSERT_EQ(bar.load_text("", two_bands), 1);
    const QWidget* top = bar.bands("Main")->widget();
    const QWidget* bottom = bar.bands("StatusBar")->widget();
    ASSERT_TRUE(top && bottom);
    EXPECT_EQ(top->geometry().top(), 0);
    EXPECT_EQ(top->width(), 800);
    EXPECT_EQ(bottom->geometry().bottom(), 599);
    EXPECT_EQ(bar.clientarealeft(), 0);
    EXPECT_EQ(bar.clientareatop(), top->height() * 15);
    EXPECT_EQ(bar.clientareawidth(), 800 * 15);
    EXPECT_EQ(bar.clientareaheight(), (600 - top->height() - bottom->height()) * 15);
}

TEST_F(Bar, ABadLayoutIsRefusedWholeAndTheBarKeepsWhatItHeld) {
    ASSERT_EQ(bar.load_text("", two_bands), 1);
    const std::string status = "[Band:S]\r\nDock=bottom\r\nTools=x\r\n[Tool:x]\r\nCaption=x\r\n";
    struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"no band list", status},
        {"an empty band list", "[Layout]\r\nBands= , \r\n" + status},
        {"band without a section", "[Layout]\r\nBands=S,T\r\n" + status},
        {"unknown dock side", "[Layout]\r\nBands=S\r\n[Band:S]\r\nDock=float\r\nTools=x\r\n[Tool:x]\r\nCaption=x\r\n"},
        {"tool listed, not defined", "[Layout]\r\nBands=S\r\n[Band:S]\r\nDock=top\r\nTools=x,y\r\n[Tool:x]\r\nCaption=x\r\n"},
        {"band named twice", "[Layout]\r\nBands=S,S\r\n" + status},
        {"flags not a number", "[Layout]\r\nBands=S\r\n[Band:S]\r\nDock=top\r\nFlags=-1\r\nTools=x\r\n[Tool:x]\r\nCaption=x\r\n"},
        {"id not a number", "[Layout]\r\nBands=S\r\n[Band:S]\r\nDock=top\r\nTools=x\r\n[Tool:x]\r\nCaption=x\r\nId=9x\r\n"},
        {"binary junk", std::string("\0\x01\xff[\xfe]=\r\n\x80\x80[Layout\r\nBands\0=S", 28)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(bar.load_text("", c.text), -1);
        EXPECT_NE(bar.bands("Main"), nullptr);
        EXPECT_EQ(bar.tools().count(), 4u);
    }
    EXPECT_EQ(bar.load("", "\\no\\such\\folder\\bars.tb3", 1), -1);
    EXPECT_NE(bar.bands("Main"), nullptr);
}

TEST_F(Bar, ABandNameLoadsThatBandOnly) {
    ASSERT_EQ(bar.load_text("", two_bands), 1);
    const std::string other = "[Layout]\r\nBands=Main,Extra\r\n[Band:Main]\r\nDock=left\r\nTools=c\r\n"
                              "[Band:Extra]\r\nDock=top\r\nTools=c\r\n[Tool:c]\r\nCaption=丙\r\n";
    ASSERT_EQ(bar.load_text("Main", other), 1);
    EXPECT_EQ(bar.bands().count(), 2u);
    EXPECT_EQ(bar.bands("Extra"), nullptr);
    EXPECT_EQ(bar.bands("Main")->dockingarea(), rt::DockingArea::left);
    EXPECT_EQ(bar.bands("Main")->tool_list().front()->name, "c");
    EXPECT_NE(bar.bands("StatusBar"), nullptr);
}

TEST_F(Bar, EventsComeWithTheNewLayoutInPlace) {
    ASSERT_EQ(bar.load_text("", two_bands), 1);
    std::vector<std::string> events;
    long top_seen = -1;
    bar.on_toolclick = [&](rt::CommandTool& t) { events.push_back("click " + t.name); };
    bar.on_tooldblclick = [&](rt::CommandTool& t) { events.push_back("dblclick " + t.name); };
    bar.on_bandclose = [&](rt::CommandBand& b) {
        events.push_back("close " + b.name);
        top_seen = bar.clientareatop();
    };
    bar.on_bandmove = [&](rt::CommandBand& b) {
        events.push_back("move " + b.name);
        top_seen = bar.clientareatop();
    };
    bar.on_resize = [&](long, long t, long, long) {
        events.push_back("resize");
        top_seen = t;
    };
    bool cancel_open = true;
    bar.on_bandopen = [&](rt::CommandBand& b, bool& cancel) {
        events.push_back("open " + b.name);
        cancel = cancel_open;
    };

    bar.widget()->findChild<QToolButton*>("b")->click();
    bar.dblclick(*bar.tools()(std::string("a")));
    ASSERT_TRUE(bar.bands("Main")->move_to(rt::DockingArea::bottom));
    EXPECT_EQ(top_seen, 0);
    ASSERT_TRUE(bar.bands("Main")->move_to(rt::DockingArea::top));
    EXPECT_GT(top_seen, 0);
    EXPECT_FALSE(bar.bands("Main")->move_to(rt::DockingArea::top)) << "already there";
    ASSERT_TRUE(bar.bands("Main")->close());
    EXPECT_EQ(top_seen, 0);
    EXPECT_EQ(bar.bands("Main")->widget(), nullptr);
    EXPECT_FALSE(bar.bands("Main")->open()) << "cancelled by the handler";
    cancel_open = false;
    EXPECT_TRUE(bar.bands("Main")->open());
    EXPECT_EQ(events, (std::vector<std::string>{"click b", "dblclick a", "move Main", "move Main", "close Main",
                                                "open Main", "open Main", "resize"}));
    // A change of the bar's size comes as the resize event.
    events.clear();
    bar.Resize(1800, 1200);
    EXPECT_EQ(events, std::vector<std::string>{"resize"});
    EXPECT_EQ(bar.clientareawidth(), 400 * 15);
    bar.Resize(1800, 1200);
    EXPECT_EQ(events.size(), 1u) << "no event when nothing moved";
}

TEST_F(Bar, TheMenuOffersClosedBandsAgainAndNeverClosesTheLastOne) {
    ASSERT_EQ(bar.load_text("", two_bands), 1);
    auto menu = [&](const char* band, const std::string& choose = "") {
        return testing_support::context_menu(bar.bands(band)->widget(), choose);
    };
    EXPECT_EQ(menu("Main", "关闭"), (std::vector<std::string>{"停靠在底部", "停靠在左侧", "停靠在右侧", "关闭"}));
    ASSERT_FALSE(bar.bands("Main")->visible());
    EXPECT_EQ(menu("StatusBar", "显示工具"), std::vector<std::string>{"显示工具"});
    EXPECT_TRUE(bar.bands("Main")->visible());
    EXPECT_NE(bar.bands("Main")->widget()->findChild<QToolButton*>("a"), nullptr);

    // Alone on the bar, a band that may be closed is not offered for closing:
    // nothing would be left to bring it back.
    ASSERT_EQ(bar.load_text("", "[Layout]\r\nBands=Main\r\n[Band:Main]\r\nDock=top\r\nTools=a\r\n"
                                "[Tool:a]\r\nCaption=甲\r\n"),
              1);
    EXPECT_EQ(menu("Main"), (std::vector<std::string>{"停靠在底部", "停靠在左侧", "停靠在右侧"}));
}

TEST_F(Bar, ChildBandsAndToolsBuiltInCode) {
    rt::CommandBand* side = bar.bands().add("Side");
    side->set_dockingarea(2);
    rt::CommandChildBand* page = side->childbands().add("P1");
    page->set_caption("第一页");
    rt::CommandTool* t = bar.tools().add(0, "t0");
    t->set_caption("工具0");
    EXPECT_EQ(page->tools().insert(-1, t), 1);
    EXPECT_EQ(page->tools().insert(0, nullptr), -1);
    EXPECT_EQ(page->tools()("t0"), t);
    EXPECT_EQ(side->tools("t0"), nullptr) << "a child band's tool is not the band's own";
    EXPECT_NE(bar.widget()->findChild<QToolButton*>("t0"), nullptr);
    EXPECT_GT(bar.clientarealeft(), 0);
    EXPECT_EQ(t->setpicture(4, {}), -1);
    rt::PictureLoader loader{&w};
    EXPECT_TRUE(loader.getpict("").icon.isNull());
    EXPECT_TRUE(loader.getpict("no-such.ico").icon.isNull());
    EXPECT_FALSE(loader.visible());
}

} // namespace
