// The settings window: what it shows from velotra.ini and the manager, the
// balance query against the fake gateway, the save and its failures, and
// the signature list with the dialog that adds to it.
#include "account/w_set.h"

#include "runtime/inet.h"
#include "runtime/profile.h"
#include "runtime/strings.h"
#include "tests/support/screenshot.h"
#include "runtime/xml.h"
#include "sending/w_signature.h"
#include "tests/account/account_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>

#include <chrono>
#include <filesystem>

namespace {

using Settings = AccountWindow;

std::vector<std::string> items(const rt::ListBox& lb) {
    std::vector<std::string> v;
    for (int i = 1; i <= lb.TotalItems(); ++i) v.push_back(lb.Text(i));
    return v;
}

void type(w_set& w, const std::string& userid, const std::string& account, const std::string& password) {
    w.sle_userid.set_text(userid);
    w.sle_account.set_text(account);
    w.sle_password.set_text(password);
}

// The signature dialog, whenever it opens, answered as a user would: the
// text typed and OK pressed, or Cancel when `text` is null.
struct DialogAnswers {
    rt::nstring text;
    int opened = 0;
    rt::OnWindowOpened hook{[this](rt::Window& w) {
        auto* dialog = dynamic_cast<w_signature*>(&w);
        if (!dialog) return;
        ++opened;
        if (!text) {
            dialog->sle_signature.set_text("typed, then cancelled");
            dialog->cb_cancel.TriggerEvent(rt::Event::clicked);
            return;
        }
        dialog->sle_signature.set_text(*text);
        dialog->cb_ok.TriggerEvent(rt::Event::clicked);
    }};
};

} // namespace

// ---- opening -------------------------------------------------------------------

TEST_F(Settings, OpensWithTheStoredListBoxesAndCredentials) {
    struct {
        const char* name;
        std::string ini;
        std::vector<std::string> list;
        bool windowpos, auto_signature;
    } cases[] = {
        {"nothing stored", "", {"澄渊达"}, true, true},
        {"empty list", "[mobile]\r\nsignature=\r\n[cfg]\r\nwindowpos=\r\nauto_signature=\r\n", {"澄渊达"}, true, true},
        {"empty piece and a final separator", "[mobile]\r\nsignature=a;;b;\r\n", {"a", "", "b"}, true, true},
        {"spaces inside stay", "[mobile]\r\nsignature= x ; y \r\n", {"x ", " y"}, true, true},
        {"one signature", "[mobile]\r\nsignature=岚舟汇\r\n", {"岚舟汇"}, true, true},
        {"only 0 clears", "[cfg]\r\nwindowpos=0\r\nauto_signature=0\r\n", {"澄渊达"}, false, false},
        {"other texts tick", "[cfg]\r\nwindowpos=no\r\nauto_signature=2\r\n", {"澄渊达"}, true, true},
        {"1 ticks", "[cfg]\r\nwindowpos=1\r\nauto_signature=0\r\n", {"澄渊达"}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("velotra.ini", c.ini);
        gnv_app->userid = " 1001";
        gnv_app->account = "张三";
        gnv_app->password = "secret";
        w_set w;
        drive<w_set>(w, [&](w_set& lw) {
            EXPECT_EQ(items(lw.lb_signature), c.list);
            EXPECT_EQ(lw.cbx_windowpos.checked(), c.windowpos);
            EXPECT_EQ(lw.cbx_signature.checked(), c.auto_signature);
            EXPECT_EQ(lw.sle_userid.text(), " 1001");
            EXPECT_EQ(lw.sle_account.text(), "张三");
            EXPECT_EQ(lw.sle_password.text(), "secret");
            EXPECT_TRUE(lw.sle_password.password());
            EXPECT_EQ(lw.tab_1.selectedtab(), 1);
        });
        // Opening writes nothing.
        EXPECT_EQ(dir.read("velotra.ini"), c.ini);
    }
}

TEST_F(Settings, AnEmptyDefaultSignatureLeavesTheListEmpty) {
    gnv_app->signature_default = "";
    w_set w;
    drive<w_set>(w, [](w_set& lw) { EXPECT_EQ(lw.lb_signature.TotalItems(), 0); });
}

// ---- the balance query ---------------------------------------------------------

TEST_F(Settings, BalanceQueryChecksTheEditsFirst) {
    struct {
        std::string userid, account, password, message;
        pfc_u_sle w_set::*focused;
    } cases[] = {
        {"", "", "", "企业ID不能为空!", &w_set::sle_userid},
        {"   ", "a", "p", "企业ID不能为空!", &w_set::sle_userid},
        {"1001", " ", "p", "帐号不能为空!", &w_set::sle_account},
        {"1001", "a", "", "密码不能为空!", &w_set::sle_password},
    };
    gnv_app->userid = "kept";
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.message);
            type(lw, c.userid, c.account, c.password);
            lw.cb_query.TriggerEvent(rt::Event::clicked);
            EXPECT_EQ(box_texts(), std::vector<std::string>{c.message});
            EXPECT_TRUE((lw.*c.focused).has_focus());
        }
    });
    EXPECT_EQ(gateway.request_count(), 0u);
    EXPECT_EQ(gnv_app->userid, "kept");
}

