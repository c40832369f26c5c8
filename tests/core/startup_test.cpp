// The start-up in a temporary program folder: velotra.ini, the defaults and
// scrambled values, and the login loop with a scripted login window.
#include "core/n_cst_manager.h"
#include "core/velotra.h"
#include "runtime/inet.h"
#include "runtime/ui/window.h"
#include "runtime/xml.h"
#include "shell/w_background.h"
#include "shell/w_mdi.h"
#include "tests/support/scripted.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <functional>

using testing_support::RecordedBoxes;
using testing_support::TempProgramFolder;

namespace {

const char* const login_title = "系统登录";

struct Startup : ::testing::Test {
    TempProgramFolder dir;
    RecordedBoxes boxes;
    FakeGateway gateway;
    velotra app;

    void SetUp() override {
        setenv("VELOTRA_URL", gateway.url().c_str(), 1);
        setenv("VELOTRA_WEBURL", gateway.url().c_str(), 1);
        unsetenv("VELOTRA_DEV");
        velotra::reset_halt();
    }
    void TearDown() override {
        if (w_mdi* frame = w_mdi::current()) rt::Close(*frame);
        app.close();
        velotra::reset_halt();
        unsetenv("VELOTRA_URL");
        unsetenv("VELOTRA_WEBURL");
    }

    std::size_t requests(const std::string& action) {
        std::size_t count = 0;
        for (const auto& r : gateway.requests())
            if (r.field("action") == action) ++count;
        return count;
    }
};

// Answers each opening of the login window with the next scripted step.
struct ScriptedLogin {
    std::deque<std::function<void(rt::Window&)>> steps;
    int opened = 0;
    std::string frame_title;
    rt::OnWindowOpened hook{[this](rt::Window& w) {
        if (w.title() != login_title) return;
        ++opened;
        if (w_mdi* frame = w_mdi::current()) frame_title = frame->title();
        auto step = steps.empty() ? [](rt::Window& lw) { rt::Close(lw); } : steps.front();
        if (!steps.empty()) steps.pop_front();
        step(w);
    }};
};

std::function<void(rt::Window&)> answer(const std::string& a) {
    return [a](rt::Window& w) { rt::CloseWithReturn(w, a); };
}
std::function<void(rt::Window&)> cancel() {
    return [](rt::Window& w) { rt::Close(w); };
}

} // namespace

