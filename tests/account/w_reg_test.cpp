// The sign-up window against the fake gateway: the field tests with their
// messages and the column they leave current, the request byte for byte,
// and the answers.
#include "account/w_reg.h"
#include "runtime/inet.h"
#include "runtime/ui/freeform_view.h"
#include "tests/support/screenshot.h"
#include "tests/account/account_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <chrono>
#include <map>
#include <memory>

namespace {

struct Form {
    std::string account = "zhang", password = "secret", company = "公司", realname = "张三",
                mobile = "13800000000", qq = "", email = "";
};

void fill(w_reg& w, const Form& f) {
    const std::pair<const char*, const std::string*> cells[] = {
        {"account", &f.account}, {"password", &f.password}, {"company", &f.company}, {"realname", &f.realname},
        {"mobile", &f.mobile},   {"qq", &f.qq},             {"email", &f.email}};
    for (const auto& [column, value] : cells) ASSERT_EQ(w.dw_reg.SetItem(1, column, *value), 1) << column;
}

// Records each box with the column that was current when it showed, so the
// order of the message and the column change can be seen.
class BoxesWithColumn {
public:
    explicit BoxesWithColumn(w_reg*& w) {
        previous_ = rt::set_message_boxes(std::make_unique<Presenter>(w, shown));
    }
    ~BoxesWithColumn() { rt::set_message_boxes(std::move(previous_)); }
    std::vector<std::pair<std::string, std::string>> shown;

private:
    struct Presenter final : rt::MessageBoxPresenter {
        Presenter(w_reg*& w, std::vector<std::pair<std::string, std::string>>& out) : w_(w), out_(out) {}
        int show(const std::string&, const std::string& text, rt::Icon, rt::Buttons, int def) override {
            out_.push_back({text, w_ ? w_->dw_reg.GetColumnName() : ""});
            return def;
        }
        w_reg*& w_;
        std::vector<std::pair<std::string, std::string>>& out_;
    };
    std::unique_ptr<rt::MessageBoxPresenter> previous_;
};

struct Reg : AccountWindow {
    // Fills the form, presses Register and answers the window's answer.
    rt::nstring submit(const Form& f, const std::function<void(w_reg&)>& after = {},
                       const std::function<void(w_reg&)>& before = {}) {
        w_reg w;
        return drive<w_reg>(w, [&](w_reg& rw) {
            fill(rw, f);
            if (before) before(rw);
            rw.cb_reg.TriggerEvent(rt::Event::clicked);
            if (after) after(rw);
        });
    }
};

rt::blob answer(const rt::nstring& value, const rt::nstring& message) {
    return FakeGateway::account_answer("reg", "7", value, message);
}

} // namespace

TEST_F(Reg, OpensWithOneEmptyRow) {
    w_reg w;
    drive<w_reg>(w, [](w_reg& rw) {
        EXPECT_EQ(rw.title(), "帐号注册");
        EXPECT_EQ(rw.dw_reg.RowCount(), 1);
        for (const char* c : {"account", "password", "company", "realname", "mobile", "qq", "email"})
            EXPECT_EQ(rw.dw_reg.GetItemString(1, c), rt::null) << c;
        EXPECT_EQ(rw.dw_reg.Describe("account_t.Text"), "账      号 ：");
        EXPECT_EQ(rw.dw_reg.Describe("t_5.Text"), "*");
        // The form takes no more bytes than the longest value the tests
        // allow, so an over-long value cannot be typed at all.
        EXPECT_EQ(rw.dw_reg.Describe("account.ColType password.ColType company.ColType realname.ColType "
                                     "mobile.ColType qq.ColType email.ColType"),
                  "char(30)\nchar(20)\nchar(30)\nchar(30)\nchar(11)\nchar(15)\nchar(50)");
        EXPECT_EQ(rw.dw_reg.SetItem(1, "account", std::string(31, 'a')), -1);
    });
}

