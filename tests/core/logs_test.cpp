// Daily log, debug files and the piece-wise file helpers.
#include "core/f_filewrite.h"
#include "core/n_cst_manager.h"

#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Counts down the stream reads of this program; the one that reaches zero
// and every later one on the same stream fail as on a bad sector: the
// stream's descriptor is swapped for a directory's, which refuses a read.
int reads_before_failure = 0;
} // namespace

extern "C" std::size_t fread(void* buffer, std::size_t size, std::size_t count, std::FILE* stream) {
    using real_fread = std::size_t (*)(void*, std::size_t, std::size_t, std::FILE*);
    static const auto real = reinterpret_cast<real_fread>(dlsym(RTLD_NEXT, "fread"));
    if (reads_before_failure > 0 && --reads_before_failure == 0) {
        const int dir = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::dup2(dir, ::fileno(stream));
        ::close(dir);
    }
    return real(buffer, size, count, stream);
}

using testing_support::FixedClock;
using testing_support::TempProgramFolder;

namespace {

struct Logs : ::testing::Test {
    TempProgramFolder dir;
    FixedClock clock{{2024, 3, 9, 7, 5, 4, 42}};
    n_cst_manager m;
    void SetUp() override { m.appdir = dir.program(); }
    std::string path(const std::string& rel) { return dir.program() + "\\" + rel; }
};

const std::string stars(39, '*');

} // namespace

TEST_F(Logs, DailyEntriesAreByteExact) {
    dir.write("log/.keep", "");
    m.uf_file_log("first\r\nline", true);
    clock.set({2024, 3, 9, 23, 59, 59, 7});
    m.uf_file_log("", true);
    EXPECT_EQ(dir.read("log/2024-03-09.txt"),
              stars + "\r\n******* 2024-03-09 07:05:04.042 *******\r\n" + stars + "\r\nfirst\r\nline\r\n\r\n" +
                  stars + "\r\n******* 2024-03-09 23:59:59.007 *******\r\n" + stars + "\r\n\r\n\r\n");
    EXPECT_EQ(std::string("******* 2024-03-09 07:05:04.042 *******").size(), 39u);

    clock.set({2024, 3, 10, 0, 0, 0, 0});
    m.uf_file_log("next day", true);
    EXPECT_TRUE(dir.exists("log/2024-03-10.txt"));

    m.uf_file_log("only this", false);
    EXPECT_EQ(dir.read("log/2024-03-10.txt"), "only this\r\n");
}

// The day's file is kept open between entries; the log viewer still reads
// it between two entries, and a file deleted meanwhile starts afresh.
TEST_F(Logs, EntriesReachTheDaysFileAsItIsNow) {
    dir.write("log/.keep", "");
    m.uf_file_log("one", true);
    std::vector<std::string> text;
    ASSERT_EQ(m.of_fileread(path("log\\2024-03-09.txt"), text), 1);
    EXPECT_NE(text[0].find("one"), std::string::npos);
    std::filesystem::remove(dir.native() / "log" / "2024-03-09.txt");
    n_cst_manager other;
    other.appdir = dir.program();
    other.uf_file_log("two", true);
    m.uf_file_log("three", true);
    const std::string day = dir.read("log/2024-03-09.txt");
    EXPECT_EQ(day.find("one"), std::string::npos);
    EXPECT_LT(day.find("two"), day.find("three"));
}

TEST_F(Logs, LogWriterNeverCreatesTheFolder) {
    m.uf_file_log("lost", true);
    EXPECT_FALSE(dir.exists("log"));
}