TEST_F(Startup, FirstStartCreatesEmptyIniAndRunsOnDefaults) {
    ScriptedLogin login;
    app.open("");
    ASSERT_NE(gnv_app, nullptr);
    EXPECT_TRUE(velotra::halted());
    EXPECT_TRUE(dir.exists("velotra.ini"));
    EXPECT_EQ(dir.read("velotra.ini"), "");
    EXPECT_EQ(gnv_app->appdir, dir.program());
    EXPECT_EQ(gnv_app->of_getappinifile(), dir.program() + "\\velotra.ini");
    EXPECT_EQ(gnv_app->appname, "澄渊达通讯平台");
    EXPECT_EQ(gnv_app->apptitle, "澄渊达通讯平台");
    EXPECT_EQ(gnv_app->signature_default, "澄渊达");
    EXPECT_EQ(gnv_app->signature, "澄渊达");
    EXPECT_EQ(gnv_app->appico, "res\\澄渊达.ico");
    EXPECT_TRUE(gnv_app->auto_signature);
    EXPECT_EQ(gnv_app->userid + gnv_app->account + gnv_app->password, "");
    EXPECT_EQ(gnv_app->url, gateway.url());
    EXPECT_EQ(gnv_app->sendurl, gateway.url() + "sms.aspx");
    EXPECT_EQ(gnv_app->of_getlogo(), "res\\pfcmsg.bmp");
    EXPECT_FALSE(gnv_app->ib_dev);
    // The frame stood open behind the login window and was closed with it.
    EXPECT_EQ(login.opened, 1);
    EXPECT_EQ(login.frame_title, "澄渊达通讯平台");
    EXPECT_EQ(w_mdi::current(), nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(requests("overage"), 0u);
}

TEST_F(Startup, LoginLoopOutcomes) {
    struct {
        const char* name;
        std::vector<std::function<void(rt::Window&)>> steps;
        int opened;
        bool runs;
    } cases[] = {
        {"ok", {answer("ok")}, 1, true},
        {"OK in capitals", {answer("OK")}, 1, true},
        {"retry, then Ok", {answer("retry"), answer("Ok")}, 2, true},
        {"RETRY twice, then cancel", {answer("RETRY"), answer("retry"), cancel()}, 3, false},
        {"empty answer", {answer("")}, 1, false},
        {"other answer", {answer("cancel")}, 1, false},
        {"closed without an answer", {cancel()}, 1, false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        gateway.clear_requests();
        ScriptedLogin login;
        login.steps.assign(c.steps.begin(), c.steps.end());
        app.open("");
        EXPECT_EQ(login.opened, c.opened);
        EXPECT_EQ(velotra::halted(), !c.runs);
        EXPECT_EQ(w_mdi::current() != nullptr, c.runs);
        // The balance is asked once after a successful login, never before.
        EXPECT_EQ(requests("overage"), c.runs ? 1u : 0u);
        TearDown();
        SetUp();
    }
}

TEST_F(Startup, SignUpAnswerDoesNotCountForTheLogin) {
    // Another modal window answers "ok" from inside the login window; the
    // login window itself is then cancelled.
    struct signup final : rt::Window {
        signup() {
            set_window_type(rt::WindowType::response);
            set_title("注册");
        }
    };
    rt::OnWindowOpened signup_hook([](rt::Window& w) {
        if (w.title() == "注册") rt::CloseWithReturn(w, "ok");
    });
    ScriptedLogin login;
    login.steps.push_back([](rt::Window& w) {
        signup s;
        rt::Open(s);
        rt::Close(w);
    });
    app.open("");
    EXPECT_TRUE(velotra::halted());
    EXPECT_EQ(w_mdi::current(), nullptr);
}

TEST_F(Startup, OkReadsStoredCredentialsBackAndShowsTheBalance) {
    gateway.script("overage", FakeGateway::balance_answer("Sucess", "ok", "", "77", "5"));
    ScriptedLogin login;
    login.steps.push_back([](rt::Window& w) {
        // What the login window does after a successful check.
        for (auto [key, value] : {std::pair{"userid", "1001"}, {"account", "张三"}, {"password", "p&w"}})
            gnv_app->pub_f_set_sysvar("cfg", key, gnv_app->of_encrypt(value, gnv_app->e, gnv_app->n));
        rt::CloseWithReturn(w, "ok");
    });
    app.open("");
    ASSERT_FALSE(velotra::halted());
    EXPECT_EQ(gnv_app->userid, "1001");
    EXPECT_EQ(gnv_app->account, "张三");
    EXPECT_EQ(gnv_app->password, "p&w");
    ASSERT_EQ(requests("overage"), 1u);
    EXPECT_EQ(gateway.last_request().field("account"), "张三");
    EXPECT_EQ(gateway.last_request().field("password"), "p%26w");
    ASSERT_NE(w_background::current(), nullptr);
    EXPECT_EQ(w_background::current()->st_tips.text(), "当前剩余条数[77]");
    EXPECT_EQ(gnv_app->overage, "77");
    EXPECT_EQ(gnv_app->sendtotal, "5");

    // The frame's close box closes its sheet too, and the program hears
    // that its last window has gone, so it can end.
    int last_closed = 0;
    rt::set_on_last_window_closed([&] { ++last_closed; });
    w_mdi::current()->widget()->close();
    rt::set_on_last_window_closed(nullptr);
    EXPECT_TRUE(rt::open_windows().empty());
    EXPECT_EQ(last_closed, 1);
}

TEST_F(Startup, BalanceLineAndItsFailures) {
    ScriptedLogin login;
    login.steps.push_back(answer("ok"));
    app.open("");
    w_background* sheet = w_background::current();
    ASSERT_NE(sheet, nullptr);
    const std::string cut = "<r><returnstatus>sucess</returnstatus><overage>1</overage>";
    struct {
        const char* name;
        std::function<void()> arrange;
        std::string tips;
        std::vector<std::string> boxes;
        std::string overage, sendtotal;
    } cases[] = {
        {"success", [&] { gateway.script("overage", FakeGateway::balance_answer("SUCESS", "m", "p", "120", "8")); },
         "当前剩余条数[120]", {}, "120", "8"},
        // A refused query keeps the line, shows the message with the stop
        // icon, and still hands the balance it carries to the manager.
        {"refused by the gateway",
         [&] { gateway.script("overage", FakeGateway::balance_answer("faild", "余额查询失败", rt::null, "3", rt::null)); },
         "当前剩余条数[120]", {"余额查询失败"}, "3", "8"},
        {"not XML", [&] { gateway.script("overage", cut); },
         "无效返回数据,错误代码[" + std::to_string(rt::XMLParseString(cut)) + "]", {}, "3", "8"},
        {"no gateway", [&] { gateway.fail(FakeGateway::Failure::refuse); },
         "无效返回数据,错误代码[" + std::to_string(rt::XMLParseString("")) + "]",
         {"与服务器数据交互失败,错误代码[" + std::to_string(rt::inet_cannot_connect) + "]"}, "3", "8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        c.arrange();
        sheet->wf_overage();
        EXPECT_EQ(sheet->st_tips.text(), c.tips);
        std::vector<std::string> shown;
        for (const auto& b : boxes.shown()) {
            shown.push_back(b.text);
            EXPECT_EQ(b.icon, rt::Icon::StopSign);
            EXPECT_EQ(b.title, "澄渊达通讯平台");
        }
        EXPECT_EQ(shown, c.boxes);
        EXPECT_EQ(gnv_app->overage, c.overage);
        EXPECT_EQ(gnv_app->sendtotal, c.sendtotal);
        // The sheet reads with its own copies: the manager's status stays.
        EXPECT_EQ(gnv_app->status, "");
    }
    gateway.fail(FakeGateway::Failure::none);
}

TEST_F(Startup, DevelopmentModeOnlyFromTheEnvironment) {
    ScriptedLogin login;
    setenv("VELOTRA_DEV", "yes", 1);
    app.open("");
    EXPECT_FALSE(gnv_app->ib_dev);
    TearDown();
    SetUp();
    ScriptedLogin again;
    setenv("VELOTRA_DEV", "1", 1);
    app.open("a b");
    EXPECT_TRUE(gnv_app->ib_dev);
    EXPECT_EQ(gnv_app->commandline, "a b");
    unsetenv("VELOTRA_DEV");
}

// ---- pub_app_init on a prepared velotra.ini ---------------------------------

namespace {

struct Init : ::testing::Test {
    TempProgramFolder dir;
    n_cst_manager m;
    std::string scrambled(const std::string& plain) {
        m.pub_app_init();
        return m.of_encrypt(plain, m.e, m.n);
    }
    void ini(const std::string& text) {
        dir.write("velotra.ini", text);
        m.of_setappinifile(dir.program() + "\\velotra.ini");
    }
};

} // namespace

TEST_F(Init, ScrambledValuesAreRead) {
    ini("[cfg]\r\nsignature_default=" + scrambled("岚舟汇") + "\r\nappname=" + scrambled("测试平台") +
        "\r\nuserid=" + scrambled("1001") + "\r\naccount=  " + scrambled("acc") + "  \r\npassword=   \r\n");
    ASSERT_EQ(m.pub_app_init(), 1);
    EXPECT_EQ(m.signature_default, "岚舟汇");
    EXPECT_EQ(m.appico, "res\\岚舟汇.ico");
    EXPECT_EQ(m.signature, "岚舟汇");
    EXPECT_EQ(m.appname, "测试平台");
    EXPECT_EQ(m.apptitle, "测试平台");
    EXPECT_EQ(m.userid, "1001");
    EXPECT_EQ(m.account, "acc");
    EXPECT_EQ(m.password, "");
}

TEST_F(Init, AutoSignatureOnlyForOne) {
    struct {
        const char* text;
        bool on;
    } cases[] = {{"", true},
                 {"[cfg]\r\nauto_signature=1\r\n", true},
                 {"[cfg]\r\nauto_signature= 1 \r\n", true},
                 {"[cfg]\r\nauto_signature=0\r\n", false},
                 {"[cfg]\r\nauto_signature=2\r\n", false},
                 {"[cfg]\r\nauto_signature=yes\r\n", false}};
    for (const auto& c : cases) {
        ini(c.text);
        m.pub_app_init();
        EXPECT_EQ(m.auto_signature, c.on) << c.text;
    }
}

TEST_F(Init, SecondInitKeepsSendStateAndBalance) {
    ini("");
    m.pub_app_init();
    m.signature_prev = "X";
    m.overage = "9";
    m.ib_dev = true;
    m.pub_app_init();
    EXPECT_EQ(m.signature_prev, "X");
    EXPECT_EQ(m.overage, "9");
    EXPECT_TRUE(m.ib_dev);
}

TEST_F(Init, SysvarReadTrimsAndDefaults) {
    ini("[mobile]\r\nsignature=  a;b  \r\nempty=\r\nspaces=   \r\n");
    EXPECT_EQ(m.pub_f_get_sysvar(" mobile ", " signature ", "d"), "a;b");
    EXPECT_EQ(m.pub_f_get_sysvar("mobile", "empty", " d "), "d");
    EXPECT_EQ(m.pub_f_get_sysvar("mobile", "spaces", "d"), "");
    EXPECT_EQ(m.pub_f_get_sysvar("mobile", "missing", rt::null), "");
    EXPECT_EQ(m.pub_f_set_sysvar(" cfg ", "windowpos", "  0 "), 1);
    EXPECT_NE(dir.read("velotra.ini").find("windowpos=  0 "), std::string::npos);
    EXPECT_EQ(m.pub_f_get_sysvar("cfg", "windowpos", "1"), "0");
}
