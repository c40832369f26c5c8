#include "runtime/strings.h"

#include "runtime/gbk.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// GBK characters written as bytes, so the trail byte each test relies on is
// visible: 81 5B has the trail "[", 81 41 the trail "A", 81 61 the trail "a".
const std::string kBracketTrail = "\x81\x5B";
const std::string kUpperTrail = "\x81\x41";
const std::string kLowerTrail = "\x81\x61";
const std::string kZhong = "中"; // two bytes, both above 0x7F

TEST(Strings, SourceLiteralsAreGbk) {
    EXPECT_EQ(std::string("乕"), kBracketTrail);
    EXPECT_EQ(kZhong, "\xD6\xD0");
}

TEST(Strings, PosCountsBytesAndNeverMatchesOnATrailByte) {
    struct Case {
        std::string s, target;
        std::int32_t start, expected;
    } cases[] = {
        {"a.b.c", ".", 1, 2},
        {"a.b.c", ".", 3, 4},
        {"a.b.c", ".", 5, 0},
        {"a.b.c", ".", 6, 0},           // past the end
        {"a.b.c", ".", 0, 0},           // start below 1
        {"abc", "", 1, 0},              // the empty target is never found
        {"", "a", 1, 0},
        {kBracketTrail + "A]", "[A]", 1, 0},               // 81 5B 41 5D holds no "[A]"
        {kBracketTrail + "A][A]", "[A]", 1, 5},            // the real one after it
        {"x" + kBracketTrail + "A]", "[A]", 1, 0},
        {kZhong + kBracketTrail + "A]", "[A]", 1, 0},      // the walk goes over whole characters
        {"\x81" "A", "A", 1, 0},                           // "A" is the trail of 81 41
        {"\x81\x81" "A", "A", 1, 3},                       // 81 81 is one character, then "A"
        {kZhong + "," + kZhong, ",", 1, 3},
        {"abab", "ab", 2, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rt::Pos(c.s, c.target, c.start), c.expected) << c.s << " / " << c.target << " @" << c.start;
}

// Pos and the scanner agree with a plain walk over the characters on texts
// made of lead bytes, trail letters and brackets, whichever start is asked.
TEST(Strings, PosScannerAgreesWithACharacterWalk) {
    const char alphabet[] = {'\x81', '\xD6', '[', 'A', ']', 'a', ','};
    std::mt19937 gen(7);
    for (int round = 0; round < 300; ++round) {
        std::string s;
        for (int i = 0; i < 40; ++i) s += alphabet[gen() % sizeof alphabet];
        std::string target = std::string(1, alphabet[gen() % sizeof alphabet]) + (gen() % 2 ? "A" : "");
        std::vector<bool> boundary(s.size() + 1, false);
        for (std::size_t i = 0; i < s.size(); i += rt::char_len_at(s, i)) boundary[i] = true;
        auto expected = [&](std::int32_t start) {
            for (std::size_t p = static_cast<std::size_t>(start) - 1; p < s.size(); ++p)
                if (boundary[p] && s.compare(p, target.size(), target) == 0) return static_cast<std::int32_t>(p) + 1;
            return 0;
        };
        rt::PosScanner scan(s, target);
        for (std::int32_t start = 1; start <= rt::Len(s); start += 1 + static_cast<std::int32_t>(gen() % 3)) {
            ASSERT_EQ(scan.next(start), expected(start)) << "start " << start;
            ASSERT_EQ(rt::Pos(s, target, start), expected(start));
        }
    }
}

TEST(Strings, LastPos) {
    struct Case {
        std::string s, target;
        std::int32_t start, expected;
    } cases[] = {
        {"a.b.c", ".", 0, 4},
        {"a.b.c", ".", 3, 2},
        {"a.b.c", ".", 99, 4},
        {"a.b.c", ".", -1, 0},
        {"", ".", 0, 0},
        {"abc", "", 0, 0},
        {"C:\\a\\b.exe", "\\", 0, 5},
        {"C:\\" + kZhong + "\x81\x5C" "x", "\\", 0, 3}, // 81 5C is a character, not a folder
    };
    for (const Case& c : cases) EXPECT_EQ(rt::LastPos(c.s, c.target, c.start), c.expected) << c.s;
}

TEST(Strings, PiecesCountBytes) {
    const std::string s = "ab" + kZhong + "cd"; // 6 bytes
    EXPECT_EQ(rt::Len(s), 6);
    EXPECT_EQ(rt::Left(s, 3), "ab\xD6");
    EXPECT_EQ(rt::Left(s, 0), "");
    EXPECT_EQ(rt::Left(s, 99), s);
    EXPECT_EQ(rt::Right(s, 2), "cd");
    EXPECT_EQ(rt::Right(s, -1), "");
    EXPECT_EQ(rt::Right(s, 99), s);
    EXPECT_EQ(rt::Mid(s, 3, 2), kZhong);
    EXPECT_EQ(rt::Mid(s, 5), "cd");
    EXPECT_EQ(rt::Mid(s, 7), "");
    EXPECT_EQ(rt::Mid(s, 0, 2), "");
    EXPECT_EQ(rt::Mid(s, 2, 0), "");
    EXPECT_EQ(rt::Mid(s, 5, 99), "cd");
}

TEST(Strings, CaseFoldingKeepsEveryNonAsciiByte) {
    struct Case {
        std::string s, upper, lower;
    } cases[] = {
        {"aBc1", "ABC1", "abc1"},
        {kLowerTrail + "b", kLowerTrail + "B", kLowerTrail + "b"}, // the trail "a" stays
        {kUpperTrail + "B", kUpperTrail + "B", kUpperTrail + "b"}, // the trail "A" stays
        {kZhong + "x" + kZhong, kZhong + "X" + kZhong, kZhong + "x" + kZhong},
        {"\xFF" "a", "\xFF" "A", "\xFF" "a"}, // FF leads nothing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rt::Upper(c.s), c.upper);
        EXPECT_EQ(rt::Lower(c.s), c.lower);
    }
}

TEST(Strings, TrimRemovesTheSpaceOnly) {
    EXPECT_EQ(rt::Trim("  a b  "), "a b");
    EXPECT_EQ(rt::Trim("\t a \r\n"), "\t a \r\n");
    EXPECT_EQ(rt::Trim("   "), "");
    EXPECT_EQ(rt::LeftTrim("  a  "), "a  ");
    EXPECT_EQ(rt::RightTrim("  a  "), "  a");
    EXPECT_EQ(rt::Trim("　a"), "　a"); // the full-width space is a character, not byte 32
}

TEST(Strings, ChangingBuiltIns) {
    EXPECT_EQ(rt::Reverse("ab" + kZhong), kZhong + "ba"); // the character stays whole
    EXPECT_EQ(rt::Reverse(""), "");
    EXPECT_EQ(rt::Replace("abcdef", 2, 3, "X"), "aXef");
    EXPECT_EQ(rt::Replace("abc", 4, 1, "X"), "abcX");
    EXPECT_EQ(rt::Replace("abc", 9, 1, "X"), "abcX");
    EXPECT_EQ(rt::Replace("abc", 2, 99, "X"), "aX");
    EXPECT_EQ(rt::Replace("abc", 0, 1, "X"), "abc");
    EXPECT_EQ(rt::Fill("ab", 5), "ababa");
    EXPECT_EQ(rt::Fill("", 5), "");
    EXPECT_EQ(rt::Fill("*", -1), "");
    EXPECT_EQ(rt::Space(3), "   ");
    EXPECT_EQ(rt::Space(0), "");
    EXPECT_EQ(rt::Asc(kZhong), 0xD6);
    EXPECT_EQ(rt::Asc(""), 0);
    EXPECT_EQ(rt::Char(65), "A");
    EXPECT_EQ(rt::Char(0xD6), "\xD6");
    EXPECT_EQ(rt::Char(256), ""); // no NUL in a text
    EXPECT_EQ(rt::WordCap("hELLO wORLD-foo 3rd"), "Hello World-Foo 3rd");
    EXPECT_EQ(rt::WordCap(kZhong + "abc"), kZhong + "Abc");
    EXPECT_EQ(rt::WordCap(kLowerTrail + "bc"), kLowerTrail + "Bc"); // the trail "a" is no letter
}

TEST(Strings, MatchReadsTheSignUpEmailPattern) {
    const std::string email =
        R"(^[a-zA-Z0-9][a-zA-Z\0-9\-_\.]*[^.]\@[^.][a-zA-Z\0-9\-_\.]+\.[a-zA-Z\0-9\-_\.]*[a-zA-Z\0-9]+$)";
    ASSERT_EQ(email.size(), 92u);
    struct Case {
        const char* value;
        bool passes;
    } cases[] = {
        {"ab@cd.com", true},       {"a.b_c-d@mail.example.cn", true}, {"a@cd.com", false}, // one character before @
        {"a.@cd.com", false},      {"ab@.cd.com", false},             {"ab@cd", false},
        {"ab@cd.", false},         {"_ab@cd.com", false},             {"ab@c.d", false},
        {"ab@cd.c0m", true},       {"ab cd@ef.com", false},           {"", false},
        {"ab@cd.com ", false},
    };
    for (const Case& c : cases) EXPECT_EQ(rt::Match(c.value, email), c.passes) << c.value;
}

TEST(Strings, MatchPatternPieces) {
    struct Case {
        const char *s, *pattern;
        bool matches;
    } cases[] = {
        {"abc", "b", true},         {"abc", "^b", false},     {"abc", "c$", true},   {"abc", "^abc$", true},
        {"abcd", "^abc$", false},   {"a1", "^[a-z][0-9]$", true}, {"a1", "^[^a-z]", false},
        {"aaa", "^a*$", true},      {"", "^a*$", true},       {"", "^a+$", false},   {"ab", "^ab?c?$", true},
        {"a.c", "^a\\.c$", true},   {"abc", "^a\\.c$", false}, {"a$", "a\\$", true},  {"x", "[", false},
        {"a-b", "^a[\\-]b$", true}, {"5", "^[\\0-9]$", true},
    };
    for (const Case& c : cases) EXPECT_EQ(rt::Match(c.s, c.pattern), c.matches) << c.s << " ~ " << c.pattern;
}

TEST(Strings, NumberTestAndConversions) {
    struct Case {
        const char* text;
        bool is_number;
        std::int32_t as_long;
        double as_double;
    } cases[] = {
        {"123", true, 123, 123},       {" -42 ", true, -42, -42},   {"+7", true, 7, 7},
        {"12.75", true, 12, 12.75},    {".5", true, 0, 0.5},        {"1e3", true, 1, 1000},
        {"12ab", false, 12, 12},       {"1 2", false, 1, 1},        {"", false, 0, 0},
        {"abc", false, 0, 0},          {"-", false, 0, 0},          {"3000000000", true, 0, 3e9},
        {"-2147483648", true, -2147483647 - 1, -2147483648.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rt::IsNumber(c.text), c.is_number) << c.text;
        EXPECT_EQ(rt::Long(c.text), c.as_long) << c.text;
        EXPECT_DOUBLE_EQ(rt::Double(c.text), c.as_double) << c.text;
    }
    EXPECT_EQ(rt::Integer("32767"), 32767);
    EXPECT_EQ(rt::Integer("32768"), 0); // does not fit 16 bits
    EXPECT_EQ(rt::Integer("-32768"), -32768);
    EXPECT_EQ(rt::String(rt::Dec("12.50")), "12.5");
    EXPECT_EQ(rt::String(rt::Dec("-0.001x")), "-0.001");
    EXPECT_EQ(rt::String(rt::Dec("x")), "0");
}

TEST(Strings, TextOfNumbers) {
    EXPECT_EQ(rt::String(42), "42");
    EXPECT_EQ(rt::String(std::int16_t{-5}), "-5");
    EXPECT_EQ(rt::String(1.5), "1.5");
    EXPECT_EQ(rt::String(100.0), "100");
    EXPECT_EQ(rt::String(-0.0), "0");
    EXPECT_EQ(rt::String(0.1 + 0.2), "0.3");
    struct Case {
        double v;
        const char *format, *text;
    } cases[] = {
        {3.5, "0.00", "3.50"},        {1234567.891, "#,##0.00", "1,234,567.89"}, {2.675, "0.00", "2.68"},
        {0.5, "0", "1"},              {-0.5, "0", "-1"},                         {0.25, "#.##", ".25"},
        {7, "000", "007"},            {-0.001, "0.00", "0.00"},                  {12, "#,##0", "12"},
        {1.5, "0.##", "1.5"},         {3, "#,##0.##", "3"},                      {9.5, "0.0 元", "9.5 元"},
    };
    for (const Case& c : cases) EXPECT_EQ(rt::String(c.v, c.format), c.text) << c.v << " " << c.format;
    // Past what a decimal holds the mask cannot apply; the plain text stands in.
    EXPECT_EQ(rt::String(1e40, "#,##0"), rt::String(1e40));
    EXPECT_EQ(rt::String(-1e300, "0.00"), rt::String(-1e300));
}

TEST(Strings, CharactersOfGbkText) {
    const std::string s = "a" + kZhong + kUpperTrail + "b"; // 6 bytes, 4 characters
    EXPECT_EQ(rt::CharCount(s), 4);
    EXPECT_EQ(rt::CharCount("\x81"), 1); // a lone lead byte is a character of its own
    EXPECT_EQ(rt::CharToByte(s, 1), 1);
    EXPECT_EQ(rt::CharToByte(s, 3), 4);
    EXPECT_EQ(rt::CharToByte(s, 5), 7);
    EXPECT_EQ(rt::ByteToChar(s, 3), 2); // the trail byte of 中
    EXPECT_EQ(rt::ByteToChar(s, 6), 4);
    EXPECT_EQ(rt::LeftChars(s, 2), "a" + kZhong);
    EXPECT_EQ(rt::MidChars(s, 2, 2), kZhong + kUpperTrail);
    EXPECT_EQ(rt::MidChars(s, 4), "b");
    EXPECT_EQ(rt::MidChars(s, 5), "");
    EXPECT_TRUE(rt::IsTrailAt(s, 3));
    EXPECT_FALSE(rt::IsTrailAt(s, 4));
    std::vector<std::string> chars;
    for (std::string_view ch : rt::GbkChars(s)) chars.emplace_back(ch);
    EXPECT_EQ(chars, (std::vector<std::string>{"a", kZhong, kUpperTrail, "b"}));
}

TEST(Strings, NullableFormsAnswerNullForNull) {
    rt::nstring none;
    rt::nstring text = std::string(" Ab ");
    EXPECT_EQ(rt::Len(none), rt::null);
    EXPECT_EQ(rt::Len(text), 4);
    EXPECT_EQ(rt::Trim(text), "Ab");
    EXPECT_EQ(rt::Lower(none), rt::null);
    EXPECT_EQ(rt::Mid(text, 2, 1), "A");
    EXPECT_EQ(rt::Pos(text, rt::nstring("b")), 3);
    EXPECT_EQ(rt::Pos(text, none), rt::null);
    EXPECT_EQ(rt::Long(none), rt::null);
    EXPECT_EQ(rt::IsNumber(rt::nstring("1")), true);
    EXPECT_EQ(rt::String(rt::nlong()), rt::null);
    EXPECT_EQ(rt::String(rt::nlong(5)), "5");
}

} // namespace
