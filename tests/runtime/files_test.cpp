#include "runtime/files.h"

#include "runtime/gbk.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using rt::FileAccess;
using rt::FileLock;
using rt::FileMode;
using rt::WriteMode;

class Files : public ::testing::Test {
protected:
    testing_support::TempProgramFolder dir;

    // Reads every piece until the end, as the callers do.
    std::vector<std::string> pieces(const std::string& name, FileMode mode) {
        std::vector<std::string> out;
        int f = rt::FileOpen(name, mode, FileAccess::Read);
        EXPECT_GT(f, 0);
        std::string piece;
        std::int32_t n;
        while ((n = rt::FileRead(f, piece)) >= 0) out.push_back(piece);
        EXPECT_EQ(n, rt::file_end);
        EXPECT_EQ(rt::FileClose(f), 1);
        return out;
    }
};

TEST_F(Files, LineModeWritesCrLfAndReadsEveryLineEnd) {
    int f = rt::FileOpen("a.txt", FileMode::LineMode, FileAccess::Write, FileLock::LockWrite, WriteMode::Replace);
    ASSERT_GT(f, 0);
    EXPECT_EQ(rt::FileWrite(f, "中文"), 4); // CR LF follows, not counted
    EXPECT_EQ(rt::FileWrite(f, ""), 0);
    EXPECT_EQ(rt::FileClose(f), 1);
    EXPECT_EQ(dir.read("a.txt"), "中文\r\n\r\n");

    dir.write("b.txt", "one\r\ntwo\nthree\rfour");
    EXPECT_EQ(pieces("b.txt", FileMode::LineMode), (std::vector<std::string>{"one", "two", "three", "four"}));

    // A line of exactly one piece is one line; a longer one goes on in the next read.
    const std::string full(32765, 'x');
    dir.write("c.txt", full + "\r\nnext\r\n" + full + "yz\n");
    EXPECT_EQ(pieces("c.txt", FileMode::LineMode), (std::vector<std::string>{full, "next", full, "yz"}));
}

TEST_F(Files, StreamModeMovesAtMost32765BytesACall) {
    dir.write("big.bin", std::string(32766, 'x'));
    auto got = pieces("big.bin", FileMode::StreamMode);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].size(), 32765u);
    EXPECT_EQ(got[1], "x");

    int f = rt::FileOpen("out.bin", FileMode::StreamMode, FileAccess::Write, FileLock::LockWrite, WriteMode::Replace);
    EXPECT_EQ(rt::FileWrite(f, std::string(40000, 'y')), 32765);
    rt::FileClose(f);
    EXPECT_EQ(rt::FileLength("out.bin"), 32765);
}

TEST_F(Files, AnEmptyFileReadsAsOneEmptyPiece) {
    dir.write("empty.txt", "");
    int f = rt::FileOpen("empty.txt", FileMode::StreamMode);
    std::string piece = "old";
    EXPECT_EQ(rt::FileRead(f, piece), rt::file_end); // not -1: nothing failed
    EXPECT_EQ(piece, "");
    rt::FileClose(f);
}

TEST_F(Files, AppendAndReplace) {
    auto write = [](WriteMode m, const char* text) {
        int f = rt::FileOpen("log.txt", FileMode::StreamMode, FileAccess::Write, FileLock::LockWrite, m);
        ASSERT_GT(f, 0);
        rt::FileWrite(f, text);
        rt::FileClose(f);
    };
    write(WriteMode::Append, "a");
    write(WriteMode::Append, "b");
    EXPECT_EQ(dir.read("log.txt"), "ab");
    write(WriteMode::Replace, "c");
    EXPECT_EQ(dir.read("log.txt"), "c");
}

TEST_F(Files, FailuresAnswerMinusOne) {
    EXPECT_EQ(rt::FileOpen("missing.txt"), -1);
    EXPECT_EQ(rt::FileOpen("nofolder\\x.txt", FileMode::StreamMode, FileAccess::Write), -1);
    EXPECT_FALSE(dir.exists("nofolder"));
    EXPECT_EQ(rt::FileOpen(".", FileMode::StreamMode), -1); // a folder is no file
    std::string piece;
    EXPECT_EQ(rt::FileRead(99, piece), -1);
    EXPECT_EQ(rt::FileWrite(99, "x"), -1);
    EXPECT_EQ(rt::FileClose(99), -1);

    dir.write("r.txt", "r");
    int f = rt::FileOpen("r.txt", FileMode::StreamMode, FileAccess::Read);
    EXPECT_EQ(rt::FileWrite(f, "x"), -1); // opened for reading
    rt::FileClose(f);
    EXPECT_EQ(rt::FileRead(f, piece), -1); // closed
    EXPECT_EQ(rt::FileLength("missing.txt"), -1);
}