TEST_F(Settings, BalanceQueryReadsItsOwnAnswer) {
    // One window, query after query: the values carry over from answer to
    // answer, except the status, which must come from each answer itself.
    struct {
        const char* name;
        rt::blob answer;
        std::string message;
        rt::Icon icon;
    } steps[] = {
        {"no children on the first query", "<answer/>", "", rt::Icon::StopSign},
        {"success in capitals", FakeGateway::balance_answer("SUCESS", "ok", "p", "321", "9"), "当前剩余条数[321]",
         rt::Icon::Information},
        {"success without an overage", FakeGateway::balance_answer("sucess", "ok", rt::null, "  ", rt::null),
         "当前剩余条数[321]", rt::Icon::Information},
        {"the other spelling is a refusal", FakeGateway::balance_answer("success", "帐号错误", "", "5", ""),
         "帐号错误", rt::Icon::StopSign},
        {"refused without a message", FakeGateway::balance_answer("faild", rt::null, "", "", ""), "帐号错误",
         rt::Icon::StopSign},
        {"success again", FakeGateway::balance_answer("sucess", "ok", "", "7", ""), "当前剩余条数[7]",
         rt::Icon::Information},
        // Not the earlier success reported with this answer's balance.
        {"no status after a success", FakeGateway::balance_answer(rt::null, "余额", "", "8", ""), "余额",
         rt::Icon::StopSign},
    };
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        type(lw, " 1001 ", "张三 ", " pw");
        for (const auto& s : steps) {
            SCOPED_TRACE(s.name);
            gateway.script("overage", s.answer);
            lw.cb_query.TriggerEvent(rt::Event::clicked);
            ASSERT_EQ(boxes.shown().size(), 1u);
            EXPECT_EQ(boxes.shown()[0].text, s.message);
            EXPECT_EQ(boxes.shown()[0].icon, s.icon);
            boxes.clear();
            EXPECT_TRUE(lw.is_open());
        }
        EXPECT_EQ(lw.overage, "8");
        EXPECT_EQ(lw.payinfo, "p");
        EXPECT_EQ(lw.sendtotal, "9");
    });
    ASSERT_EQ(gateway.request_count(), std::size(steps));
    const auto r = gateway.last_request();
    EXPECT_EQ(r.path, "/sms.aspx");
    // Sent as typed; the manager keeps them so.
    EXPECT_EQ(r.body, "action=overage&userid= 1001 &account=张三 &password= pw");
    EXPECT_EQ(gnv_app->userid, " 1001 ");
    EXPECT_EQ(gnv_app->account, "张三 ");
    EXPECT_EQ(gnv_app->password, " pw");
    // The window's answer is its own.
    EXPECT_EQ(gnv_app->overage, "");
    EXPECT_EQ(gnv_app->status, "");
    EXPECT_EQ(dir.read("velotra.ini"), "");
}

