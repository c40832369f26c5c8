// The background sheet in its frame against the fake gateway: the poster
// fetched, shown and deleted with the sheet, its failures, and the balance
// line.
#include "shell/w_background.h"

#include "core/velotra.h"
#include "runtime/inet.h"
#include "tests/support/screenshot.h"
#include "runtime/xml.h"
#include "shell/w_mdi.h"
#include "tests/shell/shell_fixture.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

using testing_support::ScriptedRandom;

namespace {

struct Background : ShellTest {
    ScriptedRandom random{{815}};

    w_background& open_sheet() {
        w_mdi& frame = rt::make_window<w_mdi>();
        rt::Open(frame);
        settle();
        w_background* sheet = w_background::current();
        EXPECT_NE(sheet, nullptr);
        return *sheet;
    }
    std::size_t requests(const std::string& path) {
        std::size_t n = 0;
        for (const auto& r : gateway.requests())
            if (r.path == path) ++n;
        return n;
    }
};

} // namespace

TEST_F(Background, PosterIsShownAndGoesWithTheSheet) {
    dir.write("update/update.ini", "[x]\r\n");
    dir.write("update/update.txt", "[update]\r\n");
    w_background& sheet = open_sheet();
    EXPECT_TRUE(box_texts().empty());
    EXPECT_EQ(requests("/sms/poster/poster.jpg"), 1u);
    EXPECT_EQ(sheet.imagefile, dir.program() + "\\815.jpg");
    EXPECT_TRUE(dir.exists("815.jpg"));
    EXPECT_TRUE(sheet.p_poster.visible());
    EXPECT_TRUE(sheet.p_poster.loaded());
    EXPECT_EQ(sheet.p_poster.picturename(), sheet.imagefile);
    // The sheet takes no input, yet the poster keeps its colours: the fake
    // poster's top left is a deep blue, not the grey of a disabled picture.
    EXPECT_FALSE(sheet.enabled());
    const QColor corner = sheet.p_poster.widget()->grab().toImage().pixelColor(3, 3);
    EXPECT_GT(corner.blue() - corner.red(), 60) << corner.name().toStdString();
    // No credentials stored: no balance query until a login.
    EXPECT_EQ(requests("/sms.aspx"), 0u);
    EXPECT_EQ(sheet.st_tips.text(), "");
    // After a login: the balance line over the poster.
    gnv_app->userid = "1001";
    gnv_app->account = "a";
    gnv_app->password = "p";
    sheet.wf_overage();
    EXPECT_EQ(sheet.st_tips.text(), "当前剩余条数[1000]");
    EXPECT_TRUE(rt::save_png(sheet, rt::screenshot_path("w_background_poster")));

    rt::Close(*w_mdi::current());
    EXPECT_FALSE(dir.exists("815.jpg"));
    EXPECT_FALSE(dir.exists("update/update.ini"));
    EXPECT_TRUE(dir.exists("update/update.txt"));
}

TEST_F(Background, PosterFailuresLeaveItHidden) {
    w_background& sheet = open_sheet();
    ASSERT_TRUE(box_texts().empty());
    sheet.imagefile.clear();
    sheet.p_poster.Hide();
    const std::string appdir = gnv_app->appdir;
    struct {
        const char* name;
        std::function<void()> arrange;
        std::string box;
        rt::Icon icon;
    } cases[] = {
        {"refused connection", [&] { gateway.fail(FakeGateway::Failure::refuse); },
         "访问地址失败，错误代码[" + std::to_string(rt::inet_cannot_connect) + "]", rt::Icon::Exclamation},
        {"a file that cannot be written", [&] { gnv_app->appdir = appdir + "\\no such folder"; },
         "图片保存到本地失败", rt::Icon::Information},
        // From here on the poster is missing.
        {"HTTP 404", [&] { gateway.serve("/sms/poster/poster.jpg", "Not Found", 404); }, "访问服务器资源失败",
         rt::Icon::Information},
        {"HTTP 500", [&] { gateway.fail(FakeGateway::Failure::server_error); }, "访问服务器资源失败",
         rt::Icon::Information},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        sheet.wf_poster();
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, c.box);
        EXPECT_EQ(boxes.shown()[0].icon, c.icon);
        EXPECT_EQ(boxes.shown()[0].title, "澄渊达通讯平台");
        boxes.clear();
        EXPECT_EQ(sheet.imagefile, "");
        EXPECT_FALSE(sheet.p_poster.visible());
        gateway.fail(FakeGateway::Failure::none);
        gnv_app->appdir = appdir;
    }
    // Closing without a poster still takes update.ini away.
    dir.write("update/update.ini", "");
    rt::Close(*w_mdi::current());
    EXPECT_FALSE(dir.exists("update/update.ini"));
}

