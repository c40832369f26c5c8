// The command-bar wrapper and its test window.
#include "shell/u_activebar.h"
#include "account/sys_w_login.h"
#include "shell/w_outlook.h"

#include "tests/support/screenshot.h"
#include "tests/shell/shell_fixture.h"

#include <QLabel>
#include <QToolBox>
#include <QToolButton>

namespace {

struct Holder : rt::Window {
    u_activebar uo{this, {500, 400, 2000, 1200}};
};

} // namespace

TEST(UActivebar, FlagsChangeOneBitIn16Bits) {
    Holder w;
    rt::CommandBand* band = w.uo.ole_1.bands().add("B");
    struct {
        int flags;
        bool add;
        int flag;
        int result;
    } cases[] = {
        {4 + 16 + 64, false, 64, 20}, // the Part's example
        {20, false, 64, 20},          // a flag it does not have
        {20, true, 4, 20},            // one it has
        {20, true, 64, 84},
        {20, false, 0, 20},           // the complement of 0 keeps every bit
        {16384 + 1, false, 1, 16384},
        {0, true, 16384, 16384},
    };
    for (const auto& c : cases) {
        band->set_flags(c.flags);
        if (c.add) w.uo.uf_addflag(band, c.flag);
        else w.uo.uf_removeflag(band, c.flag);
        EXPECT_EQ(band->flags(), c.result) << c.flags << (c.add ? " | " : " & ~") << c.flag;
    }
    w.uo.uf_setbandflag(band, 8);
    EXPECT_EQ(band->flags(), 8);
    w.uo.uf_addflag(nullptr, 1); // nothing to change, no crash
}

TEST(UActivebar, ResizeFactors) {
    const rt::Rect r = u_activebar::fit_rule(1000, 1000, 10000, 5000);
    EXPECT_EQ(r.x, 306);
    EXPECT_EQ(r.y, 268);
    EXPECT_EQ(r.width, 3060);
    EXPECT_EQ(r.height, 1340);

    Holder w;
    rt::MdiClient mdi{&w};
    rt::CommandBand* band = w.uo.uf_addband("Top", "顶", w.uo.dddatop, w.uo.ddgsnone);
    w.uo.uf_inserttool(w.uo.uf_addchildband(band, "c", "c"), 99); // no such tool: nothing inserted
    w.uo.uf_resize(3600, 2400, &mdi);
    EXPECT_EQ(w.uo.width(), 3600);
    EXPECT_EQ(w.uo.ole_1.width(), 3600);
    const rt::Rect e = u_activebar::fit_rule(w.uo.ole_1.clientarealeft(), w.uo.ole_1.clientareatop(),
                                             w.uo.ole_1.clientareawidth(), w.uo.ole_1.clientareaheight());
    EXPECT_GT(e.y, 0);
    EXPECT_EQ(mdi.x(), e.x);
    EXPECT_EQ(mdi.y(), e.y);
    EXPECT_EQ(mdi.width(), e.width);
    EXPECT_EQ(mdi.height(), e.height);
    w.uo.uf_resize(1800, 1200, nullptr); // sizes set, nothing to fit
    EXPECT_EQ(w.uo.width(), 1800);
}

TEST(UActivebar, ConstructorPutsItTopLeftAndHidesItsLabel) {
    Holder w;
    w.set_window_type(rt::WindowType::main);
    rt::Open(w);
    EXPECT_EQ(w.uo.x(), 0);
    EXPECT_EQ(w.uo.y(), 0);
    EXPECT_FALSE(w.uo.st_1.visible());
    EXPECT_FALSE(w.uo.ole_2.visible());
    EXPECT_EQ(w.uo.ole_1.width(), w.uo.width());
    rt::Close(w);
}

TEST(UActivebar, EventsBecomeUserEvents) {
    Holder w;
    rt::CommandBand* band = w.uo.uf_addband("Side", "侧", w.uo.dddaleft, w.uo.ddgsnone);
    EXPECT_EQ(band->childbandstyle, w.uo.ddcbsslidingtabs);
    rt::CommandTool* tool = w.uo.uf_addtool(3, "t", "T", w.uo.ddcpbelow, "cat", w.uo.ddttbutton, "", w.uo.ddsicontext, "tag");
    EXPECT_EQ(tool->category, "cat");
    EXPECT_EQ(tool->tagvariant, "tag");
    EXPECT_TRUE(tool->picture().icon.isNull());
    std::vector<std::string> heard;
    w.uo.ue_toolclick = [&](rt::CommandTool& t) { heard.push_back("click " + t.name); };
    w.uo.ue_bandclose = [&](rt::CommandBand& b) { heard.push_back("close " + b.name); };
    w.uo.ue_bandmove = [&](rt::CommandBand& b) { heard.push_back("move " + b.name); };
    w.uo.ole_1.click(*tool);
    w.uo.ole_1.dblclick(*tool);
    band->move_to(rt::DockingArea::right);
    band->close();
    EXPECT_EQ(heard, (std::vector<std::string>{"click t", "click t", "move Side", "close Side"}));
}