TEST_F(Settings, BalanceQueryThatGetsNoXml) {
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        type(lw, "1001", "acc", "pw");
        gateway.script("overage", FakeGateway::balance_answer("sucess", "ok", "", "321", ""));
        lw.cb_query.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(box_texts(), std::vector<std::string>{"当前剩余条数[321]"});

        gateway.script("overage", "balance 5");
        lw.cb_query.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(box_texts(), std::vector<std::string>{"无效返回数据,错误代码[-3]"});

        // The manager's box, then the empty text it leaves is not XML.
        gateway.fail(FakeGateway::Failure::refuse);
        lw.cb_query.TriggerEvent(rt::Event::clicked);
        ASSERT_EQ(boxes.shown().size(), 2u);
        EXPECT_EQ(boxes.shown()[0].text,
                  "与服务器数据交互失败,错误代码[" + std::to_string(rt::inet_cannot_connect) + "]");
        EXPECT_EQ(boxes.shown()[0].icon, rt::Icon::StopSign);
        EXPECT_EQ(boxes.shown()[1].text, "无效返回数据,错误代码[" + std::to_string(rt::XMLParseString("")) + "]");
        EXPECT_EQ(boxes.shown()[1].icon, rt::Icon::Information);
        EXPECT_NE(rt::XMLParseString(""), rt::xml_well_formed);
        EXPECT_EQ(lw.overage, "321");
        EXPECT_TRUE(lw.is_open());
    });
}

// ---- saving ----------------------------------------------------------------------

TEST_F(Settings, SaveStoresTheTrimmedCredentialsScrambledAndCloses) {
    struct {
        const char* name;
        std::string userid, account, password;
        bool auto_signature;
    } cases[] = {
        {"spaces around", " 1001 ", "  张三", "pw  ", false},
        {"all empty", "", "", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w_set w;
        drive<w_set>(w, [&](w_set& lw) {
            type(lw, c.userid, c.account, c.password);
            lw.cbx_signature.set_checked(c.auto_signature);
            lw.cb_set.TriggerEvent(rt::Event::clicked);
            EXPECT_FALSE(lw.is_open());
        });
        EXPECT_EQ(w.answer(), rt::null);
        const std::string ini = dir.program() + "\\velotra.ini";
        EXPECT_EQ(rt::ProfileString(ini, "cfg", "userid", "?"), scrambled(rt::Trim(c.userid)));
        EXPECT_EQ(rt::ProfileString(ini, "cfg", "account", "?"), scrambled(rt::Trim(c.account)));
        EXPECT_EQ(rt::ProfileString(ini, "cfg", "password", "?"), scrambled(rt::Trim(c.password)));
        EXPECT_EQ(rt::ProfileString(ini, "cfg", "auto_signature", "?"), c.auto_signature ? "1" : "0");
        EXPECT_EQ(gnv_app->userid, rt::Trim(c.userid));
        EXPECT_EQ(gnv_app->account, rt::Trim(c.account));
        EXPECT_EQ(gnv_app->password, rt::Trim(c.password));
        EXPECT_EQ(gnv_app->auto_signature, c.auto_signature);
        // Neither the list nor the keep-on-top box is the save's to write.
        EXPECT_EQ(rt::ProfileString(ini, "mobile", "signature", "?"), "?");
        EXPECT_EQ(rt::ProfileString(ini, "cfg", "windowpos", "?"), "?");
        EXPECT_TRUE(box_texts().empty());
    }
    EXPECT_EQ(scrambled(""), "");
    EXPECT_NE(scrambled("1001"), "1001");
}

TEST_F(Settings, SaveIntoAReadOnlyIniKeepsTheWindowOpen) {
    const std::string before = "[cfg]\r\nauto_signature=1\r\n";
    dir.write("velotra.ini", before);
    std::filesystem::permissions(dir.native() / "velotra.ini", std::filesystem::perms::owner_read);
    gnv_app->auto_signature = true;
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        type(lw, " 1001", "acc", "pw");
        lw.cbx_signature.set_checked(false);
        lw.cb_set.TriggerEvent(rt::Event::clicked);
        EXPECT_TRUE(lw.is_open());
        EXPECT_EQ(box_texts(), std::vector<std::string>{"保存企业ID失败!"});
    });
    EXPECT_EQ(dir.read("velotra.ini"), before);
    // The manager already holds the new values; the automatic signature is
    // left as it was.
    EXPECT_EQ(gnv_app->userid, "1001");
    EXPECT_EQ(gnv_app->password, "pw");
    EXPECT_TRUE(gnv_app->auto_signature);
}

