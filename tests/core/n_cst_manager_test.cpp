// The manager's small services: string helpers, scrambling, message boxes,
// the credential check and the version stamp.
#include "core/n_cst_manager.h"

#include "runtime/gbk.h"
#include "runtime/path.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using testing_support::RecordedBoxes;

namespace {

struct Manager : ::testing::Test {
    n_cst_manager m;
    void SetUp() override {
        m.pub_app_init();
    }
};

} // namespace

TEST(ManagerStrings, LastPos) {
    n_cst_manager m;
    struct {
        rt::nstring source, find;
        rt::nlong pos;
    } cases[] = {
        {"a\\b\\c", "\\", 4}, {"C:\\a\\b.exe", "\\", 5}, {"aaa", "aa", 2}, {"abc", "\\", 0},
        {"", "\\", 0},        {rt::null, "\\", rt::null}, {"abc", rt::null, rt::null},
    };
    for (const auto& c : cases) EXPECT_EQ(m.pub_lastpos(c.source, c.find), c.pos) << rt::or_empty(c.source);
}

TEST(ManagerStrings, FieldOfSeparatedText) {
    n_cst_manager m;
    struct {
        rt::nstring s;
        int p;
        std::string field;
    } cases[] = {
        {"a,b,c", 2, "b"}, {"a,b,c", 3, "c"}, {"a,b,c", 4, ""}, {"a,b,c", 0, ""}, {"abc", 1, "abc"},
        {",x", 1, ""},     {"a,,b", 2, ""},   {"a,", 2, ""},     {rt::null, 1, ""}, {"a,b", -1, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(m.pub_f_xsubs(c.s, ',', c.p), c.field) << rt::or_empty(c.s) << " " << c.p;
    EXPECT_EQ(m.pub_f_xsubs("a,b", std::nullopt, 1), "");
}

TEST(ManagerStrings, Str2StrTrimsSpacesOnly) {
    n_cst_manager m;
    EXPECT_EQ(m.pub_f_str2str(rt::null), "");
    EXPECT_EQ(m.pub_f_str2str("  a b \t "), "a b \t");
    EXPECT_EQ(m.pub_f_str2str("   "), "");
}

TEST_F(Manager, KeyMeetsTheRelation) {
    EXPECT_GE(m.n, 10000000);
    EXPECT_LE(m.n, 94906266);
    EXPECT_GE(m.e, 10000000);
    EXPECT_GE(m.d, 10000000);
    for (int b = 0; b < 256; ++b) {
        double v = m.of_mult(b, m.e, m.n);
        EXPECT_EQ(m.of_mult(v, m.d, m.n), b) << b;
    }
}

TEST_F(Manager, ScramblingRoundTripsEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    std::string s = m.of_encrypt(all, m.e, m.n);
    ASSERT_EQ(s.size(), 8u * all.size());
    EXPECT_EQ(s.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(m.of_decrypt(s, m.d, m.n), all);
    EXPECT_EQ(m.of_decrypt(m.of_encrypt("岚舟汇", m.e, m.n), m.d, m.n), "岚舟汇");
    EXPECT_EQ(m.of_encrypt("", m.e, m.n), "");
    EXPECT_EQ(m.of_decrypt("", m.d, m.n), "");
    EXPECT_EQ(m.of_decrypt(rt::null, m.d, m.n), "");
}

TEST_F(Manager, CorruptScrambledValueGivesNoNulOrStrayByte) {
    // Blocks of zeros, letters, a short tail and numbers beyond the modulus
    // were never written by of_encrypt; none may yield byte 0.
    const std::string good = m.of_encrypt("ab", m.e, m.n);
    for (std::string bad : {std::string("00000000"), std::string("abcdefgh"), std::string("99999999"),
                            good + "123", std::string("0000000100000000")}) {
        EXPECT_EQ(m.of_decrypt(bad, m.d, m.n).find('\0'), std::string::npos) << bad;
    }
    EXPECT_EQ(m.of_decrypt("00000000", m.d, m.n), "");
    EXPECT_EQ(m.of_decrypt(good + "00000000", m.d, m.n), "ab");
}

TEST(ManagerMult, ReducesBaseAndHandlesZeroPower) {
    n_cst_manager m;
    EXPECT_EQ(m.of_mult(7, 0, 13), 1);
    EXPECT_EQ(m.of_mult(7, -3, 13), 1);
    EXPECT_EQ(m.of_mult(2, 10, 1000), 24);
    // A base above the modulus is reduced first, so the square stays exact.
    EXPECT_EQ(m.of_mult(90343037.0 * 3 + 5, 3, 90343037), 125);
}

TEST(ManagerMessages, ThreeFormsTitleIconButtons) {
    RecordedBoxes boxes;
    n_cst_manager m;
    EXPECT_EQ(m.pub_msg("before"), 1);
    m.pub_app_init();
    boxes.answer_next(2);
    EXPECT_EQ(m.pub_msg("send?", rt::Icon::Question, rt::Buttons::YesNo), 2);
    m.pub_msg("stop", rt::Icon::StopSign);
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[0].title, "Default");
    EXPECT_EQ(boxes.shown()[0].icon, rt::Icon::Information);
    EXPECT_EQ(boxes.shown()[0].buttons, rt::Buttons::OK);
    EXPECT_EQ(boxes.shown()[1].title, "澄渊达通讯平台");
    EXPECT_EQ(boxes.shown()[1].buttons, rt::Buttons::YesNo);
    EXPECT_EQ(boxes.shown()[1].default_button, 1);
    EXPECT_EQ(boxes.shown()[2].icon, rt::Icon::StopSign);
    EXPECT_EQ(boxes.shown()[2].buttons, rt::Buttons::OK);
}

TEST(ManagerChecks, SendValidNeedsThreeNonBlankCredentials) {
    n_cst_manager m;
    m.userid = "1";
    m.account = "a";
    m.password = "   ";
    EXPECT_FALSE(m.of_sendsms_valid());
    m.password = " x ";
    EXPECT_TRUE(m.of_sendsms_valid());
    m.userid = "";
    EXPECT_FALSE(m.of_sendsms_valid());
}

TEST(ManagerChecks, SettersRefuseNull) {
    n_cst_manager m;
    EXPECT_EQ(m.of_setuserid("acc"), 1);
    EXPECT_EQ(m.of_setuserid(rt::null), -1);
    EXPECT_EQ(m.of_getuserid(), "acc");
    EXPECT_EQ(m.of_setappinifile(rt::null), -1);
    EXPECT_EQ(m.of_setappinifile(" x.ini"), 1);
    EXPECT_EQ(m.of_getappinifile(), " x.ini");
    EXPECT_EQ(m.of_setlogo(rt::null), -1);
    EXPECT_EQ(m.of_getversion(), "");
    EXPECT_EQ(m.of_getcopyright(), "");
    EXPECT_FALSE(m.of_getmicrohelp());
}

TEST(ManagerChecks, SignatureListSplitsAtSemicolon) {
    n_cst_manager m;
    m.signature = "澄渊达;岚舟汇";
    std::vector<std::string> list;
    m.of_parse_signature(list);
    EXPECT_EQ(list, (std::vector<std::string>{"澄渊达", "岚舟汇"}));
    m.signature = "";
    std::vector<std::string> none;
    m.of_parse_signature(none);
    EXPECT_TRUE(none.empty());
}

TEST(ManagerFileVersion, StampOfThisProgramAndMissingFile) {
    testing_support::TempProgramFolder dir;
    n_cst_manager m;
    EXPECT_EQ(m.of_fileversion(dir.program() + "\\missing.exe"), "1,0,0,1");
    dir.write("plain.txt", "no stamp here");
    EXPECT_EQ(m.of_fileversion(dir.program() + "\\plain.txt"), "");
    // This test program links the manager, so it carries the build's stamp.
    EXPECT_EQ(m.of_fileversion(rt::program_path("/proc/self/exe")), "1,0,0,1");
}

TEST(ManagerPing, RefusesHostNamesThatAreNotNames) {
    testing_support::TempProgramFolder dir;
    n_cst_manager m;
    m.pub_app_init();
    for (const char* host : {"", "-c 1000 x", "a;rm -rf x", "a b", "$(id)", "\\x"}) EXPECT_FALSE(m.pub_net_ping(host)) << host;
}

TEST(ManagerPing, LoopbackAnswersAndTheIniCanOnlyTunePing) {
    testing_support::TempProgramFolder dir;
    n_cst_manager m;
    m.appdir = dir.program();
    m.of_setappinifile(dir.program() + "\\velotra.ini");
    dir.write("velotra.ini", "");
    EXPECT_TRUE(m.pub_net_ping("127.0.0.1\\share\\x"));
    EXPECT_TRUE(m.pub_net_ping("127.0.0.1,extra"));
    // A command that is not ping falls back to ping; it never reaches a shell.
    dir.write("keep.txt", "x");
    dir.write("velotra.ini", "[system]\r\nping_cmd=rm -f keep.txt\r\n");
    EXPECT_TRUE(m.pub_net_ping("127.0.0.1"));
    EXPECT_TRUE(dir.exists("keep.txt"));
    dir.write("velotra.ini", "[system]\r\nping_result=text that ping never prints\r\n");
    EXPECT_FALSE(m.pub_net_ping("127.0.0.1"));
}

TEST(ManagerPing, DecidesOnThePingOutput) {
    // A stand-in ping first on the PATH prints a prepared output and keeps
    // the arguments it was given.
    testing_support::TempProgramFolder dir;
    dir.write("bin/ping", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\ncat \"$(dirname \"$0\")/out\"\n");
    std::filesystem::permissions(dir.native() / "bin" / "ping", std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", ((dir.native() / "bin").string() + ":" + path).c_str(), 1);
    n_cst_manager m;
    m.appdir = dir.program();
    m.of_setappinifile(dir.program() + "\\velotra.ini");
    dir.write("velotra.ini", "");
    struct {
        const char* output;
        bool answered;
    } cases[] = {
        {"1 packets transmitted, 1 received, 0% packet loss, time 0ms\n", true},
        {"1 packets transmitted, 0 received, 100% packet loss, time 0ms\n", false},
        {"2 packets transmitted, 1 received, 50% packet loss, time 1001ms\n", false},
        {"1 packets transmitted, 0 received, +1 errors, 100% packet loss\n", false},
        {"数据包: 已发送 = 1，已接收 = 1，丢失 = 0 (0% 丢失)\n", true},
        {"", false},
    };
    for (const auto& c : cases) {
        dir.write("bin/out", rt::gbk_to_utf8(c.output));
        EXPECT_EQ(m.pub_net_ping("localhost"), c.answered) << c.output;
    }
    EXPECT_EQ(dir.read("bin/args"), "-c\n1\n-s\n1\nlocalhost\n");
    setenv("PATH", path.c_str(), 1);
}
