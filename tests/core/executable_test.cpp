// The built client, started offscreen in a fresh folder against the fake
// gateway: it creates velotra.ini, opens the frame and the login window, and
// ends with exit code 0 when the login window closes without an answer.
#include "runtime/gbk.h"
#include "tests/support/scripted.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {
// The literals of this file are GBK, like every text of the program.
QString utf8(const char* gbk) { return QString::fromStdString(rt::gbk_to_utf8(gbk)); }
} // namespace

TEST(Executable, StartsOffscreenAndEndsWhenTheLoginIsClosed) {
    // The programs and the test programs share one output folder.
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    ASSERT_TRUE(fs::exists(bin / "velotra")) << bin;
    testing_support::TempProgramFolder dir;
    // A copy, not a link: the program finds its folder from its own file.
    fs::copy_file(bin / "velotra", dir.native() / "velotra");
    if (fs::exists(bin / "res")) fs::copy(bin / "res", dir.native() / "res", fs::copy_options::recursive);
    FakeGateway gateway;

    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELOTRA_URL", QString::fromStdString(gateway.url()));
    env.insert("VELOTRA_WEBURL", QString::fromStdString(gateway.url()));
    env.insert("VELOTRA_TEST_CLOSE", utf8("系统登录"));
    env.remove("VELOTRA_DEV");
    client.setProcessEnvironment(env);
    client.setWorkingDirectory(QString::fromStdString(fs::temp_directory_path().string()));
    client.start(QString::fromStdString((dir.native() / "velotra").string()), {});
    ASSERT_TRUE(client.waitForStarted(10000));
    ASSERT_TRUE(client.waitForFinished(60000)) << "the client did not end";

    const QString out = QString::fromUtf8(client.readAllStandardOutput());
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().toStdString();
    EXPECT_TRUE(out.contains(utf8("opened: 澄渊达通讯平台"))) << out.toStdString();
    EXPECT_TRUE(out.contains(utf8("opened: 系统登录"))) << out.toStdString();
    EXPECT_TRUE(dir.exists("velotra.ini"));
    EXPECT_EQ(dir.read("velotra.ini"), "");
}