TEST_F(Reg, FieldTestsStopAtTheFirstFailure) {
    auto with = [](auto change) {
        Form f;
        change(f);
        return f;
    };
    struct {
        const char* name;
        Form form;
        std::string message, column;
    } cases[] = {
        {"everything empty", Form{"", "", "", "", "", "", ""}, "帐号不能为空", "account"},
        {"account of 3 bytes", with([](Form& f) { f.account = "abc"; }), "帐号长度在4至30", "account"},
        {"account trimmed to 3", with([](Form& f) { f.account = "  abc  "; }), "帐号长度在4至30", "account"},
        {"password empty", with([](Form& f) { f.password = "   "; }), "密码不能为空", "password"},
        {"password of 5", with([](Form& f) { f.password = "12345"; }), "密码长度在6至20", "password"},
        {"company empty", with([](Form& f) { f.company = ""; }), "客户名称不能为空", "company"},
        {"contact of one byte", with([](Form& f) { f.realname = "a"; }), "联系人长度在2至30", "realname"},
        {"contact empty", with([](Form& f) { f.realname = ""; }), "联系人不能为空", "realname"},
        {"mobile empty", with([](Form& f) { f.mobile = ""; }), "联系手机不能为空", "mobile"},
        {"mobile of 10", with([](Form& f) { f.mobile = "1380000000"; }), "联系手机格式不正确", "mobile"},
        {"bad e-mail", with([](Form& f) { f.email = "a@b.c."; }), "电子邮件地址格式不正确", "email"},
    };
    w_reg* current = nullptr;
    BoxesWithColumn recorded(current);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recorded.shown.clear();
        w_reg w;
        current = &w;
        const rt::nstring result = drive<w_reg>(w, [&](w_reg& rw) {
            fill(rw, c.form);
            // A column no test fails on, so the one current at the box tells
            // whether the box came before or after the column change.
            ASSERT_EQ(rw.dw_reg.SetColumn("qq"), 1);
            rw.cb_reg.TriggerEvent(rt::Event::clicked);
            EXPECT_TRUE(rw.is_open());
            EXPECT_EQ(rw.dw_reg.GetColumnName(), c.column);
            // The fields keep what was typed, spaces included.
            EXPECT_EQ(rw.dw_reg.GetItemString(1, "account").value_or(""), c.form.account);
        });
        current = nullptr;
        EXPECT_EQ(result, rt::null);
        ASSERT_EQ(recorded.shown.size(), 1u);
        EXPECT_EQ(recorded.shown[0].first, c.message);
        // The account's message comes before its column is made current,
        // every other one after.
        EXPECT_EQ(recorded.shown[0].second, c.column == "account" ? "qq" : c.column);
    }
    EXPECT_EQ(gateway.request_count(), 0u);
}

TEST_F(Reg, BoundaryLengthsPass) {
    Form f;
    f.account = "张三";                 // 4 bytes
    f.password = std::string(20, 'p');
    f.company = "公";                   // 2 bytes
    f.realname = std::string(30, 'r');
    f.mobile = "abcdefghijk";           // any 11 bytes
    f.qq = "  not a number ";
    w_reg w;
    drive<w_reg>(w, [&](w_reg& rw) {
        fill(rw, f);
        EXPECT_TRUE(rw.wf_verify());
        rw.dw_reg.SetItem(1, "account", std::string(30, 'a'));
        rw.dw_reg.SetItem(1, "password", "123456");
        EXPECT_TRUE(rw.wf_verify());
    });
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Reg, EmailPattern) {
    struct {
        const char* email;
        bool ok;
    } cases[] = {
        {"ab@cd.com", true},      {"a.b-c_d@mail.example.cn", true}, {"A1@x-y.z9", true},
        {"a@cd.com", false},      {"ab.@cd.com", false},             {"ab@.cd.com", false},
        {"ab@cdcom", false},      {"ab@cd.com.", false},              {"-ab@cd.com", false},
        {"ab@cd.c_", false},      {"ab cd@ef.com", false},
    };
    w_reg w;
    drive<w_reg>(w, [&](w_reg& rw) {
        fill(rw, Form{});
        for (const auto& c : cases) {
            rw.dw_reg.SetItem(1, "email", std::string(c.email));
            EXPECT_EQ(rw.wf_verify(), c.ok) << c.email;
        }
    });
    EXPECT_EQ(gateway.request_count(), 0u);
}

