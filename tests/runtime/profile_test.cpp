#include "runtime/profile.h"

#include "tests/support/scripted.h"
#include "tests/support/tree_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Comments, blank lines, odd spacing, GBK values and CR LF line ends.
const std::string kIni =
    "; velotra settings\r\n"
    "[cfg]\r\n"
    "userid = 0001 \r\n"
    "  Run\t=velotra\r\n"
    "empty=\r\n"
    "\r\n"
    "[ Mobile ]\r\n"
    "signature=澄渊达;岚舟汇\r\n"
    "; a comment=with an equals sign\r\n"
    "\r\n"
    "[App_Env]\r\n"
    "debug=0";

class Profile : public ::testing::Test {
protected:
    testing_support::TempProgramFolder dir;
    const std::string ini = "velotra.ini";
    void SetUp() override { dir.write(ini, kIni); }
    rt::nstring get(const char* section, const char* key) { return rt::ProfileString(ini, section, key, "DEF"); }
};

TEST_F(Profile, ReadsValuesExactlyAsStored) {
    struct Case {
        const char *section, *key;
        rt::nstring expected;
    } cases[] = {
        {"cfg", "userid", " 0001 "},          // spaces around the value stay
        {"CFG", "RUN", "velotra"},            // names without regard to case or blanks
        {"cfg", "empty", ""},                 // "key=" is an empty value, not a missing one
        {"mobile", "signature", "澄渊达;岚舟汇"},
        {"App_Env", "debug", "0"},            // the last line has no line end
        {"cfg", "missing", "DEF"},
        {"nosection", "userid", "DEF"},
        {"mobile", "; a comment", "DEF"},     // a comment holds no key
        {"cfg", "signature", "DEF"},          // a key of another section
    };
    for (const Case& c : cases) EXPECT_EQ(get(c.section, c.key), c.expected) << c.section << "." << c.key;
    EXPECT_EQ(rt::ProfileString("none.ini", "cfg", "run", "velotra"), "velotra");
    EXPECT_EQ(rt::ProfileString(ini, "cfg", "run", rt::null), rt::null);
    EXPECT_EQ(rt::ProfileString(rt::null, "cfg", "run", "x"), rt::null);
}

TEST_F(Profile, ReplacingChangesOnlyItsOneLine) {
    EXPECT_EQ(rt::SetProfileString(ini, "MOBILE", "Signature", "新;旧"), 1);
    std::string expected = kIni;
    expected.replace(expected.find("澄渊达;岚舟汇"), std::string("澄渊达;岚舟汇").size(), "新;旧");
    EXPECT_EQ(dir.read(ini), expected);

    EXPECT_EQ(rt::SetProfileString(ini, "cfg", "run", "  spaced  "), 1);
    EXPECT_EQ(get("cfg", "run"), "  spaced  ");
    EXPECT_NE(dir.read(ini).find("  Run\t=  spaced  \r\n"), std::string::npos); // the key keeps its spelling
}

TEST_F(Profile, AddsKeysAtTheEndOfTheirSectionAndSectionsAtTheEnd) {
    EXPECT_EQ(rt::SetProfileString(ini, "cfg", "windowpos", "1"), 1);
    EXPECT_EQ(rt::SetProfileString(ini, "App_Env", "trace", "1"), 1);
    EXPECT_EQ(rt::SetProfileString(ini, "local_var", "FilePos", "\\opt\\数据"), 1);
    std::string expected = kIni;
    expected.insert(expected.find("\r\n[ Mobile ]"), "windowpos=1\r\n"); // before the blank line
    expected += "\r\ntrace=1\r\n[local_var]\r\nFilePos=\\opt\\数据\r\n";
    EXPECT_EQ(dir.read(ini), expected);
    EXPECT_EQ(get("local_var", "filepos"), "\\opt\\数据");
}

