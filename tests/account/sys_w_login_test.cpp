// The login window against the fake gateway: the request byte for byte, the
// checks and where they put the focus, the answers, the stored credentials,
// the key walk, and the start-up going on after a login.
#include "account/sys_w_login.h"
#include "account/w_reg.h"
#include "core/velotra.h"
#include "runtime/inet.h"
#include "runtime/strings.h"
#include "tests/support/screenshot.h"
#include "shell/w_mdi.h"
#include "tests/account/account_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <chrono>
#include <filesystem>

namespace {

using Login = AccountWindow;

rt::blob answer(const rt::nstring& value, const rt::nstring& message, const rt::nstring& code = "0") {
    return FakeGateway::account_answer("login", code, value, message);
}

void type(sys_w_login& w, const std::string& userid, const std::string& account, const std::string& password) {
    w.sle_userid.set_text(userid);
    w.sle_account.set_text(account);
    w.user_password.set_text(password);
}

// A key press as the user makes it: sent to the widget that has the focus.
void press(int qt_key) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent down(QEvent::KeyPress, qt_key, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, qt_key, Qt::NoModifier);
    QApplication::sendEvent(target, &up);
}

} // namespace

TEST_F(Login, SuccessSendsExactBodyAndStoresTheCredentials) {
    struct {
        const char* name;
        std::string userid, account, password;
        std::string sent_userid, sent_account, sent_password; // as they appear in the body
        std::string userid_kept, account_kept, password_kept; // the values stored and taken
    } cases[] = {
        {"eight digits: the last four", "12345678", " zhang ", "  pw ", "5678", "zhang", "pw", "5678", "zhang", "pw"},
        {"short id with a trailing space", "12 ", "a", "p", "12 ", "a", "p", "12 ", "a", "p"},
        {"id of spaces", "      ", "a", "p", "    ", "a", "p", "    ", "a", "p"},
        // "张三4": the cut falls inside 张, so its trail byte leads the four.
        {"cut inside a double-byte character", "张三4", "张三", "密码", std::string("\xC5") + "三4", "张三", "密码",
         std::string("\xC5") + "三4", "张三", "密码"},
        {"form syntax bytes are encoded", "a&b+%", "x=y&z", "50%+1", "%26b%2B%25", "x=y%26z", "50%25%2B1", "&b+%",
         "x=y&z", "50%+1"},
    };
    ASSERT_EQ(std::string("张"), "\xD5\xC5");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gateway.clear_requests();
        gateway.script("user_chks_ones", answer("Success", "welcome", "200"));
        sys_w_login w;
        const rt::nstring result = drive<sys_w_login>(
            w,
            [&](sys_w_login& lw) {
                type(lw, c.userid, c.account, c.password);
                lw.cb_ok.TriggerEvent(rt::Event::clicked);
            },
            "one");
        EXPECT_EQ(result, "ok");
        ASSERT_EQ(gateway.request_count(), 1u);
        const auto r = gateway.last_request();
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.path, "/api/com_api_thro.aspx");
        EXPECT_EQ(r.body, "action=user_chks_ones&chks_userid=" + c.sent_userid + "&chks_account=" + c.sent_account +
                              "&chks_password=" + c.sent_password + "&chks_valicode=");
        EXPECT_EQ(gnv_app->pub_f_get_sysvar("cfg", "userid", ""), scrambled(c.userid_kept));
        EXPECT_EQ(gnv_app->pub_f_get_sysvar("cfg", "account", ""), scrambled(c.account_kept));
        EXPECT_EQ(gnv_app->pub_f_get_sysvar("cfg", "password", ""), scrambled(c.password_kept));
        EXPECT_EQ(gnv_app->userid, c.userid_kept);
        EXPECT_EQ(gnv_app->account, c.account_kept);
        EXPECT_EQ(gnv_app->password, c.password_kept);
        EXPECT_EQ(gnv_app->of_getuserid(), c.account_kept);
        EXPECT_TRUE(box_texts().empty());
    }
    // One entry per successful login.
    std::string entries;
    for (int i = 0; i < 5; ++i) entries += log_entry("系统登录\treturncode[200] returnmessage[welcome]\t");
    EXPECT_EQ(today_log(), entries);
}

