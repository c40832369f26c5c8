#include "launcher/dorvane.h"

#include "runtime/gbk.h"
#include "runtime/path.h"
#include "tests/support/scripted.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::RecordedBoxes;
using testing_support::TempProgramFolder;

const std::string client = std::string("velotra") + rt::exe_suffix;

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "dorvane-test-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    const fs::path& path() const { return dir_; }

private:
    fs::path dir_;
};

class CurrentDirectory {
public:
    explicit CurrentDirectory(const fs::path& dir) : previous_(fs::current_path()) { fs::current_path(dir); }
    ~CurrentDirectory() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

enum class Kind { stand_in, no_exec, not_a_program, folder };

// A stand-in client records its arguments in "<its path>.ran". It writes a
// temporary file and renames it, so a reader never sees half a record.
const char* const stand_in_script =
    "#!/bin/sh\n"
    "{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > \"$0.tmp\"\n"
    "mv \"$0.tmp\" \"$0.ran\"\n";

fs::path file_in(const fs::path& dir, const std::string& gbk_name) {
    std::string name = rt::gbk_to_utf8(gbk_name);
    for (char& c : name)
        if (c == '\\') c = '/';
    return dir / name;
}

fs::path put(const fs::path& dir, const std::string& gbk_name, Kind kind, const std::string& script = stand_in_script) {
    fs::path p = file_in(dir, gbk_name);
    fs::create_directories(p.parent_path());
    if (kind == Kind::folder) {
        fs::create_directory(p);
        return p;
    }
    std::ofstream(p, std::ios::binary) << (kind == Kind::not_a_program ? std::string("\x01\x02 not a program\n") : script);
    auto perms = fs::perms::owner_read | fs::perms::owner_write;
    if (kind != Kind::no_exec) perms |= fs::perms::owner_exec;
    fs::permissions(p, perms);
    return p;
}

fs::path record_of(const fs::path& p) { return p.string() + ".ran"; }

std::optional<std::string> wait_for(const fs::path& p, std::chrono::milliseconds limit = 60s) {
    for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
        if (fs::exists(p)) {
            std::ifstream in(p, std::ios::binary);
            std::ostringstream s;
            s << in.rdbuf();
            return s.str();
        }
        std::this_thread::sleep_for(20ms);
    }
    return std::nullopt;
}

// ---- the helpers the launcher carries ---------------------------------------

TEST(DorvaneStrings, LastPosition) {
    dorvane app;
    struct {
        rt::nstring source, text;
        rt::nlong expected;
    } cases[] = {
        {"a\\b\\c", "\\", 4},      {"C:\\a\\b.exe", "\\", 5}, {"abc", "\\", 0}, {"", "\\", 0},
        {"aaa", "aa", 2},          {rt::null, "\\", rt::null}, {"a\\b", rt::null, rt::null},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, app.pub_lastpos(c.source, c.text)) << rt::or_empty(c.source);
}