TEST_F(Settings, CloseWritesNothing) {
    const struct {
        const char* name;
        void (*close)(w_set&);
    } ways[] = {
        {"关闭&C", [](w_set& w) { w.cb_close.TriggerEvent(rt::Event::clicked); }},
        {"Esc presses the cancel button",
         [](w_set&) {
             QKeyEvent down(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(QApplication::focusWidget(), &down);
         }},
        {"the close box", [](w_set& w) { rt::Close(w); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        w_set w;
        drive<w_set>(w, [&](w_set& lw) {
            EXPECT_TRUE(lw.cb_close.is_cancel());
            type(lw, "1001", "acc", "pw");
            lw.cbx_signature.set_checked(false);
            lw.sle_account.SetFocus();
            way.close(lw);
            EXPECT_FALSE(lw.is_open());
        });
        EXPECT_EQ(dir.read("velotra.ini"), "");
        EXPECT_EQ(gnv_app->userid, "");
    }
}

// ---- the signature list ----------------------------------------------------------

TEST_F(Settings, AddedSignaturesAreStoredAtOnceAndSurviveClose) {
    DialogAnswers dialog;
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        for (const char* s : {"  岚舟汇 ", "澄渊达"}) {
            dialog.text = s;
            lw.pb_signature.TriggerEvent(rt::Event::clicked);
        }
        // The same signature twice is the user's choice.
        EXPECT_EQ(items(lw.lb_signature), (std::vector<std::string>{"澄渊达", "岚舟汇", "澄渊达"}));
        lw.cb_close.TriggerEvent(rt::Event::clicked);
    });
    EXPECT_EQ(dialog.opened, 2);
    EXPECT_EQ(gnv_app->pub_f_get_sysvar("mobile", "signature", "?"), "澄渊达;岚舟汇;澄渊达");
    EXPECT_EQ(gnv_app->signature, "澄渊达;岚舟汇;澄渊达");

    w_set again;
    drive<w_set>(again, [](w_set& lw) {
        EXPECT_EQ(items(lw.lb_signature), (std::vector<std::string>{"澄渊达", "岚舟汇", "澄渊达"}));
    });
}

TEST_F(Settings, CancelledOrRefusedDialogChangesNothing) {
    dir.write("velotra.ini", "[mobile]\r\nsignature=a;b\r\n");
    gnv_app->signature = "a;b";
    DialogAnswers dialog;
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        dialog.text = "c";
        lw.pb_signature.TriggerEvent(rt::Event::clicked);
        // Right after an accepted signature, a cancel adds nothing.
        dialog.text = rt::null;
        lw.pb_signature.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(items(lw.lb_signature), (std::vector<std::string>{"a", "b", "c"}));
    });
    EXPECT_EQ(dialog.opened, 2);
    EXPECT_EQ(dir.read("velotra.ini"), "[mobile]\r\nsignature=a;b;c\r\n");
    EXPECT_EQ(gnv_app->signature, "a;b;c");
}

TEST_F(Settings, RemovingKeepsTheOrderAndTheLastOneLeavesTheDefault) {
    dir.write("velotra.ini", "[mobile]\r\nsignature=a;;b\r\n");
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        // Nothing selected: nothing happens.
        lw.pb_remove.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(lw.lb_signature.TotalItems(), 3);
        EXPECT_EQ(dir.read("velotra.ini"), "[mobile]\r\nsignature=a;;b\r\n");

        // The empty item stays in the list but not in the stored value.
        lw.lb_signature.SelectItem(1);
        lw.pb_remove.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(items(lw.lb_signature), (std::vector<std::string>{"", "b"}));
        EXPECT_EQ(gnv_app->signature, "b");
        EXPECT_EQ(gnv_app->pub_f_get_sysvar("mobile", "signature", "?"), "b");
        // Nothing is selected after a removal: a second click (or a quick
        // double click) removes nothing the user did not choose.
        EXPECT_EQ(lw.lb_signature.SelectedIndex(), -1);
        lw.pb_remove.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(items(lw.lb_signature), (std::vector<std::string>{"", "b"}));

        lw.lb_signature.SelectItem(2);
        lw.pb_remove.TriggerEvent(rt::Event::clicked);
        lw.lb_signature.SelectItem(1);
        lw.pb_remove.TriggerEvent(rt::Event::clicked);
        EXPECT_EQ(lw.lb_signature.TotalItems(), 0);
        lw.pb_remove.TriggerEvent(rt::Event::clicked);
    });
    EXPECT_EQ(dir.read("velotra.ini"), "[mobile]\r\nsignature=\r\n");
    EXPECT_EQ(gnv_app->signature, "");

    w_set again;
    drive<w_set>(again, [](w_set& lw) { EXPECT_EQ(items(lw.lb_signature), std::vector<std::string>{"澄渊达"}); });
}

