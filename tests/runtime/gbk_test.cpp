#include "runtime/gbk.h"
#include "runtime/path.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

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