TEST_F(Login, ChecksStopBeforeTheRequestAndFocusTheField) {
    struct {
        const char* name;
        std::string userid, account, password;
        std::string message;
        rt::SingleLineEdit sys_w_login::*focused;
    } cases[] = {
        {"everything empty", "", "", "", "企业  ID不能为空!", &sys_w_login::sle_userid},
        {"only the id empty", "", "a", "p", "企业  ID不能为空!", &sys_w_login::sle_userid},
        {"account of spaces", "1001", "   ", "p", "用 户 名不能为空!", &sys_w_login::sle_account},
        {"password of spaces", "1001", "a", "    ", "密    码不能为空!", &sys_w_login::user_password},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sys_w_login w;
        const rt::nstring result = drive<sys_w_login>(w, [&](sys_w_login& lw) {
            type(lw, c.userid, c.account, c.password);
            lw.cb_cancel.SetFocus();
            lw.cb_ok.TriggerEvent(rt::Event::clicked);
            EXPECT_TRUE(lw.is_open());
            EXPECT_TRUE((lw.*c.focused).has_focus());
            // Everything typed stays.
            EXPECT_EQ(lw.sle_account.text(), c.account);
        });
        EXPECT_EQ(result, rt::null);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, c.message);
        EXPECT_EQ(boxes.shown()[0].icon, rt::Icon::Exclamation);
        EXPECT_EQ(boxes.shown()[0].title, gnv_app->apptitle);
        boxes.clear();
    }
    EXPECT_EQ(gateway.request_count(), 0u);
}

TEST_F(Login, RefusedAndUnrecognisedAnswersKeepTheWindowOpen) {
    // One window, attempt after attempt: the answer variables carry over,
    // except the verdict, which must come from each answer itself.
    struct {
        const char* name;
        rt::blob answer;
        std::string message;
    } steps[] = {
        {"refused", answer("failed", "密码错误"), "登录失败!密码错误"},
        {"refused in capitals, blank message", answer("FAILED", "  "), "登录失败!密码错误"},
        {"success with a space around", answer(" success", "busy"), "无法识别返回代码,登录失败![busy]"},
        {"another word", answer("ok", rt::null), "无法识别返回代码,登录失败![busy]"},
        {"root without children", "<answer/>", "无法识别返回代码,登录失败![busy]"},
        {"no returnvalue after a refusal", answer("failed", "x") , "登录失败!x"},
        {"returnvalue missing", answer(rt::null, "y"), "无法识别返回代码,登录失败![y]"},
    };
    sys_w_login w;
    drive<sys_w_login>(w, [&](sys_w_login& lw) {
        type(lw, "1001", "acc", "pw");
        for (const auto& s : steps) {
            SCOPED_TRACE(s.name);
            gateway.script("user_chks_ones", s.answer);
            lw.cb_ok.TriggerEvent(rt::Event::clicked);
            ASSERT_TRUE(lw.is_open());
            ASSERT_EQ(boxes.shown().size(), 1u);
            EXPECT_EQ(boxes.shown()[0].text, s.message);
            EXPECT_EQ(boxes.shown()[0].icon, rt::Icon::Information);
            boxes.clear();
        }
    });
    EXPECT_EQ(w.answer(), rt::null);
    EXPECT_EQ(w.returntypes, "login");
    EXPECT_EQ(gateway.request_count(), std::size(steps));
    EXPECT_EQ(dir.read("velotra.ini"), "");
    EXPECT_EQ(gnv_app->userid + gnv_app->account + gnv_app->password, "");
    EXPECT_EQ(today_log(), "");
}

TEST_F(Login, AnswerThatIsNotXmlAndFailedPost) {
    sys_w_login w;
    drive<sys_w_login>(w, [&](sys_w_login& lw) {
        type(lw, "1001", "acc", "pw");
        gateway.script("user_chks_ones", "login ok");
        lw.cb_ok.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(box_texts(), std::vector<std::string>{"无效返回数据,错误代码[-3]"});

        gateway.script("user_chks_ones", answer("success", "1"));
        gateway.fail(FakeGateway::Failure::malformed_xml);
        lw.cb_ok.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(box_texts(), std::vector<std::string>{"无效返回数据,错误代码[-3]"});

        // Only the manager's box: the empty text it leaves is not read.
        gateway.fail(FakeGateway::Failure::refuse);
        lw.cb_ok.TriggerEvent(rt::Event::clicked);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "与服务器数据交互失败,错误代码[" + std::to_string(rt::inet_cannot_connect) + "]");
        EXPECT_EQ(boxes.shown()[0].icon, rt::Icon::StopSign);
        EXPECT_TRUE(lw.is_open());
    });
    EXPECT_EQ(w.answer(), rt::null);
    EXPECT_EQ(dir.read("velotra.ini"), "");
    EXPECT_EQ(today_log(), "");
}