TEST_F(Files, LocksHoldBetweenFileNumbers) {
    dir.write("l.txt", "x");
    struct Case {
        FileLock first;
        FileAccess second_access;
        bool second_opens;
    } cases[] = {
        {FileLock::LockWrite, FileAccess::Write, false},     {FileLock::LockWrite, FileAccess::Read, true},
        {FileLock::LockReadWrite, FileAccess::Read, false},  {FileLock::LockRead, FileAccess::Read, false},
        {FileLock::LockRead, FileAccess::Write, true},       {FileLock::Shared, FileAccess::Write, true},
    };
    for (const Case& c : cases) {
        int a = rt::FileOpen("l.txt", FileMode::StreamMode, FileAccess::Write, c.first);
        ASSERT_GT(a, 0);
        int b = rt::FileOpen("l.txt", FileMode::StreamMode, c.second_access, FileLock::Shared);
        EXPECT_EQ(b > 0, c.second_opens) << static_cast<int>(c.first) << "/" << static_cast<int>(c.second_access);
        if (b > 0) rt::FileClose(b);
        rt::FileClose(a);
    }
    // A second opener's own lock counts too: a shared writer is open, so a
    // write-locking open is refused.
    int shared = rt::FileOpen("l.txt", FileMode::StreamMode, FileAccess::Write, FileLock::Shared);
    EXPECT_EQ(rt::FileOpen("l.txt", FileMode::StreamMode, FileAccess::Read, FileLock::LockWrite), -1);
    rt::FileClose(shared);
    int again = rt::FileOpen("l.txt", FileMode::StreamMode, FileAccess::Write, FileLock::LockWrite);
    EXPECT_GT(again, 0);
    rt::FileClose(again);
}

// A kept-open appender gives what an open, a write and a close per text
// give: each text on disk at once, the file found again after it was
// deleted or replaced, the locks of file numbers honoured, and a reader
// never finding the file held between texts.
TEST_F(Files, AppendLogWritesAsAnOpenWriteAndClosePerTextWould) {
    rt::AppendLog log;
    EXPECT_EQ(log.append("log.txt", "中文"), 1);
    EXPECT_EQ(dir.read("log.txt"), "中文\r\n");
    EXPECT_EQ(log.append("log.txt", ""), 1);
    EXPECT_EQ(dir.read("log.txt"), "中文\r\n\r\n");

    // Between texts the file is not held: an exclusive reader and a
    // write-locking writer open it.
    int reader = rt::FileOpen("log.txt", FileMode::StreamMode, FileAccess::Read, FileLock::LockReadWrite);
    EXPECT_GT(reader, 0);
    rt::FileClose(reader);
    int writer = rt::FileOpen("log.txt", FileMode::LineMode, FileAccess::Write, FileLock::LockWrite);
    ASSERT_GT(writer, 0);
    EXPECT_EQ(log.append("log.txt", "refused"), -1); // the writer's lock holds
    rt::FileWrite(writer, "by number");
    rt::FileClose(writer);
    EXPECT_EQ(log.append("log.txt", "after"), 1);
    EXPECT_EQ(dir.read("log.txt"), "中文\r\n\r\nby number\r\nafter\r\n");

    // Deleted, replaced by another file renamed over it, emptied in place:
    // the text goes where the name leads.
    std::filesystem::remove(dir.native() / "log.txt");
    EXPECT_EQ(log.append("log.txt", "new"), 1);
    EXPECT_EQ(dir.read("log.txt"), "new\r\n");
    dir.write("other.txt", "other\r\n");
    std::filesystem::rename(dir.native() / "other.txt", dir.native() / "log.txt");
    EXPECT_EQ(log.append("log.txt", "next"), 1);
    EXPECT_EQ(dir.read("log.txt"), "other\r\nnext\r\n");
    dir.write("log.txt", "");
    EXPECT_EQ(log.append("log.txt", "x"), 1);
    EXPECT_EQ(dir.read("log.txt"), "x\r\n");

    // Another name lets the first go; a missing folder loses the text.
    EXPECT_EQ(log.append("day2.txt", std::string(40000, 'y')), 1);
    EXPECT_EQ(rt::FileLength("day2.txt"), 32765 + 2);
    EXPECT_EQ(log.append("nofolder\\x.txt", "lost"), -1);
    EXPECT_FALSE(dir.exists("nofolder"));
}

