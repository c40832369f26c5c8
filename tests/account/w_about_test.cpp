// The about box: title, icon or logo, the manager's texts, the help lines,
// and the ways it closes.
#include "account/w_about.h"

#include "runtime/gbk.h"
#include "tests/support/screenshot.h"
#include "tests/account/account_fixture.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

struct About : AccountWindow {
    void SetUp() override {
        AccountWindow::SetUp();
        // The icon is named in GBK, as the manager names it; files are UTF-8.
        const std::string icon = rt::gbk_to_utf8("res/澄渊达.ico");
        dir.write(icon, source_file(icon));
        ASSERT_FALSE(source_file(icon).empty());
        dir.write("res/pfcmsg.bmp", source_file("res/pfcmsg.bmp"));
    }
};

const std::string help_lines[] = {
    "Excel文件发送短信。",
    "应用于Excel发送工资短信、Excel发快递短信、Excel发水电费明细短信等，行业领域内的带Excel变量的短信文件。",
    "优点：速度快、操作简单。",
    "什么是短信工资条？就是把工资明细用短信发到手机上，这样即提高了效率又节省了纸张，又方便。",
    "我们来介绍一款用来处理Excel工资条,并将每个人的工资明细以短信的形式发送到对方手机上的软件。",
    "用于快速处理Excel文件中的短信内容、Excel工资条自动拆分发送短信等。",
};

} // namespace

TEST_F(About, WithTheManagersDefaults) {
    w_about w;
    drive<w_about>(w, [&](w_about& lw) {
        EXPECT_EQ(lw.title(), "About 澄渊达通讯平台");
        EXPECT_EQ(lw.st_application.text(), "澄渊达通讯平台");
        EXPECT_EQ(lw.st_version.text(), "");
        EXPECT_EQ(lw.st_copyright.text(), "");
        EXPECT_FALSE(lw.p_about.visible());
        EXPECT_TRUE(lw.uo_about.visible());
        EXPECT_EQ(lw.uo_about.size, 32);
        EXPECT_GT(lw.uo_about.iconhandle, 0);
        std::string help;
        for (const auto& line : help_lines) help += (help.empty() ? "" : "\r\n") + line;
        EXPECT_EQ(lw.mle_help.text(), help);
        EXPECT_EQ(help.size(), 399u);
        EXPECT_TRUE(lw.mle_help.displayonly());
        EXPECT_TRUE(rt::save_png(lw, (screenshots_folder() / "w_about.png").string()));
    });
}

TEST_F(About, TitleIconAndLogoByWhatIsSet) {
    struct {
        const char* name;
        std::string appname, appico, logo, version;
        std::string title;
        bool logo_shown, icon_shown;
    } cases[] = {
        {"empty title", "", "res\\澄渊达.ico", "res\\pfcmsg.bmp", "", "About", false, true},
        {"no icon: the logo", "平台", "", "res\\pfcmsg.bmp", "1,0,0,1", "About 平台", true, false},
        {"neither", "平台", "", "", "", "About 平台", false, false},
        {"an icon that cannot be loaded", "平台", "res\\岚舟汇.ico", "res\\pfcmsg.bmp", "", "About 平台", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gnv_app->appname = c.appname;
        gnv_app->appico = c.appico;
        gnv_app->of_setlogo(c.logo);
        gnv_app->of_setversion(c.version);
        w_about w;
        drive<w_about>(w, [&](w_about& lw) {
            EXPECT_EQ(lw.title(), c.title);
            EXPECT_EQ(lw.st_application.text(), c.appname);
            EXPECT_EQ(lw.st_version.text(), c.version);
            EXPECT_EQ(lw.p_about.visible(), c.logo_shown);
            EXPECT_EQ(lw.uo_about.visible(), c.icon_shown);
            if (c.logo_shown) {
                // At the picture's own size: 64 by 64 pixels.
                EXPECT_TRUE(lw.p_about.loaded());
                EXPECT_EQ(lw.p_about.width(), rt::px_to_units_x(64));
                EXPECT_EQ(lw.p_about.height(), rt::px_to_units_y(64));
                EXPECT_TRUE(rt::save_png(lw, (screenshots_folder() / "w_about_logo.png").string()));
            }
        });
    }
    // The one that cannot be loaded is not in the folder.
    EXPECT_FALSE(dir.exists(rt::gbk_to_utf8("res/岚舟汇.ico")));
}

TEST_F(About, EnterAndOkClose) {
    w_about by_enter;
    drive<w_about>(by_enter, [](w_about& lw) {
        // Whatever has the focus when the box opens: Enter presses OK.
        EXPECT_TRUE(lw.cb_ok.is_default());
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(target, &down);
        EXPECT_FALSE(lw.is_open());
    });
    w_about by_ok;
    drive<w_about>(by_ok, [](w_about& lw) {
        lw.cb_ok.TriggerEvent(rt::Event::clicked);
        EXPECT_FALSE(lw.is_open());
    });
    EXPECT_EQ(gnv_app->appname, "澄渊达通讯平台");
    EXPECT_EQ(dir.read("velotra.ini"), "");
}