TEST(DorvaneStrings, Field) {
    dorvane app;
    struct {
        rt::nstring s;
        std::optional<char> c;
        int p;
        std::string expected;
    } cases[] = {
        {"a,b,c", ',', 2, "b"}, {"a,b,c", ',', 3, "c"}, {"a,b,c", ',', 4, ""}, {"a,b,c", ',', 0, ""},
        {"abc", ',', 1, "abc"}, {",x", ',', 1, ""},     {"a,,b", ',', 2, ""},  {"a,", ',', 2, ""},
        {rt::null, ',', 1, ""}, {"a,b", std::nullopt, 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, app.pub_f_xsubs(c.s, c.c, c.p)) << rt::or_empty(c.s) << " field " << c.p;
}

// ---- which file the launcher starts, in-process -----------------------------

enum class Where { app, cwd, elsewhere };

struct File {
    Where where;
    std::string name; // GBK, "\" between folders
    Kind kind = Kind::stand_in;
};

struct Case {
    const char* what;
    rt::nstring ini; // null: no velotra.ini; "{elsewhere}" stands for a third folder
    std::vector<File> files;
    Where cwd;
    std::optional<File> started; // none: the box
};

const Case cases[] = {
    {"no INI", rt::null, {{Where::app, client}}, Where::cwd, File{Where::app, client}},
    {"empty run", "[cfg]\nrun=\n", {{Where::app, client}}, Where::cwd, File{Where::app, client}},
    {"INI without the key", "[cfg]\nappname=x\n", {{Where::app, client}}, Where::cwd, File{Where::app, client}},
    {"default name comes from the launcher's folder", "[cfg]\nrun=" + client + "\n",
     {{Where::app, client}, {Where::cwd, client}}, Where::cwd, File{Where::app, client}},
    {"bare name in the current directory", "[cfg]\nrun=velotra_815\n",
     {{Where::app, "velotra_815"}, {Where::cwd, "velotra_815"}}, Where::cwd, File{Where::cwd, "velotra_815"}},
    {"bare name beside the launcher", "[cfg]\nrun=velotra_815\n", {{Where::app, "velotra_815"}}, Where::cwd,
     File{Where::app, "velotra_815"}},
    {"Chinese bare name", "[cfg]\nrun=客户端815\n", {{Where::app, "客户端815"}}, Where::cwd,
     File{Where::app, "客户端815"}},
    {"absolute path", "[cfg]\nrun={elsewhere}\\velotra_9\n", {{Where::elsewhere, "velotra_9"}}, Where::cwd,
     File{Where::elsewhere, "velotra_9"}},
    {"relative path with a folder, current directory", "[cfg]\nrun=sub\\velotra_815\n",
     {{Where::cwd, "sub\\velotra_815"}}, Where::cwd, File{Where::cwd, "sub\\velotra_815"}},
    {"relative path with a folder is not looked up beside the launcher", "[cfg]\nrun=sub\\velotra_815\n",
     {{Where::app, "sub\\velotra_815"}}, Where::cwd, std::nullopt},
    {"name differing in case", "[cfg]\nrun=VELOTRA" + std::string(rt::exe_suffix) + "\n", {{Where::app, client}},
     Where::app, std::nullopt},
    {"name with a trailing blank", "[cfg]\nrun=velotra_815 \n", {{Where::app, "velotra_815"}}, Where::app,
     std::nullopt},
    {"missing default client", rt::null, {}, Where::app, std::nullopt},
    {"missing named file", "[cfg]\nrun=velotra_815\n", {{Where::app, client}}, Where::app, std::nullopt},
    {"no execute permission", "[cfg]\nrun=velotra_815\n", {{Where::app, "velotra_815", Kind::no_exec}}, Where::cwd,
     std::nullopt},
    {"not a program", "[cfg]\nrun=velotra_815\n", {{Where::app, "velotra_815", Kind::not_a_program}}, Where::cwd,
     std::nullopt},
    {"a folder", "[cfg]\nrun=velotra_815\n", {{Where::app, "velotra_815", Kind::folder}}, Where::app, std::nullopt},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class DorvaneOpen : public ::testing::TestWithParam<Case> {};

TEST_P(DorvaneOpen, StartsTheNamedClientOrShowsTheBox) {
    const Case& c = GetParam();
    TempProgramFolder app;
    TempDir cwd, elsewhere;
    auto dir = [&](Where w) -> const fs::path& {
        return w == Where::app ? app.native() : w == Where::cwd ? cwd.path() : elsewhere.path();
    };
    if (c.ini) {
        std::string ini = *c.ini;
        if (auto at = ini.find("{elsewhere}"); at != std::string::npos)
            ini.replace(at, 11, rt::program_path(elsewhere.path().string()));
        app.write("velotra.ini", ini);
    }
    std::vector<fs::path> placed;
    for (const File& f : c.files) placed.push_back(put(dir(f.where), f.name, f.kind));

    RecordedBoxes boxes;
    {
        CurrentDirectory in(dir(c.cwd));
        dorvane launcher;
        launcher.open("ignored");
        EXPECT_EQ(app.program(), launcher.appdir);
        EXPECT_EQ(app.program() + "\\velotra.ini", launcher.is_appinifile);
    }

    if (c.started) {
        fs::path expected = file_in(dir(c.started->where), c.started->name);
        EXPECT_EQ(std::optional<std::string>("0\n"), wait_for(record_of(expected)));
        EXPECT_TRUE(boxes.shown().empty());
    } else {
        ASSERT_EQ(1u, boxes.shown().size());
        const auto& box = boxes.shown()[0];
        EXPECT_EQ("提示", box.title);
        EXPECT_EQ("无效文件,请确保程序文件完整性!", box.text);
        EXPECT_EQ(rt::Icon::Information, box.icon);
        EXPECT_EQ(rt::Buttons::OK, box.buttons);
    }
    // Only the expected client ran, and it ran once.
    for (const fs::path& p : placed) {
        bool is_started = c.started && p == file_in(dir(c.started->where), c.started->name);
        if (!is_started) {
            EXPECT_FALSE(fs::exists(record_of(p))) << p;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DorvaneOpen, ::testing::ValuesIn(cases), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.what; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

// A launcher named in [cfg] run would start itself, which starts itself
// again, without end: it refuses its own executable, by any name or link.
TEST(DorvaneItself, RefusesToStartItsOwnExecutable) {
    // Should a copy of this test program start by mistake, it runs no test.
    const char* filter = std::getenv("GTEST_FILTER");
    const std::optional<std::string> previous = filter ? std::optional<std::string>(filter) : std::nullopt;
    ::setenv("GTEST_FILTER", "-*", 1);
    const fs::path self = fs::read_symlink("/proc/self/exe");
    TempProgramFolder app;
    fs::create_symlink(self, app.native() / "linked_launcher");
    for (const std::string& run : {rt::program_path(self.string()), std::string("linked_launcher")}) {
        SCOPED_TRACE(run);
        app.write("velotra.ini", "[cfg]\r\nrun=" + run + "\r\n");
        RecordedBoxes boxes;
        CurrentDirectory in(app.native());
        dorvane launcher;
        launcher.open("");
        ASSERT_EQ(1u, boxes.shown().size());
        EXPECT_EQ("无效文件,请确保程序文件完整性!", boxes.shown()[0].text);
    }
    if (previous) ::setenv("GTEST_FILTER", previous->c_str(), 1);
    else ::unsetenv("GTEST_FILTER");
}

// ---- the built program --------------------------------------------------------

// The programs are built into one folder, test programs included.
fs::path bin_dir() {
    if (const char* bin = std::getenv("VELOTRA_BIN_DIR")) return bin;
    return fs::read_symlink("/proc/self/exe").parent_path();
}

// Copies the built launcher into the folder, as the two programs are delivered.
fs::path install_launcher(const fs::path& folder) {
    fs::path target = folder / ("dorvane" + std::string(rt::exe_suffix));
    fs::copy_file(bin_dir() / target.filename(), target);
    return target;
}

int run(const fs::path& program, const fs::path& cwd, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(cwd.string()));
    p.start(QString::fromStdString(program.string()), args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TEST(DorvaneProgram, StartsTheClientWithoutPassingArgumentsOn) {
    struct {
        const char* what;
        rt::nstring ini;
        std::string client_name;
        bool in_elsewhere;
    } cases[] = {
        {"no INI", rt::null, client, false},
        {"default name", "[cfg]\nrun=" + client + "\n", client, false},
        {"bare name from another directory", "[cfg]\nrun=velotra_815\n", "velotra_815", false},
        {"absolute path", "[cfg]\nrun={elsewhere}\\velotra_9\n", "velotra_9", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir app, cwd, elsewhere;
        fs::path launcher = install_launcher(app.path());
        if (c.ini) {
            std::string ini = *c.ini;
            if (auto at = ini.find("{elsewhere}"); at != std::string::npos)
                ini.replace(at, 11, rt::program_path(elsewhere.path().string()));
            std::ofstream(app.path() / "velotra.ini", std::ios::binary) << ini;
        }
        fs::path stand_in = put(c.in_elsewhere ? elsewhere.path() : app.path(), c.client_name, Kind::stand_in);

        EXPECT_EQ(0, run(launcher, cwd.path(), {"-platform", "minimal", "--", "a b", "c"}));
        EXPECT_EQ(std::optional<std::string>("0\n"), wait_for(record_of(stand_in)));
    }
}

TEST(DorvaneProgram, EndsWhileTheClientRunsOn) {
    TempDir app;
    fs::path launcher = install_launcher(app.path());
    // The stand-in waits until the test has seen the launcher end.
    fs::path stand_in = put(app.path(), client, Kind::stand_in,
                            "#!/bin/sh\n"
                            "touch \"$0.started\"\n"
                            "i=0; while [ ! -e \"$0.go\" ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done\n"
                            "echo \"$#\" > \"$0.tmp\"; mv \"$0.tmp\" \"$0.ran\"\n");

    ASSERT_EQ(0, run(launcher, app.path(), {}));
    ASSERT_TRUE(wait_for(stand_in.string() + ".started"));
    EXPECT_FALSE(fs::exists(record_of(stand_in)));
    std::ofstream(stand_in.string() + ".go") << "";
    EXPECT_EQ(std::optional<std::string>("0\n"), wait_for(record_of(stand_in)));
}

} // namespace
