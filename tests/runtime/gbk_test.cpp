#include "runtime/gbk.h"
#include "runtime/files.h"
#include "runtime/path.h"
#include "runtime/profile.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(Gbk, RoundTripsChineseAndAscii) {
    const std::string gbk = "澄渊达 abc 【签名】"; // compiled to GBK bytes
    EXPECT_EQ(std::string("\xB3\xCE", 2), gbk.substr(0, 2));
    const std::string utf8 = rt::gbk_to_utf8(gbk);
    const char8_t* expected = u8"澄渊达 abc 【签名】";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(expected)), utf8);
    EXPECT_EQ(gbk, rt::utf8_to_gbk(utf8));
}

TEST(Gbk, BrokenBytesAreMarkedNotDropped) {
    EXPECT_EQ("a\xEF\xBF\xBD b", rt::gbk_to_utf8("a\x81 b"));
    EXPECT_EQ("a\xEF\xBF\xBD", rt::gbk_to_utf8("a\x81"));
    EXPECT_EQ("?", rt::utf8_to_gbk("\xF0\x9F\x98\x80")); // an emoji has no GBK form
}

TEST(Path, TrailByte5CIsNotASeparator) {
    testing_support::TempProgramFolder folder;
    // 81 5C is one GBK character whose trail byte looks like "\".
    const std::string name = "\x81\x5C.txt";
    const std::string native = rt::native_path("log\\" + name);
    EXPECT_EQ(folder.native().string() + "/log/" + rt::gbk_to_utf8(name), native);
    EXPECT_EQ(rt::native_path("\\tmp\\x"), "/tmp/x");
    EXPECT_EQ(rt::program_path("/opt/x"), "\\opt\\x");
}

// A folder whose name GBK cannot hold (a user's folder, an emoji) must still be
// found again: file names cross the OS edge as GB18030, which keeps every
// GBK character's bytes and gives every other character four bytes of its own.
TEST(Path, NamesOutsideGbkSurviveTheRoundTrip) {
    const char8_t* natives[] = {u8"/home/s\u00F8ren/velotra", u8"/srv/\u00DCn\u00EFcode/velotra.ini",
                                u8"/x/\U0001F600/a", u8"/x/澄渊/日志"};
    for (const char8_t* n : natives) {
        const std::string native(reinterpret_cast<const char*>(n));
        const std::string program = rt::program_path(native);
        EXPECT_EQ(program.find('?'), std::string::npos) << native;
        EXPECT_EQ(rt::native_path(program), native);
    }
    // GBK names keep their GBK bytes.
    EXPECT_EQ(rt::program_path(reinterpret_cast<const char*>(u8"/x/澄渊/日志")), "\\x\\澄渊\\日志");

    testing_support::TempProgramFolder folder;
    const std::filesystem::path own = folder.native() / reinterpret_cast<const char*>(u8"s\u00F8ren");
    std::filesystem::create_directories(own);
    rt::set_program_folder(rt::program_path(own.string()));
    EXPECT_EQ(rt::SetProfileString("velotra.ini", "cfg", "userid", "1"), 1);
    EXPECT_TRUE(std::filesystem::exists(own / "velotra.ini"));
    EXPECT_EQ(rt::ProfileString("velotra.ini", "cfg", "userid", ""), "1");
    EXPECT_EQ(rt::DirList(rt::program_folder() + "\\*.ini"), (std::vector<std::string>{"velotra.ini"}));
}

TEST(Gbk, UnicodeTextMarksWhatGbkCannotHoldAndKeepsWhatFollows) {
    const std::string mark = "#";
    // "张a", an emoji (a surrogate pair), "b": one mark for the pair.
    const std::string le("\x20\x5F" "a\0" "\x3D\xD8\x00\xDE" "b\0", 10);
    const std::string be("\x5F\x20" "\0a" "\xD8\x3D\xDE\x00" "\0b", 10);
    EXPECT_EQ("张a#b", rt::utf16_to_gbk(le, rt::ByteOrder::little, mark));
    EXPECT_EQ("张a#b", rt::utf16_to_gbk(be, rt::ByteOrder::big, mark));
    // A lone surrogate and a last odd byte are marked too.
    EXPECT_EQ("#\n#", rt::utf16_to_gbk(std::string("\x00\xD8\n\0\x41", 5), rt::ByteOrder::little, mark));
    EXPECT_EQ("1#2", rt::utf8_to_gbk("1\xF0\x9F\x98\x80" "2", mark));
    // A broken character never swallows the tab or line break after it.
    EXPECT_EQ("#\t#\n", rt::utf8_to_gbk("\xE4\xB8\t\x80\n", mark));
    EXPECT_EQ("?\t", rt::utf8_to_gbk("\xF0\x9F\t"));
}