TEST_F(Logs, TestWriteOnlyInDevelopmentEnvironment) {
    unsetenv("VELOTRA_DEV");
    m.ib_dev = true; // the flag does not count: the environment is asked afresh
    m.uf_test_write("x", true);
    m.uf_test_write("x", false);
    EXPECT_FALSE(dir.exists("DebugTmp1.TXT"));
    EXPECT_FALSE(dir.exists("DebugTMP2.TXT"));

    setenv("VELOTRA_DEV", "1", 1);
    m.uf_test_write("err", true);
    m.uf_test_write("bare", false);
    m.uf_test_write("again", false);
    unsetenv("VELOTRA_DEV");
    EXPECT_EQ(dir.read("DebugTmp1.TXT"),
              stars + "\r\n******* 2024-03-09 07:05:04.042 *******\r\n" + stars + "\r\nerr\r\n\r\n\r\n");
    EXPECT_EQ(dir.read("DebugTMP2.TXT"), "again\r\n");
}

TEST_F(Logs, FileReadPieces) {
    struct {
        std::size_t size;
        std::vector<std::size_t> pieces;
    } cases[] = {{0, {0}}, {5, {5}}, {32765, {32765}}, {32766, {32765, 1}}, {65530, {32765, 32765}}};
    for (const auto& c : cases) {
        std::string bytes(c.size, 'x');
        for (std::size_t i = 0; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(0xB0 + i % 13);
        dir.write("f.bin", bytes);
        std::vector<std::string> parts{"keep", "keep", "keep"};
        ASSERT_EQ(m.of_fileread(path("f.bin"), parts), static_cast<std::int32_t>(c.pieces.size())) << c.size;
        std::string joined;
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            EXPECT_EQ(parts[i].size(), c.pieces[i]);
            joined += parts[i];
        }
        EXPECT_EQ(joined, bytes);
        EXPECT_EQ(parts[2], c.pieces.size() > 2 ? parts[2] : "keep") << "elements beyond the count stay";
        EXPECT_EQ(m.of_fileread(path("f.bin"), std::string()), 1);
    }
    std::vector<std::string> untouched{"a"};
    EXPECT_EQ(m.of_fileread(path("missing"), untouched), -1);
    EXPECT_EQ(untouched, std::vector<std::string>{"a"});
    EXPECT_EQ(m.of_fileread(path("missing"), std::string()), -1);
}

// A read that fails part-way ends with -1 and keeps the pieces read before
// it, as the log viewer then shows them.
TEST_F(Logs, FileReadKeepsThePiecesBeforeAFailedRead) {
    std::string bytes;
    for (int i = 0; bytes.size() < 3 * 32765; ++i) bytes += "line " + std::to_string(i) + "\r\n";
    dir.write("f.bin", bytes);
    std::vector<std::string> parts;
    reads_before_failure = 2;
    const std::int32_t result = m.of_fileread(path("f.bin"), parts);
    reads_before_failure = 0;
    EXPECT_EQ(result, -1);
    ASSERT_FALSE(parts.empty());
    EXPECT_EQ(parts[0], bytes.substr(0, 32765));
    std::string joined;
    for (const std::string& p : parts) joined += p;
    EXPECT_LT(joined.size(), bytes.size());
    EXPECT_EQ(joined, bytes.substr(0, joined.size()));
}

TEST_F(Logs, WritersReplaceAppendAndFail) {
    for (std::size_t size : {std::size_t{0}, std::size_t{32765}, std::size_t{32766}, std::size_t{65531}}) {
        std::string bytes(size, '\xA1');
        ASSERT_EQ(f_filewrite(path("w.bin"), bytes), 1);
        EXPECT_EQ(dir.read("w.bin"), bytes);
    }
    EXPECT_EQ(f_filewrite(path("nofolder\\w.bin"), "x"), -1);
    EXPECT_FALSE(dir.exists("nofolder"));

    EXPECT_EQ(m.uf_file_write(path("t.txt"), "中文", false), 1);
    EXPECT_EQ(m.uf_file_write(path("t.txt"), std::string(40000, 'y'), true), 1);
    EXPECT_EQ(dir.read("t.txt"), "中文" + std::string(40000, 'y'));
    EXPECT_EQ(m.uf_file_write(path("t.txt"), "", false), 1);
    EXPECT_EQ(dir.read("t.txt"), "");
    EXPECT_EQ(m.uf_file_write(path("nofolder\\t.txt"), "x", true), -1);
}