struct Outlook : ShellTest {
    void SetUp() override {
        ShellTest::SetUp();
        dir.write("frame.tb2", source_file("tests/shell/frame.tb2"));
        w_outlook::layout_path() = dir.program() + "\\frame.tb2";
    }
    void TearDown() override {
        w_outlook::layout_path() = "frame.tb2";
        ShellTest::TearDown();
    }
};

TEST(WOutlook, UniqueIds) {
    w_outlook w;
    rt::nint id;
    EXPECT_EQ(w.wf_getuniqueid(id), 0);
    EXPECT_EQ(id, rt::nint(0));
    id = 5;
    EXPECT_EQ(w.wf_getuniqueid(id), 6);
    EXPECT_EQ(id, rt::nint(6));
}

TEST_F(Outlook, SideBarOfThreePagesAndTagBoxes) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> ids;
        w_outlook w;
        rt::OnWindowOpened hook([&](rt::Window& opened) {
            if (&opened != &w) return;
            rt::CommandBar& bar = w.uo_1.ole_1;
            ASSERT_NE(bar.bands("Status"), nullptr);
            EXPECT_NE(bar.bands("Status")->tools("designer")->caption(), "");
            rt::CommandBand* side = bar.bands("Outlook");
            ASSERT_NE(side, nullptr);
            EXPECT_EQ(side->caption(), "工具栏");
            EXPECT_EQ(side->dockingarea(), rt::DockingArea::left);
            EXPECT_EQ(side->flags() & (1 | 2 | 8 | 16 | 32 | 64), 0);
            EXPECT_EQ(side->flags() & 4, 4);
            ASSERT_EQ(side->childbands().count(), 3u);
            for (std::size_t i = 0; i < 3; ++i)
                for (rt::CommandTool* t : side->childbands().at(i)->tools().items()) {
                    ids.push_back(std::to_string(t->id) + t->name);
                    EXPECT_EQ(t->category, side->childbands().at(i)->name);
                }
            EXPECT_EQ(*w.ii_uniqueid, 8);
            EXPECT_EQ(w.uo_1.width(), w.WorkSpaceWidth());
            bar.widget()->findChild<QToolButton*>("Hello")->click();
            bar.click(*bar.tools()(std::string("哈哈")));
            bar.click(*bar.tools()(std::string("关于")));
            bar.dblclick(*bar.tools()(std::string("嘻嘻")));
            if (round == 0) {
                EXPECT_TRUE(rt::save_png(w, (screenshots_folder() / "w_outlook.png").string()));
            }
            rt::Close(w);
        });
        rt::Open(w);
        EXPECT_EQ(ids, (std::vector<std::string>{"0恭喜发财", "1万事如意", "2心想事成", "3Hello", "4World", "5My God",
                                                 "6嘻嘻", "7哈哈", "8关于"}));
        std::vector<std::string> texts;
        for (const auto& b : boxes.shown()) {
            texts.push_back(b.text);
            EXPECT_EQ(b.title, "");
        }
        EXPECT_EQ(texts, (std::vector<std::string>{"Hello", "关于", "嘻嘻"}));
        boxes.clear();
    }
}

TEST_F(Outlook, WithoutItsLayoutTheWindowStopsBuilding) {
    w_outlook::layout_path() = dir.program() + "\\missing.tb2";
    w_outlook w;
    rt::OnWindowOpened hook([&](rt::Window& opened) {
        if (&opened != &w) return;
        EXPECT_EQ(w.uo_1.ole_1.bands("Outlook"), nullptr);
        rt::Close(w);
    });
    rt::Open(w);
}

TEST_F(Outlook, TheLoginWindowsHiddenButtonOpensIt) {
    sys_w_login login;
    bool outlook_opened = false;
    rt::OnWindowOpened hook([&](rt::Window& w) {
        if (&w == &login) {
            EXPECT_FALSE(login.cb_1.visible());
            login.cb_1.raise_clicked();
            rt::Close(login);
        } else if (dynamic_cast<w_outlook*>(&w)) {
            outlook_opened = true;
            EXPECT_NE(static_cast<w_outlook&>(w).uo_1.ole_1.bands("Outlook"), nullptr);
            rt::Close(w);
        }
    });
    rt::Open(login);
    EXPECT_TRUE(outlook_opened);
}