TEST_F(Background, APictureHolding404IsShown) {
    gateway.serve("/sms/poster/poster.jpg", rt::blob("\xFF\xD8\xFF\xE0 404 \0 404", 12));
    w_background& sheet = open_sheet();
    EXPECT_TRUE(box_texts().empty());
    EXPECT_EQ(sheet.imagefile, dir.program() + "\\815.jpg");
    EXPECT_EQ(dir.read("815.jpg"), std::string("\xFF\xD8\xFF\xE0 404 \0 404", 12));
}

TEST_F(Background, ATakenNameIsDrawnAgain) {
    dir.write("815.jpg", "the user's own picture");
    dir.write("816.jpg", "another");
    random.script({815, 816, 817});
    w_background& sheet = open_sheet();
    EXPECT_EQ(sheet.imagefile, dir.program() + "\\817.jpg");
    rt::Close(*w_mdi::current());
    EXPECT_EQ(dir.read("815.jpg"), "the user's own picture");
    EXPECT_EQ(dir.read("816.jpg"), "another");
    EXPECT_FALSE(dir.exists("817.jpg"));
    // The sheet draws; it never seeds.
    EXPECT_TRUE(random.seeds().empty());

    // Draws that keep meeting a taken name (the script now answers 1 for
    // ever) still end on a free one while there is one.
    dir.write("1.jpg", "kept");
    box_texts();
    w_background& again = open_sheet();
    EXPECT_TRUE(box_texts().empty());
    EXPECT_NE(again.imagefile, "");
    EXPECT_NE(again.imagefile, dir.program() + "\\1.jpg");
    EXPECT_EQ(dir.read("1.jpg"), "kept");
}

TEST_F(Background, StoredCredentialsAskForTheBalanceAtOpen) {
    struct {
        const char* name;
        std::string userid, account, password;
        std::size_t queries;
    } cases[] = {
        {"all three", "1001", "张三", "pw", 1},
        {"a blank account", "1001", "  ", "pw", 0},
        {"no password", "1001", "张三", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gateway.clear_requests();
        gnv_app->userid = c.userid;
        gnv_app->account = c.account;
        gnv_app->password = c.password;
        w_background& sheet = open_sheet();
        EXPECT_EQ(requests("/sms.aspx"), c.queries);
        EXPECT_EQ(sheet.st_tips.text(), c.queries ? "当前剩余条数[1000]" : "");
        // The poster was asked for first.
        ASSERT_FALSE(gateway.requests().empty());
        EXPECT_EQ(gateway.requests()[0].path, "/sms/poster/poster.jpg");
        rt::Close(*w_mdi::current());
    }
}

TEST_F(Background, BalanceLine) {
    gnv_app->userid = "1001";
    gnv_app->account = "a";
    gnv_app->password = "p";
    w_background& sheet = open_sheet();
    const std::string cut = "<r><returnstatus>sucess</returnstatus>";
    struct {
        const char* name;
        rt::blob answer;
        std::string tips;
        std::vector<std::string> boxes;
        std::string overage;
    } cases[] = {
        {"sucess", FakeGateway::balance_answer("sucess", "m", "p", "120", "8"), "当前剩余条数[120]", {}, "120"},
        {"SUCESS, no overage element", FakeGateway::balance_answer("SUCESS", "m", "p", rt::null, "8"),
         "当前剩余条数[120]", {}, "120"},
        {"another status", FakeGateway::balance_answer("success", "余额查询失败", "p", "5", "8"),
         "当前剩余条数[120]", {"余额查询失败"}, "5"},
        {"not XML", cut, "无效返回数据,错误代码[" + std::to_string(rt::XMLParseString(cut)) + "]", {}, "5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        gateway.script("overage", c.answer);
        sheet.wf_overage();
        EXPECT_EQ(sheet.st_tips.text(), c.tips);
        EXPECT_EQ(box_texts(), c.boxes);
        EXPECT_EQ(gnv_app->overage, c.overage);
    }
}

TEST(Startup, SeedsTheRandomGeneratorOnce) {
    testing_support::TempProgramFolder dir;
    testing_support::RecordedBoxes boxes;
    testing_support::RecordedTray tray;
    ScriptedRandom random{{42}};
    FakeGateway gateway;
    setenv("VELOTRA_URL", gateway.url().c_str(), 1);
    setenv("VELOTRA_WEBURL", gateway.url().c_str(), 1);
    velotra::reset_halt();
    rt::OnWindowOpened login([](rt::Window& w) {
        if (w.title() == "系统登录") rt::CloseWithReturn(w, "ok");
    });
    {
        velotra app;
        app.open("");
        ASSERT_NE(w_background::current(), nullptr);
        EXPECT_EQ(random.seeds(), std::vector<std::uint32_t>{0});
        EXPECT_EQ(w_background::current()->imagefile, dir.program() + "\\42.jpg");
        rt::Close(*w_mdi::current());
        app.close();
    }
    velotra::reset_halt();
    unsetenv("VELOTRA_URL");
    unsetenv("VELOTRA_WEBURL");
}