// A change that velotra.ini does not take is reported, and the list shows
// what the file still holds: the added signature is not in it, the removed
// one is back.
TEST_F(Settings, SignatureChangeThatCannotBeStoredIsReportedAndUndone) {
    const std::string before = "[mobile]\r\nsignature=a;b\r\n";
    dir.write("velotra.ini", before);
    std::filesystem::permissions(dir.native() / "velotra.ini", std::filesystem::perms::owner_read);
    gnv_app->signature = "a;b";
    DialogAnswers dialog;
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        const std::function<void()> changes[] = {
            [&] {
                dialog.text = "c";
                lw.pb_signature.TriggerEvent(rt::Event::clicked);
            },
            [&] {
                lw.lb_signature.SelectItem(1);
                lw.pb_remove.TriggerEvent(rt::Event::clicked);
            },
        };
        for (const auto& change : changes) {
            boxes.clear();
            change();
            ASSERT_EQ(boxes.shown().size(), 1u);
            EXPECT_EQ(boxes.shown()[0].text, "保存签名失败!");
            EXPECT_EQ(boxes.shown()[0].icon, rt::Icon::Information);
            EXPECT_EQ(items(lw.lb_signature), (std::vector<std::string>{"a", "b"}));
            EXPECT_EQ(gnv_app->signature, "a;b");
        }
    });
    EXPECT_EQ(dialog.opened, 1);
    EXPECT_EQ(dir.read("velotra.ini"), before);
}

TEST_F(Settings, KeepOnTopIsStoredAtEveryClick) {
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        lw.tab_1.SelectTab(2);
        ASSERT_TRUE(lw.cbx_windowpos.checked());
        lw.cbx_windowpos.box()->click();
        EXPECT_EQ(dir.read("velotra.ini"), "[cfg]\r\nwindowpos=0\r\n");
        lw.cbx_windowpos.box()->click();
        EXPECT_EQ(dir.read("velotra.ini"), "[cfg]\r\nwindowpos=1\r\n");
        lw.cbx_windowpos.box()->click();
        lw.cb_close.TriggerEvent(rt::Event::clicked);
    });
    EXPECT_EQ(dir.read("velotra.ini"), "[cfg]\r\nwindowpos=0\r\n");
    w_set again;
    drive<w_set>(again, [](w_set& lw) { EXPECT_FALSE(lw.cbx_windowpos.checked()); });
}

TEST_F(Settings, TabWalksEachPageInItsOrder) {
    const auto press_tab = [] {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(target, &down);
    };
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        lw.sle_userid.SetFocus();
        for (const rt::Control* next : std::initializer_list<const rt::Control*>{
                 &lw.sle_account, &lw.sle_password, &lw.cb_query, &lw.cb_set, &lw.cb_close}) {
            press_tab();
            EXPECT_TRUE(next->has_focus());
        }
        lw.tab_1.SelectTab(2);
        lw.lb_signature.SetFocus();
        for (const rt::Control* next :
             std::initializer_list<const rt::Control*>{&lw.pb_signature, &lw.pb_remove, &lw.cb_set}) {
            press_tab();
            EXPECT_TRUE(next->has_focus());
        }
    });
}

TEST_F(Settings, Screenshots) {
    for (const char* f : {"res/BtnDefault.jpg", "res/BtnFocus.jpg", "res/BtnDisable.jpg"}) dir.write(f, source_file(f));
    dir.write("velotra.ini", "[mobile]\r\nsignature=澄渊达;岚舟汇;测试签名\r\n");
    gnv_app->userid = "1001";
    gnv_app->account = "张三";
    gnv_app->password = "secret";
    w_set w;
    drive<w_set>(w, [&](w_set& lw) {
        EXPECT_EQ(lw.title(), "参数设置");
        EXPECT_TRUE(rt::save_png(lw, (screenshots_folder() / "w_set_account.png").string()));
        lw.tab_1.SelectTab(2);
        lw.lb_signature.SelectItem(2);
        EXPECT_TRUE(rt::save_png(lw, (screenshots_folder() / "w_set_signatures.png").string()));
    });
}