TEST_F(Login, CredentialsThatCannotBeStored) {
    // A folder where velotra.ini should be: no key can be written.
    std::filesystem::create_directory(dir.native() / "ro.ini");
    gnv_app->of_setappinifile(dir.program() + "\\ro.ini");
    gnv_app->userid = "old";
    sys_w_login w;
    drive<sys_w_login>(w, [&](sys_w_login& lw) {
        type(lw, "1001", "acc", "pw");
        gateway.script("user_chks_ones", answer("success", "m"));
        lw.cb_ok.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(box_texts(), std::vector<std::string>{"保存企业ID失败!"});
        EXPECT_TRUE(lw.is_open());
        // An answer without a verdict is not taken for the earlier success.
        gateway.script("user_chks_ones", "<r><returnmessage>again</returnmessage></r>");
        lw.cb_ok.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(box_texts(), std::vector<std::string>{"无法识别返回代码,登录失败![again]"});
    });
    EXPECT_EQ(w.answer(), rt::null);
    EXPECT_EQ(gnv_app->userid, "old");
    EXPECT_EQ(gnv_app->account, "");
    // The entry is written before the keys.
    EXPECT_EQ(today_log(), log_entry("系统登录\treturncode[0] returnmessage[m]\t"));
}

TEST_F(Login, OpensWithStoredIdAndAccount) {
    struct {
        std::string userid, account;
        bool password_focused;
    } cases[] = {{"5678", "zhang", true}, {" 56 ", "  ", false}, {"", "zhang", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.userid + "|" + c.account);
        gnv_app->userid = c.userid;
        gnv_app->account = c.account;
        gnv_app->password = "secret";
        sys_w_login w;
        drive<sys_w_login>(w, [&](sys_w_login& lw) {
            EXPECT_EQ(lw.sle_userid.text(), rt::Trim(c.userid).empty() ? "" : c.userid);
            EXPECT_EQ(lw.sle_account.text(), rt::Trim(c.account).empty() ? "" : c.account);
            EXPECT_EQ(lw.user_password.text(), "");
            EXPECT_TRUE(lw.user_password.password());
            EXPECT_EQ(lw.user_password.has_focus(), c.password_focused);
            EXPECT_EQ(lw.sle_userid.has_focus(), !c.password_focused);
            EXPECT_FALSE(lw.cb_1.visible());
        }, "one");
    }
}

TEST_F(Login, EnterAndArrowsWalkTheFields) {
    using E = rt::SingleLineEdit sys_w_login::*;
    struct {
        E from;
        int key;
        E to;
    } cases[] = {
        {&sys_w_login::sle_userid, Qt::Key_Return, &sys_w_login::sle_account},
        {&sys_w_login::sle_account, Qt::Key_Return, &sys_w_login::user_password},
        {&sys_w_login::sle_userid, Qt::Key_Up, &sys_w_login::sle_account},
        {&sys_w_login::sle_account, Qt::Key_Up, &sys_w_login::user_password},
        {&sys_w_login::user_password, Qt::Key_Up, &sys_w_login::sle_userid},
        {&sys_w_login::sle_userid, Qt::Key_Down, &sys_w_login::user_password},
        {&sys_w_login::sle_account, Qt::Key_Down, &sys_w_login::sle_userid},
        {&sys_w_login::user_password, Qt::Key_Down, &sys_w_login::sle_account},
        {&sys_w_login::sle_account, Qt::Key_A, &sys_w_login::sle_account},
        // No button is the cancel button: Esc leaves the window as it is.
        {&sys_w_login::user_password, Qt::Key_Escape, &sys_w_login::user_password},
    };
    sys_w_login w;
    drive<sys_w_login>(w, [&](sys_w_login& lw) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.key);
            (lw.*c.from).SetFocus();
            press(c.key);
            ASSERT_TRUE(lw.is_open());
            EXPECT_TRUE((lw.*c.to).has_focus());
        }
        // The last edit decides, not the control that has the focus: Enter on
        // a button after the password edit runs the login.
        gateway.script("user_chks_ones", answer("failed", "no"));
        type(lw, "1001", "acc", "pw");
        lw.user_password.SetFocus();
        lw.cb_cancel.SetFocus();
        press(Qt::Key_Return);
        EXPECT_EQ(box_texts(), std::vector<std::string>{"登录失败!no"});
        EXPECT_TRUE(lw.is_open());
    });
    EXPECT_EQ(gateway.request_count(), 1u);
}

