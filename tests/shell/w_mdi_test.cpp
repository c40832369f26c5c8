// The frame: its layout from velotra.tb3 or the built-in one, the status
// band and title, the fitting of the MDI client, the corner text and the
// command dispatch.
#include "shell/w_mdi.h"

#include "tests/support/screenshot.h"
#include "shell/builtin_layout.h"
#include "shell/w_background.h"
#include "tests/shell/shell_fixture.h"
#include "tests/support/context_menu.h"

#include <QImage>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMdiArea>
#include <QToolButton>

#include <functional>

namespace {

const char* const nine_tools[] = {"Tool_excel", "Tool_msg",     "Tool_register", "Tool_recharge", "Tool_update",
                                  "Tool_setting", "Tool_logging", "Tool_about",    "Tool_exit"};

std::string label_text(w_mdi& frame, const char* name) {
    auto* l = frame.ole_1.widget()->findChild<QLabel*>(name);
    return l ? l->text().toStdString() : "<none>";
}

// The MDI client fills the command bar's free rectangle: its edges are the
// rectangle's within the rounding of one pixel, and it never runs past the
// rectangle's right or bottom edge (over the right-hand bands, off the
// screen, or over the status band), which the rule's factors alone would do.
void expect_fitted(w_mdi& frame) {
    const rt::CommandBar& bar = frame.ole_1;
    const QPoint origin = bar.widget()->pos();
    const QRect free(origin.x() + static_cast<int>(bar.clientarealeft() / 15),
                     origin.y() + static_cast<int>(bar.clientareatop() / 15),
                     static_cast<int>(bar.clientareawidth() / 15), static_cast<int>(bar.clientareaheight() / 15));
    const QRect client = frame.mdi_1.widget()->geometry();
    EXPECT_NEAR(client.left(), free.left(), 1);
    EXPECT_NEAR(client.top(), free.top(), 1);
    EXPECT_LE(client.right(), free.right());
    EXPECT_GE(client.right(), free.right() - 1);
    EXPECT_LE(client.bottom(), free.bottom());
    EXPECT_GE(client.bottom(), free.bottom() - 1);
}

// The bar's menu is the only way back for a closed band.
std::vector<std::string> band_menu(w_mdi& frame, const char* band, const std::string& choose = "") {
    rt::CommandBand* b = frame.ole_1.bands(band);
    return b ? testing_support::context_menu(b->widget(), choose) : std::vector<std::string>{};
}

} // namespace

TEST(FitRule, ThePartsFactorsForPlaceAndSize) {
    struct {
        long l, t, w, h;
        rt::Rect r;
    } cases[] = {
        {10, 200, 1000, 500, {3, 53, 305, 134}},
        {0, 0, 0, 0, {0, 0, 0, 0}},
        // A real bar: a 60-pixel band at the top of a 1280x700 area.
        {0, 900, 19200, 9600, {0, 239, 5856, 2573}},
    };
    for (const auto& c : cases) {
        const rt::Rect r = w_mdi::fit_rule(c.l, c.t, c.w, c.h);
        EXPECT_EQ(r.x, c.r.x);
        EXPECT_EQ(r.y, c.r.y);
        EXPECT_EQ(r.width, c.r.width);
        EXPECT_EQ(r.height, c.r.height);
    }
}

TEST(CornerText, BoxesInTheClientsBottomRightCorner) {
    struct {
        tagrect client;
        lpsize text;
        tagrect black, cyan;
    } cases[] = {
        {{0, 0, 800, 600}, {150, 16}, {642, 568, 800, 600}, {640, 566, 800, 600}},
        {{0, 0, 1280, 700}, {171, 17}, {1101, 667, 1280, 700}, {1099, 665, 1280, 700}},
        // A client smaller than the text: the boxes start left of and above it.
        {{0, 0, 100, 20}, {150, 16}, {-58, -12, 100, 20}, {-60, -14, 100, 20}},
    };
    for (const auto& c : cases) {
        const w_mdi::corner_boxes b = w_mdi::corner_text_boxes(c.client, c.text);
        EXPECT_EQ(b.black, c.black);
        EXPECT_EQ(b.cyan, c.cyan);
    }
}