TEST_F(Reg, SuccessSendsExactBodyLogsAndAnswersOk) {
    gateway.script("reg_thr_ones", answer("SUCCESS", "80012345"));
    Form f{"", "p+ss%w0rd", "某某公司", " 李四 ", "13800000000", " 12345 ", " a.b@c-d.cn "};
    // The account is still in its edit when Register is pressed.
    EXPECT_EQ(submit(f, {}, [](w_reg& rw) {
                  QLineEdit* edit = rw.dw_reg.form()->edit(1);
                  edit->setFocus();
                  edit->insert(QString::fromUtf8(" zh&ng "));
              }),
              "ok");
    ASSERT_EQ(gateway.request_count(), 1u);
    const auto r = gateway.last_request();
    EXPECT_EQ(r.path, "/api/com_api_thro.aspx");
    EXPECT_EQ(r.body, "action=reg_thr_ones&reg_account=zh%26ng&reg_password=p%2Bss%25w0rd&reg_realname=李四"
                      "&reg_company=某某公司&reg_mobile=13800000000&reg_qq=12345&reg_email=a.b@c-d.cn&reg_valicode=");
    EXPECT_EQ(box_texts(), std::vector<std::string>{"注册成功! 你的企业号[80012345]请保存好!!"});
    EXPECT_EQ(today_log(), log_entry("注册帐号\treturncode[7] returnmessage[80012345]\t"));
    // Nothing else is kept.
    EXPECT_EQ(dir.read("velotra.ini"), "");
    EXPECT_EQ(gnv_app->account, "");
}

TEST_F(Reg, RefusedOddAndBrokenAnswersKeepTheWindowOpen) {
    struct {
        const char* name;
        rt::blob answer;
        FakeGateway::Failure failure;
        std::string message;
    } steps[] = {
        {"refused", answer("Failed", "帐号已存在"), FakeGateway::Failure::none, "注册失败!帐号已存在"},
        {"refused without a message", answer("failed", rt::null), FakeGateway::Failure::none, "注册失败!帐号已存在"},
        {"no children", "<r/>", FakeGateway::Failure::none, "无法识别返回代码,注册失败![帐号已存在]"},
        {"unknown word", answer("done", "?"), FakeGateway::Failure::none, "无法识别返回代码,注册失败![?]"},
        {"not XML", "<r><returnvalue>success</r>", FakeGateway::Failure::none, "无效返回数据,错误代码[-3]"},
        {"failed post", answer("success", "1"), FakeGateway::Failure::refuse,
         "与服务器数据交互失败,错误代码[" + std::to_string(rt::inet_cannot_connect) + "]"},
    };
    w_reg w;
    drive<w_reg>(w, [&](w_reg& rw) {
        fill(rw, Form{});
        for (const auto& s : steps) {
            SCOPED_TRACE(s.name);
            gateway.script("reg_thr_ones", s.answer);
            gateway.fail(s.failure);
            rw.cb_reg.TriggerEvent(rt::Event::clicked);
            EXPECT_TRUE(rw.is_open());
            EXPECT_EQ(box_texts(), std::vector<std::string>{s.message});
        }
    });
    EXPECT_EQ(w.answer(), rt::null);
    EXPECT_EQ(today_log(), "");
}

TEST_F(Reg, EnterAndEscPressNeitherButton) {
    w_reg w;
    drive<w_reg>(w, [](w_reg& rw) {
        fill(rw, Form{});
        QLineEdit* edit = rw.dw_reg.form()->edit(1);
        edit->setFocus();
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(edit, &down);
            EXPECT_TRUE(rw.is_open()) << key;
        }
    });
    EXPECT_EQ(w.answer(), rt::null);
    EXPECT_EQ(gateway.request_count(), 0u);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Reg, CancelGivesNoAnswer) {
    w_reg w;
    EXPECT_EQ(drive<w_reg>(w, [](w_reg& rw) { rw.cb_cancel.TriggerEvent(rt::Event::clicked); }), rt::null);
    EXPECT_FALSE(w.is_open());
}

TEST_F(Reg, Screenshot) {
    w_reg w;
    drive<w_reg>(w, [](w_reg& rw) {
        fill(rw, Form{"zhang", "secret", "某某公司", "张三", "13800000000", "12345", "a@b.cn"});
        EXPECT_TRUE(rt::save_png(rw, (screenshots_folder() / "w_reg.png").string()));
    });
}