TEST_F(Files, MoveDeleteAndFolders) {
    dir.write("a.txt", "a");
    dir.write("b.txt", "b");
    EXPECT_EQ(rt::FileMove("a.txt", "b.txt"), -2); // the target exists
    EXPECT_EQ(dir.read("b.txt"), "b");
    EXPECT_EQ(rt::FileMove("none.txt", "c.txt"), -1);
    EXPECT_EQ(rt::FileMove("a.txt", "c.txt"), 1);
    EXPECT_FALSE(rt::FileExists("a.txt"));
    EXPECT_TRUE(rt::FileExists("c.txt"));

    EXPECT_EQ(rt::CreateDirectory("update"), 1);
    EXPECT_EQ(rt::CreateDirectory("update"), -1);       // already there
    EXPECT_EQ(rt::CreateDirectory("x\\y"), -1);         // one level only
    EXPECT_TRUE(rt::DirectoryExists("update"));
    EXPECT_FALSE(rt::FileExists("update"));
    EXPECT_EQ(rt::FileMove("c.txt", "update\\c.txt"), 1);
    EXPECT_EQ(dir.read("update/c.txt"), "a");

    EXPECT_TRUE(rt::FileDelete("b.txt"));
    EXPECT_FALSE(rt::FileDelete("b.txt"));
    EXPECT_FALSE(rt::FileDelete("update")); // folders are not files
}

TEST_F(Files, ProgramPathsReachTheirNativeFiles) {
    // 81 5C is one character whose trail byte is the "\" byte.
    const std::string folder = "\x81\x5C" "日志";
    ASSERT_EQ(rt::gbk_to_utf8(folder).find("\xEF\xBF\xBD"), std::string::npos);
    ASSERT_EQ(rt::CreateDirectory(folder), 1);
    EXPECT_TRUE(dir.exists(rt::gbk_to_utf8(folder)));
    int f = rt::FileOpen(dir.program() + "\\" + folder + "\\" + "记录.TXT", FileMode::StreamMode,
                         FileAccess::Write, FileLock::LockWrite, WriteMode::Replace);
    ASSERT_GT(f, 0);
    rt::FileClose(f);
    dir.write(rt::gbk_to_utf8(folder) + "/2024-03-07.txt", "");
    dir.write(rt::gbk_to_utf8(folder) + "/notes.md", "");
    dir.write(rt::gbk_to_utf8(folder) + "/sub.txt/inner.txt", ""); // a folder named like a match

    EXPECT_EQ(rt::DirList(folder + "\\*.txt"),
              (std::vector<std::string>{"2024-03-07.txt", "记录.TXT"})); // letters without regard to case
    EXPECT_EQ(rt::DirList(folder + "\\????" "-03-0?.txt"), (std::vector<std::string>{"2024-03-07.txt"}));
    EXPECT_EQ(rt::DirList(folder + "\\??.txt"), (std::vector<std::string>{"记录.TXT"})); // "?" is a character
    EXPECT_TRUE(rt::DirList("nothere\\*.txt").empty());
}

} // namespace

TEST_F(Files, DrawFreeNumberSkipsEveryTakenNameAndEndsOnlyWhenNoneIsFree) {
    // Two names a number: n.zip and n in the folder "u".
    ASSERT_EQ(rt::CreateDirectory("u"), 1);
    auto names = [](std::int32_t n) {
        return std::vector<std::string>{"u\\" + std::to_string(n) + ".zip", "u\\" + std::to_string(n)};
    };
    dir.write("u/1.zip", "a file");
    ASSERT_EQ(rt::CreateDirectory("u\\2"), 1);
    std::filesystem::create_symlink(dir.native() / "nowhere", dir.native() / "u" / "3.zip");
    struct {
        const char* name;
        std::vector<std::int32_t> draws;
        std::vector<std::string> reserved;
        std::optional<std::int32_t> drawn;
    } cases[] = {
        {"a free draw", {5}, {}, 5},
        {"a file, a folder, a dangling link, a reserved name: drawn again", {1, 2, 3, 4, 5}, {"u\\4"}, 5},
        // The scripted draws then answer 1 for ever: the numbers after it are tried.
        {"draws that keep meeting a taken name", {}, {}, 4},
        {"every number taken", {}, {"u\\4", "u\\5"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::ScriptedRandom random(c.draws);
        EXPECT_EQ(rt::DrawFreeNumber(5, names, c.reserved), c.drawn);
    }
    EXPECT_EQ(dir.read("u/1.zip"), "a file");
}