TEST_F(Login, TabSkipsTheSignUpButton) {
    sys_w_login w;
    drive<sys_w_login>(w, [&](sys_w_login& lw) {
        const rt::Control* order[] = {&lw.sle_account, &lw.user_password, &lw.cb_ok, &lw.cb_cancel, &lw.sle_userid};
        lw.sle_userid.SetFocus();
        for (const rt::Control* next : order) {
            press(Qt::Key_Tab);
            EXPECT_TRUE(next->has_focus());
        }
    }, "one");
}

TEST_F(Login, FocusSelectsTheFirst28Bytes) {
    sys_w_login w;
    drive<sys_w_login>(w, [&](sys_w_login& lw) {
        lw.sle_account.set_text(std::string(30, 'a'));
        lw.sle_userid.set_text("1001");
        lw.sle_account.SetFocus();
        EXPECT_EQ(lw.sle_account.SelectedText(), std::string(28, 'a'));
        lw.sle_userid.SetFocus();
        EXPECT_EQ(lw.sle_userid.SelectedText(), "1001");
        EXPECT_TRUE(lw.igo.is(&lw.sle_userid));
    });
}

TEST_F(Login, SignUpAnswerIsNotTheLoginAnswer) {
    rt::OnWindowOpened signup([](rt::Window& w) {
        if (w.title() == "帐号注册") rt::CloseWithReturn(w, "ok");
    });
    sys_w_login w;
    const rt::nstring result = drive<sys_w_login>(w, [&](sys_w_login& lw) {
        lw.sle_userid.set_text("12");
        lw.cb_set.TriggerEvent(rt::Event::clicked);
        EXPECT_TRUE(lw.is_open());
        EXPECT_EQ(lw.sle_userid.text(), "12");
        EXPECT_EQ(lw.sle_account.text(), "");
    });
    EXPECT_EQ(result, rt::null);
    EXPECT_EQ(gateway.request_count(), 0u);
}

TEST_F(Login, Screenshot) {
    const std::filesystem::path shots = screenshots_folder();
    dir.write("res/login.jpg", source_file("res/login.jpg"));
    gnv_app->userid = "1001";
    gnv_app->account = "张三";
    sys_w_login w;
    drive<sys_w_login>(w, [&](sys_w_login& lw) {
        EXPECT_TRUE(lw.p_1.loaded());
        EXPECT_TRUE(rt::save_png(lw, (shots / "sys_w_login.png").string()));
    }, "one");
}

// ---- the start-up with the real login window ----------------------------------

TEST_F(Login, StartUpLogsInAndGoesOnToTheBalance) {
    delete gnv_app; // the application object makes its own
    gnv_app = nullptr;
    gateway.script("user_chks_ones", answer("success", "hi"));
    gateway.script("overage", FakeGateway::balance_answer("sucess", "ok", "", "321", "4"));
    velotra::reset_halt();
    int logins = 0;
    rt::OnWindowOpened hook([&](rt::Window& w) {
        auto* lw = dynamic_cast<sys_w_login*>(&w);
        if (!lw) return;
        ++logins;
        type(*lw, "88881001", "acc", "pw");
        lw->cb_ok.TriggerEvent(rt::Event::clicked);
    });
    velotra app;
    app.open("");
    EXPECT_FALSE(velotra::halted());
    EXPECT_EQ(logins, 1);
    std::vector<FakeGateway::Request> requests;
    for (const auto& r : gateway.requests())
        if (r.method == "POST") requests.push_back(r);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].field("action"), "user_chks_ones");
    EXPECT_EQ(requests[1].field("action"), "overage");
    EXPECT_EQ(requests[1].field("userid"), "1001");
    EXPECT_EQ(gnv_app->userid, "1001");
    EXPECT_EQ(gnv_app->overage, "321");
    const std::string ini = dir.read("velotra.ini");
    EXPECT_NE(ini.find("userid=" + gnv_app->of_encrypt("1001", gnv_app->e, gnv_app->n)), std::string::npos) << ini;
    if (w_mdi* frame = w_mdi::current()) rt::Close(*frame);
    app.close();
    velotra::reset_halt();
}