TEST_F(ShellTest, FrameFromTheLayoutFile) {
    // A layout of its own: the frame shows what the file says.
    dir.write("velotra.tb3",
              "[Layout]\r\nBands=Main,StatusBar\r\n"
              "[Band:Main]\r\nDock=top\r\nTools=Tool_about,Tool_exit\r\n"
              "[Band:StatusBar]\r\nDock=bottom\r\nTools=lb_name,lb_softname\r\n"
              "[Tool:Tool_about]\r\nCaption=关于本软件\r\n[Tool:Tool_exit]\r\nCaption=离开\r\n"
              "[Tool:lb_name]\r\nCaption=\r\n[Tool:lb_softname]\r\nCaption=\r\n");
    w_mdi& frame = open_frame();
    ASSERT_NE(frame.ole_1.bands("Main"), nullptr);
    EXPECT_EQ(frame.ole_1.tools().count(), 4u);
    auto* about = frame.ole_1.widget()->findChild<QToolButton*>("Tool_about");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text().toStdString(), "\xe5\x85\xb3\xe4\xba\x8e\xe6\x9c\xac\xe8\xbd\xaf\xe4\xbb\xb6"); // 关于本软件
    EXPECT_EQ(frame.ole_1.bands("StatusBar")->tools("lb_name")->caption(), "UNKNOW");
    EXPECT_EQ(frame.ole_1.bands("StatusBar")->tools("lb_softname")->caption(), gnv_app->appname);
    EXPECT_EQ(label_text(frame, "lb_name"), "UNKNOW");
    EXPECT_EQ(frame.title(), gnv_app->appname);
    EXPECT_EQ(gnv_app->appname, "澄渊达通讯平台");
    ASSERT_NE(w_background::current(), nullptr);
    expect_fitted(frame);
}