TEST_F(Profile, CreatesAMissingFile) {
    EXPECT_EQ(rt::SetProfileString("new.ini", "cfg", "run", "velotra_7"), 1);
    EXPECT_EQ(dir.read("new.ini"), "[cfg]\r\nrun=velotra_7\r\n");
    EXPECT_EQ(rt::SetProfileString("nofolder\\new.ini", "cfg", "run", "x"), -1);
}

TEST_F(Profile, RefusesWhatWouldCorruptTheFile) {
    struct Case {
        rt::nstring section, key, value;
    } cases[] = {
        {"cfg", "run", "a\r\nb"}, {"cfg", "run", "a\nb"}, {"cfg", "run", "a\r"},
        {"c]fg", "run", "x"},     {"cfg", "r=un", "x"},   {"", "run", "x"},
        {"cfg", "  ", "x"},       {"cfg", "[run", "x"},   {"cfg", "run", rt::null},
        {rt::null, "run", "x"},
    };
    for (const Case& c : cases) EXPECT_EQ(rt::SetProfileString(ini, c.section, c.key, c.value), -1);
    EXPECT_EQ(dir.read(ini), kIni);
}

TEST_F(Profile, AReadOnlyFileIsNotWritten) {
    namespace fs = std::filesystem;
    const fs::path native = dir.native() / "velotra.ini";
    fs::permissions(native, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(rt::SetProfileString(ini, "cfg", "run", "b"), -1);
    EXPECT_EQ(dir.read(ini), kIni);
    EXPECT_EQ(fs::status(native).permissions() & fs::perms::owner_write, fs::perms::none);
    fs::permissions(native, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(rt::SetProfileString(ini, "cfg", "run", "b"), 1);
}

TEST_F(Profile, LineFeedFilesAreReadAndKeepTheirLineEnds) {
    dir.write(ini, "[cfg]\nrun=a\nx=1\n");
    EXPECT_EQ(get("cfg", "x"), "1");
    EXPECT_EQ(rt::SetProfileString(ini, "cfg", "run", "b"), 1);
    EXPECT_EQ(dir.read(ini), "[cfg]\nrun=b\nx=1\n");
}

// Found by fuzz/profile_fuzz: a file whose last line ends in a lone CR,
// which reads as a line end. Adding after it must not glue the CR to that
// line's value, nor the new line to it.
TEST_F(Profile, ALastLineEndingInALoneCrKeepsItsValue) {
    struct Case {
        const char *section, *key, *expected;
    } cases[] = {
        {"Applicati/n", "<Logo", "[Application]\r\nVersion=0A\r\n[Applicati/n]\r\n<Logo=v\r\n"},
        {"Application", "Logo", "[Application]\r\nVersion=0A\r\nLogo=v\r\n"},
    };
    for (const Case& c : cases) {
        dir.write(ini, "[Application]\r\nVersion=0A\r");
        EXPECT_EQ(rt::SetProfileString(ini, c.section, c.key, "v"), 1);
        EXPECT_EQ(get("Application", "Version"), "0A") << c.section;
        EXPECT_EQ(get(c.section, c.key), "v") << c.section;
        EXPECT_EQ(dir.read(ini), c.expected) << c.section;
    }
}

// What the user may not write answers -1 and stays as it was; a link is
// written through to its target; the file keeps its mode.
TEST_F(Profile, WritesOnlyWhatTheUserMayWriteAndKeepsLinksAndModes) {
    namespace fs = std::filesystem;
    const fs::path file = dir.native() / ini;
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(rt::SetProfileString(ini, "cfg", "run", "x"), -1);
    EXPECT_EQ(dir.read(ini), kIni);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(rt::SetProfileString(ini, "cfg", "run", "x"), 1);
    EXPECT_EQ(get("cfg", "run"), "x");
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    dir.write("settings/real.ini", "[cfg]\r\nrun=a\r\n");
    fs::create_symlink("settings/real.ini", dir.native() / "linked.ini");
    EXPECT_EQ(rt::SetProfileString("linked.ini", "cfg", "run", "b"), 1);
    EXPECT_TRUE(fs::is_symlink(dir.native() / "linked.ini"));
    EXPECT_EQ(dir.read("settings/real.ini"), "[cfg]\r\nrun=b\r\n");
}

// A write that fails half-way (here: the disk refuses bytes past a size)
// leaves the file whole, never cut.
TEST_F(Profile, AFailedWriteLeavesTheFileAsItWas) {
    std::string big = kIni + "\r\n[pad]\r\n";
    while (big.size() < 4000) big += "line=" + std::string(60, 'x') + "\r\n";
    dir.write(ini, big);
    struct rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 1000;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = rt::SetProfileString(ini, "cfg", "run", "x");
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(dir.read(ini), big);
    for (const auto& e : std::filesystem::directory_iterator(dir.native()))
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
}

// Temporary files left by writers that were killed, under this very
// process id, never block a write, and are left alone.
TEST_F(Profile, LeftoverTemporaryFilesNeverBlockAWrite) {
    const std::string native = (std::filesystem::path(dir.native()) / ini).string();
    std::vector<std::string> leftovers = leave_replacement_leftovers(native, 3, "[half");
    EXPECT_EQ(rt::SetProfileString(ini, "cfg", "run", "x"), 1);
    EXPECT_EQ(rt::SetProfileString(ini, "cfg", "run", "y"), 1);
    EXPECT_EQ(get("cfg", "run"), "y");
    std::vector<std::string> temps;
    for (const auto& e : std::filesystem::directory_iterator(dir.native()))
        if (e.path().filename().string().find(".part") != std::string::npos) temps.push_back(e.path().string());
    std::sort(temps.begin(), temps.end());
    std::sort(leftovers.begin(), leftovers.end());
    EXPECT_EQ(temps, leftovers);
    for (const auto& name : leftovers) EXPECT_EQ(dir.read(std::filesystem::path(name).filename().string()), "[half");
}

} // namespace

namespace {

// Sets the file's modification time back by `seconds`, as for a file that
// has stood unchanged for a while (its text may then be taken again
// without reading it).
void age(const std::filesystem::path& native, int seconds) {
    const auto t = std::filesystem::last_write_time(native);
    std::filesystem::last_write_time(native, t - std::chrono::seconds(seconds));
}

} // namespace

// The text of a file read before is reused only while the file is
// unchanged: every kind of change is seen by the next read.
TEST_F(Profile, AChangedFileIsReadAgain) {
    namespace fs = std::filesystem;
    const fs::path native = dir.native() / "velotra.ini";
    const std::string a = "[App_Env]\r\ndebug=0\r\n", b = "[App_Env]\r\ndebug=1\r\n";
    struct Case {
        const char* what;
        std::function<void()> change;
        rt::nstring expected;
    } cases[] = {
        {"same length, written in place", [&] { dir.write(ini, b); }, "1"},
        {"same length, in place, old time put back",
         [&] {
             const auto t = fs::last_write_time(native);
             dir.write(ini, b);
             fs::last_write_time(native, t);
         },
         "1"},
        {"written through SetProfileString", [&] { rt::SetProfileString(ini, "App_Env", "debug", "1"); }, "1"},
        {"removed", [&] { fs::remove(native); }, "DEF"},
        {"made unreadable",
         [&] { fs::permissions(native, fs::perms::owner_read, fs::perm_options::remove); },
         geteuid() == 0 ? rt::nstring("0") : rt::nstring("DEF")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write(ini, a);
        age(native, 60);
        // Sleep past the stamp margin for the ctime of the write above.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        ASSERT_EQ(get("App_Env", "debug"), "0");
        ASSERT_EQ(get("App_Env", "debug"), "0"); // the second read may come from memory
        c.change();
        EXPECT_EQ(get("App_Env", "debug"), c.expected);
        if (fs::exists(native)) fs::permissions(native, fs::perms::owner_read, fs::perm_options::add);
    }
}