TEST_F(ShellTest, MissingEmptyOrMalformedLayoutGivesTheBuiltInOne) {
    const std::string good_status = "[Band:StatusBar]\r\nDock=bottom\r\nTools=lb_name,lb_softname\r\n"
                                    "[Tool:lb_name]\r\nCaption=\r\n[Tool:lb_softname]\r\nCaption=\r\n";
    struct {
        const char* name;
        const char* file; // null: no file
        std::string text;
    } cases[] = {
        {"missing", nullptr, ""},
        {"empty", "velotra.tb3", ""},
        {"unknown dock side", "velotra.tb3", "[Layout]\r\nBands=StatusBar\r\n[Band:StatusBar]\r\nDock=middle\r\n"
                                             "Tools=lb_name,lb_softname\r\n[Tool:lb_name]\r\nCaption=\r\n"
                                             "[Tool:lb_softname]\r\nCaption=\r\n"},
        {"tool listed but not defined", "velotra.tb3",
         "[Layout]\r\nBands=Main,StatusBar\r\n[Band:Main]\r\nDock=top\r\nTools=Tool_exit,Tool_ghost\r\n"
         "[Tool:Tool_exit]\r\nCaption=x\r\n" + good_status},
        {"band named twice", "velotra.tb3", "[Layout]\r\nBands=StatusBar,StatusBar\r\n" + good_status},
        {"no status band", "velotra.tb3",
         "[Layout]\r\nBands=Main\r\n[Band:Main]\r\nDock=top\r\nTools=Tool_exit\r\n[Tool:Tool_exit]\r\nCaption=x\r\n"},
        {"binary junk", "velotra.tb3", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR[\xff\xfe=]\0\x01", 24)},
        {"a folder of that name", nullptr, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(dir.native() / "velotra.tb3");
        if (c.file) dir.write(c.file, c.text);
        if (std::string(c.name) == "a folder of that name") std::filesystem::create_directory(dir.native() / "velotra.tb3");
        w_mdi& frame = open_frame();
        for (const char* tool : nine_tools) {
            ASSERT_NE(frame.ole_1.tools()(std::string(tool)), nullptr) << tool;
            EXPECT_NE(frame.ole_1.widget()->findChild<QToolButton*>(tool), nullptr) << tool;
        }
        EXPECT_EQ(frame.ole_1.tools()(std::string("Tool_exit"))->caption(), "退出");
        EXPECT_EQ(label_text(frame, "lb_name"), "UNKNOW");
        EXPECT_EQ(frame.title(), gnv_app->appname);
        EXPECT_NE(w_background::current(), nullptr);
        expect_fitted(frame);
        rt::Close(frame);
        rt::Yield();
    }
}

TEST_F(ShellTest, TheShippedLayoutIsTheBuiltInOne) {
    EXPECT_EQ(source_file("res/velotra.tb3"), builtin_layout());
    copy_program_files();
    w_mdi& frame = open_frame();
    auto* msg = frame.ole_1.widget()->findChild<QToolButton*>("Tool_msg");
    ASSERT_NE(msg, nullptr);
    // Every tool of the shipped layout has its picture.
    for (const char* tool : nine_tools)
        EXPECT_FALSE(frame.ole_1.tools()(std::string(tool))->picture().icon.isNull()) << tool;
}

TEST_F(ShellTest, ClosingOrMovingABandRefitsTheClient) {
    w_mdi& frame = open_frame();
    rt::CommandBand* commands = frame.ole_1.bands("Commands");
    ASSERT_NE(commands, nullptr);
    ASSERT_GT(frame.ole_1.clientareatop(), 0);
    const int top_before = frame.mdi_1.y();
    EXPECT_GT(top_before, 0);
    w_background* sheet = w_background::current();
    ASSERT_NE(sheet, nullptr);
    // Sizes in pixels: the sheet's outer size comes back from its widget.
    auto px = [](rt::Control& c) { return c.widget()->size(); };
    const int sheet_w = sheet->width();
    EXPECT_EQ(sheet->widget()->size(), px(frame.mdi_1));

    // Moved to the bottom: the client starts at the top now.
    ASSERT_TRUE(commands->move_to(rt::DockingArea::bottom));
    EXPECT_EQ(frame.ole_1.clientareatop(), 0);
    EXPECT_EQ(frame.mdi_1.y(), 0);
    expect_fitted(frame);
    // Moved to the left: the client moves right.
    ASSERT_TRUE(commands->move_to(rt::DockingArea::left));
    EXPECT_GT(frame.mdi_1.x(), 0);
    expect_fitted(frame);
    // Closed: the client takes the band's room; the sheet keeps its size
    // until the frame itself is resized.
    ASSERT_TRUE(commands->close());
    EXPECT_EQ(frame.mdi_1.x(), 0);
    expect_fitted(frame);
    EXPECT_EQ(sheet->width(), sheet_w);
    // The status band has no flags: it stays where it is.
    EXPECT_FALSE(frame.ole_1.bands("StatusBar")->close());
    EXPECT_FALSE(frame.ole_1.bands("StatusBar")->move_to(rt::DockingArea::top));

    // The frame's own resize refits the client and the sheet.
    frame.set_windowstate(rt::WindowState::normal);
    frame.Resize(3000, 2000);
    rt::Yield();
    expect_fitted(frame);
    EXPECT_EQ(sheet->widget()->size(), px(frame.mdi_1));
}

TEST_F(ShellTest, ABandOfTheShippedLayoutClosedFromItsMenuComesBackFromIt) {
    copy_program_files();
    w_mdi& frame = open_frame();
    const auto before = frame.mdi_1.widget()->geometry();
    EXPECT_EQ(band_menu(frame, "Commands", "关闭"),
              (std::vector<std::string>{"停靠在底部", "停靠在左侧", "停靠在右侧", "关闭"}));
    ASSERT_FALSE(frame.ole_1.bands("Commands")->visible());
    EXPECT_EQ(frame.ole_1.bands("Commands")->widget(), nullptr) << "the nine commands are gone";
    expect_fitted(frame);
    // The status band, which cannot be closed, offers the closed band again.
    EXPECT_EQ(band_menu(frame, "StatusBar", "显示常用工具"), std::vector<std::string>{"显示常用工具"});
    ASSERT_TRUE(frame.ole_1.bands("Commands")->visible());
    QWidget* commands = frame.ole_1.bands("Commands")->widget();
    ASSERT_NE(commands, nullptr);
    for (const char* tool : nine_tools) EXPECT_NE(commands->findChild<QToolButton*>(tool), nullptr) << tool;
    expect_fitted(frame);
    EXPECT_EQ(frame.mdi_1.widget()->geometry(), before);
    EXPECT_TRUE(band_menu(frame, "StatusBar").empty()) << "nothing closed, nothing to offer";
}

TEST_F(ShellTest, CornerTextIsDrawnAtEveryLayoutChange) {
    w_mdi& frame = open_frame();
    const QWidget* area = frame.mdi_1.widget();
    const w_mdi::corner_boxes& b = frame.painted_corner();
    EXPECT_EQ(b.black.right, area->width());
    EXPECT_EQ(b.black.bottom, area->height());
    EXPECT_EQ(b.cyan.left, b.black.left - 2);
    EXPECT_EQ(b.cyan.top, b.black.top - 2);
    // Drawn again after a band move, in the new corner.
    frame.ole_1.bands("Commands")->move_to(rt::DockingArea::bottom);
    EXPECT_EQ(frame.painted_corner().black.bottom, frame.mdi_1.widget()->height());
    // A band closed at the bottom grows the client downwards: the text follows.
    const int height_before = frame.mdi_1.widget()->height();
    frame.ole_1.bands("Commands")->close();
    ASSERT_GT(frame.mdi_1.widget()->height(), height_before);
    EXPECT_EQ(frame.painted_corner().black.bottom, frame.mdi_1.widget()->height());
    EXPECT_EQ(frame.painted_corner().black.right, frame.mdi_1.widget()->width());
    // Repeated paints draw the same boxes.
    const w_mdi::corner_boxes first = frame.painted_corner();
    frame.paint(0);
    EXPECT_EQ(frame.painted_corner().black, first.black);
    // An empty text draws nothing.
    frame.rightcornertext = "";
    frame.paint(0);
    EXPECT_EQ(frame.painted_corner().black, tagrect{});
}

TEST_F(ShellTest, HitTestMessagesPostARepaint) {
    w_mdi& frame = open_frame();
    struct {
        std::optional<unsigned long> wparam;
        long lparam;
        bool repaint;
    } cases[] = {
        {1, 33554434, true},   {1, 33619978, true},   {7, 33619985, true},  {1, 33619977, false},
        {1, 33619986, false},  {1, 33554433, false},  {0, 33554434, false}, {std::nullopt, 33619980, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lparam);
        // A text of a new length: a repaint shows in the boxes.
        frame.rightcornertext = "Version 5.0.1 Build 5001";
        frame.paint(0);
        const int before = frame.painted_corner().black.left;
        frame.rightcornertext = "V";
        frame.other(c.wparam, c.lparam);
        EXPECT_EQ(frame.painted_corner().black.left, before) << "painted before the message was handled";
        rt::Yield();
        EXPECT_EQ(frame.painted_corner().black.left != before, c.repaint);
    }
}

TEST_F(ShellTest, EveryToolClickedDoesWhatItsNameSays) {
    w_mdi& frame = open_frame();
    std::vector<std::string> opened;
    rt::OnWindowOpened hook([&](rt::Window& w) {
        if (&w == &frame || dynamic_cast<w_background*>(&w)) return;
        opened.push_back(w.title());
        rt::Close(w);
    });
    const std::string about = "About " + gnv_app->appname;
    struct {
        rt::nstring name;
        std::vector<std::string> windows;
        std::vector<std::string> urls;
    } cases[] = {
        {"Tool_register", {"帐号注册"}, {}},
        {"Tool_recharge", {}, {" http://pay.example.com/pay.htm"}},
        {"Tool_excel", {"Excel短信"}, {}},
        {"Tool_msg", {"消息发送"}, {}},
        {"Tool_setting", {"参数设置"}, {}},
        {"Tool_logging", {"发送日志"}, {}},
        {"Tool_about", {about}, {}},
        {"tool_about", {about}, {}},
        {"", {about}, {}},
        {rt::null, {about}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.value_or("<null>"));
        opened.clear();
        const std::size_t urls_before = browser.urls().size();
        frame.wf_open_module(c.name);
        rt::Yield();
        EXPECT_EQ(opened, c.windows);
        EXPECT_EQ(std::vector<std::string>(browser.urls().begin() + urls_before, browser.urls().end()), c.urls);
        EXPECT_TRUE(frame.is_open());
    }

    // Through the bar's own buttons, as the user clicks them.
    opened.clear();
    frame.ole_1.widget()->findChild<QToolButton*>("Tool_register")->click();
    rt::Yield();
    EXPECT_EQ(opened, std::vector<std::string>{"帐号注册"});
    frame.ole_1.widget()->findChild<QToolButton*>("Tool_register")->click();
    rt::Yield();
    EXPECT_EQ(opened.size(), 2u) << "the sign-up window opens again from the frame";

    // Exit closes the frame at once, with its background sheet.
    frame.ole_1.widget()->findChild<QToolButton*>("Tool_exit")->click();
    rt::Yield();
    EXPECT_EQ(w_mdi::current(), nullptr);
    EXPECT_EQ(w_background::current(), nullptr);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ShellTest, FrameScreenshot) {
    copy_program_files();
    w_mdi& frame = open_frame();
    if (w_background* sheet = w_background::current()) sheet->st_tips.set_text("当前剩余条数[120]");
    rt::Yield();
    EXPECT_TRUE(rt::save_png(frame, (screenshots_folder() / "w_mdi.png").string()));
}

namespace {

// The corner text's cyan pixels of a picture of the frame, inside and
// outside a rectangle (frame pixels).
std::pair<int, int> cyan_pixels(w_mdi& frame, const QRect& inside) {
    const QImage picture = frame.widget()->grab().toImage();
    std::pair<int, int> n{0, 0};
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (const QColor c = picture.pixelColor(x, y); c.red() < 90 && c.green() > 190 && c.blue() > 190)
                ++(inside.contains(x, y) ? n.first : n.second);
    return n;
}

QRect in_frame(w_mdi& frame, const QWidget* w) {
    return QRect(w->mapTo(frame.widget(), QPoint(0, 0)), w->size());
}

} // namespace

// The corner text shows on the background sheet, inside the client only,
// and a sheet over it covers it.
TEST_F(ShellTest, CornerTextStaysInTheClientAndUnderTheSheets) {
    copy_program_files();
    w_mdi& frame = open_frame();
    frame.set_windowstate(rt::WindowState::normal);
    frame.Resize(4535, 2320);
    rt::Yield();
    const QWidget* client = frame.mdi_1.mdi()->viewport();
    auto [on_backdrop, elsewhere] = cyan_pixels(frame, in_frame(frame, client));
    EXPECT_GT(on_backdrop, 20) << "the text shows on the background sheet";
    EXPECT_EQ(elsewhere, 0);

    // The mail-merge sheet over the corner hides the text under it.
    frame.wf_open_module("Tool_excel");
    rt::Yield();
    QWidget* sheet = frame.mdi_1.mdi()->activeSubWindow();
    ASSERT_NE(sheet, nullptr);
    sheet->move(client->width() - sheet->width(), client->height() - sheet->height());
    rt::Yield();
    frame.paint(0);
    rt::Yield();
    EXPECT_EQ(cyan_pixels(frame, in_frame(frame, sheet)).first, 0) << "drawn over the mail-merge sheet";
    EXPECT_TRUE(rt::save_png(frame, (screenshots_folder() / "w_mdi_corner_under_sheet.png").string()));
    rt::Close(*rt::open_windows().back());
    rt::Yield();

    // A frame smaller than the text: the text stays inside the client, off the bands.
    frame.Resize(700, 900);
    rt::Yield();
    frame.paint(0);
    rt::Yield();
    ASSERT_LT(client->width(), 200);
    EXPECT_EQ(cyan_pixels(frame, in_frame(frame, client)).second, 0) << "drawn outside the client";
    EXPECT_TRUE(rt::save_png(frame, (screenshots_folder() / "w_mdi_corner_small.png").string()));
}
