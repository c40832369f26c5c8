#include "foundation/n_cst_string.h"

#include <gtest/gtest.h>

namespace {

using rt::nstring;
using Array = std::vector<nstring>;

const n_cst_string lnv_string;
const nstring kNull;
const std::string kTab = "\t";

// ---- splitting, joining, searching, replacing ------------------------------------

TEST(NCstString, ParseToArray) {
    struct Case {
        nstring source, delimiter;
        rt::nlong count;
        Array pieces;
    } cases[] = {
        {"a;b", ";", 2, {"a", "b"}},
        {";a;b", ";", 3, {"", "a", "b"}},
        {"a;;b", ";", 3, {"a", "", "b"}},
        {"a;b;", ";", 2, {"a", "b"}},
        {"a;;", ";", 2, {"a", ""}},
        {";", ";", 1, {""}},
        {"abc", ";", 1, {"abc"}},
        {" a ", ";", 1, {" a "}},
        {"aXbxc", "x", 3, {"a", "b", "c"}},     // the delimiter in either case
        {"a, b", ", ", 2, {"a", "b"}},
        {"2024-03-07 09:05", " ", 2, {"2024-03-07", "09:05"}},
        {"a;b", "", 1, {"a;b"}},                 // an empty delimiter is found nowhere
        {"乕x乕", "[", 1, {"乕x乕"}},             // 81 5B: the trail byte is no delimiter
    };
    for (const Case& c : cases) {
        Array got;
        EXPECT_EQ(lnv_string.of_parsetoarray(c.source, c.delimiter, got), c.count) << *c.source;
        EXPECT_EQ(got, c.pieces) << *c.source;
    }
}

TEST(NCstString, ParseToArrayLeavesWhatItDoesNotWrite) {
    Array five = {"1", "2", "3", "4", "5"};
    EXPECT_EQ(lnv_string.of_parsetoarray("a;b", ";", five), 2);
    EXPECT_EQ(five, (Array{"a", "b", "3", "4", "5"}));
    for (const nstring& blank : {nstring(""), nstring("   ")}) {
        EXPECT_EQ(lnv_string.of_parsetoarray(blank, ";", five), 0);
        EXPECT_EQ(five.size(), 5u);
    }
    EXPECT_EQ(lnv_string.of_parsetoarray(kNull, ";", five), rt::null);
    EXPECT_EQ(lnv_string.of_parsetoarray("a", kNull, five), rt::null);
    EXPECT_EQ(five[0], "a");

    std::vector<std::string> plain; // the manager's signature list
    EXPECT_EQ(lnv_string.of_parsetoarray("澄渊达;岚舟汇", ";", plain), 2);
    EXPECT_EQ(plain, (std::vector<std::string>{"澄渊达", "岚舟汇"}));
}

TEST(NCstString, ArrayToString) {
    const Array elements = {"a", "", "b", kNull};
    nstring joined = "before";
    EXPECT_EQ(lnv_string.of_arraytostring(elements, ",", joined), 1);
    EXPECT_EQ(joined, "a,b");
    EXPECT_EQ(lnv_string.of_arraytostring(elements, ",", true, joined), 1);
    EXPECT_EQ(joined, "a,,b,");
    EXPECT_EQ(lnv_string.of_arraytostring(elements, ",", rt::nbool(), joined), 1); // a null flag counts as true
    EXPECT_EQ(joined, "a,,b,");
    EXPECT_EQ(lnv_string.of_arraytostring(Array{"", ""}, ",", joined), 1);
    EXPECT_EQ(joined, "");

    joined = "kept";
    EXPECT_EQ(lnv_string.of_arraytostring(Array{}, ",", joined), -1);
    EXPECT_EQ(lnv_string.of_arraytostring(elements, kNull, joined), -1);
    EXPECT_EQ(joined, "kept");

    std::string numbers;
    EXPECT_EQ(lnv_string.of_arraytostring(std::vector<std::string>{"13800000000", "13900000000"}, ",", numbers), 1);
    EXPECT_EQ(numbers, "13800000000,13900000000");
    EXPECT_EQ(lnv_string.of_arraytostring(std::vector<std::int32_t>{1, 0, -5}, ",", numbers), 1);
    EXPECT_EQ(numbers, "1,0,-5");
    EXPECT_EQ(lnv_string.of_arraytostring(std::vector<rt::nlong>{1, rt::null, 3}, ";", joined), 1);
    EXPECT_EQ(joined, "1;3");
    EXPECT_EQ(lnv_string.of_arraytostring(std::vector<rt::nlong>{1, rt::null, 3}, ";", true, joined), 1);
    EXPECT_EQ(joined, "1;;3");
}

TEST(NCstString, GlobalReplace) {
    struct Case {
        nstring source, old_text, new_text;
        rt::nbool ignorecase; // null: the three-argument form
        nstring expected;
    } cases[] = {
        {"[A] [a] [B]", "[A]", "x", rt::null, "x x [B]"},
        {"[A] [a] [B]", "[A]", "x", false, "x [a] [B]"},
        {"aa", "a", "aa", rt::null, "aaaa"},    // an inserted text is never searched again
        {"abc", "z", "y", rt::null, "abc"},
        {"abc", "", "y", rt::null, "abc"},      // an empty old text changes nothing
        {"abc", "b", "", rt::null, "ac"},
        {"abc", "b", kNull, rt::null, kNull},
        {kNull, "b", "y", rt::null, kNull},
        {"乕A][A]", "[A]", "甲", rt::null, "乕A]甲"},      // no match starts on a trail byte
        {"\x81" "a" "A", "a", "-", rt::null, "\x81" "a-"}, // the trail "a" is neither matched nor folded
        {"1,234.50", ",", "", rt::null, "1234.50"},
    };
    for (const Case& c : cases) {
        nstring got = c.ignorecase ? lnv_string.of_globalreplace(c.source, c.old_text, c.new_text, c.ignorecase)
                                   : lnv_string.of_globalreplace(c.source, c.old_text, c.new_text);
        EXPECT_EQ(got, c.expected) << rt::or_empty(c.source) << " / " << rt::or_empty(c.old_text);
    }
    EXPECT_EQ(lnv_string.of_globalreplace("a", "a", "b", rt::nbool()), rt::null);
}

TEST(NCstString, CountOccurrences) {
    EXPECT_EQ(lnv_string.of_countoccurrences("aaa", "aa"), 1); // no overlap
    EXPECT_EQ(lnv_string.of_countoccurrences("Aa", "a"), 2);
    EXPECT_EQ(lnv_string.of_countoccurrences("Aa", "a", false), 1);
    EXPECT_EQ(lnv_string.of_countoccurrences("abc", ""), 0);
    EXPECT_EQ(lnv_string.of_countoccurrences("乕A][A]", "[a]"), 1);
    EXPECT_EQ(lnv_string.of_countoccurrences(kNull, "a"), rt::null);
    EXPECT_EQ(lnv_string.of_countoccurrences("a", "a", rt::nbool()), rt::null);
}

TEST(NCstString, LastPosAndToken) {
    EXPECT_EQ(lnv_string.of_lastpos("a.b.c", "."), 4);
    EXPECT_EQ(lnv_string.of_lastpos("a.b.c", ".", 3), 2);
    EXPECT_EQ(lnv_string.of_lastpos("a.b.c", ".", 0), 4);
    EXPECT_EQ(lnv_string.of_lastpos("a.b.c", ".", -1), 0);
    EXPECT_EQ(lnv_string.of_lastpos("", "."), 0);
    EXPECT_EQ(lnv_string.of_lastpos("a.b", ""), 0);
    EXPECT_EQ(lnv_string.of_lastpos("a.b", ".", rt::nlong()), rt::null);

    struct Case {
        const char *source, *token, *rest;
    } cases[] = {{"ab,cd", "ab", "cd"}, {"ab,", "ab", ""}, {"abc", "abc", ""}, {",cd", "", "cd"}, {"a,,b", "a", ",b"}};
    for (const Case& c : cases) {
        nstring source = c.source;
        EXPECT_EQ(lnv_string.of_gettoken(source, ","), c.token);
        EXPECT_EQ(source, c.rest);
    }
    nstring source = "a,b";
    EXPECT_EQ(lnv_string.of_gettoken(source, kNull), rt::null);
    EXPECT_EQ(source, "a,b");
    EXPECT_EQ(lnv_string.of_gettoken(source, ""), "a,b"); // an empty separator is found nowhere
    EXPECT_EQ(source, "");
}

TEST(NCstString, GetKeyValue) {
    const std::string columns =
        "1=A,2=B,3=C,4=D,5=E,6=F,7=G,8=H,9=I,10=J,11=K,12=L,13=M,14=N,15=O,16=P,17=Q,18=R,19=S,20=T,21=U,22=V,"
        "23=W,24=X,25=Y,26=Z,";
    struct Case {
        nstring source, keyword, separator, value;
    } cases[] = {
        {columns, "1", ",", "A"},   {columns, "11", ",", "K"},  {columns, "26", ",", "Z"},
        {columns, "27", ",", ""},   {columns, "0", ",", ""},    {"a=1;b=2", "B", ";", "2"},
        {"aa=1", "a", ";", "1"},    {"a=,b=2", "a", ",", ""},   {"a=,b=2", "c", ",", ""},
        {"x = 5 ,y=6", "X", ",", "5"},
        {"a=1", "", ",", ""},       {"a=1", "a", "", ""},       // empty keyword or separator
        {kNull, "a", ",", kNull},   {"a=1", kNull, ",", kNull},
        // Matches rejected before the key is found: tails of longer keys,
        // a key without "=", double-byte characters before the key.
        {"xa=1;a=2", "a", ";", "2"},
        {"aaa=1", "a", ";", "1"},
        {"a b=1;a=2", "a", ";", "2"},
        {"名称=张三;A=1", "a", ";", "1"},
        {"乕a=1;a=2", "a", ";", "2"},
        {"乕A=1;a=2", "A", ";", "2"},
        {"a=1 ; b = 2 ;c=3", "B", ";", ""},
        {";a;a=5", "a", ";", "5"},
        {"a=1", "a=", ",", ""},
        {"ba=1, a = 2 ,", "A", ", ", "1"},
        {"k=v", "k", "k", "v"},
        {"a=1&&a=2", "a", "&&", "1"},
        {"名a=1;a=乕", "a", ";", "乕"},
        {"a=", "a", ";", ""},
        {"a  =  x  ", "a", ";", "x"},
        {"xxa=1;ya=2", "a", ";", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lnv_string.of_getkeyvalue(c.source, c.keyword, c.separator), c.value)
            << rt::or_empty(c.source) << " " << rt::or_empty(c.keyword);
}

TEST(NCstString, SetKeyValue) {
    struct Case {
        nstring source, keyword, value, separator;
        rt::nint result;
        nstring after;
    } cases[] = {
        {"a=1;b=2", "b", "9", ";", 1, "a=1;b=9"},
        {"a=1;b=2", "a", "9", ";", 1, "a=9;b=2"},
        {"a=1;b=2", "c", "9", ";", -1, "a=1;b=2"},
        {"ba=1;a=2", "a", "9", ";", 1, "ba=9;a=9"},
        {"a=1", "a", "a=a=", ";", 1, "a=a=a="},  // a value holding "a=" is not set again: the call ends
        {"A = 1;b=2", "a", "x", ";", 1, "A =x;b=2"},
        {"a=1", "", "9", ";", -1, "a=1"},
        {"a=1", "a", "9", "", -1, "a=1"},
        {"a=1", "a", kNull, ";", rt::null, "a=1"},
        // Every key set, rejected matches skipped, the search resuming at
        // the separator after each new value.
        {"xa=1;a=2;a=3", "a", "7", ";", 1, "xa=7;a=7;a=7"},
        {"a=1;a=2", "A", "名", ";", 1, "a=名;a=名"},
        {"a=1;b;a", "a", "x", ";", 1, "a=x;b;a"},
        {"a =1;;a= 2", "a", "9", ";", 1, "a =9;;a=9"},
        {"乕a=1;a=2", "a", "v", ";", 1, "乕a=v;a=v"},
        {"a=1=2;a", "a", "v", ";", 1, "a=v;a"},
        {"a=b=c;x", "a=b", "Z", ";", 1, "a=Z;x"},
        {"a=1;b=2", "a", "1;b=", ";", 1, "a=1;b=;b=2"},
        {"a=1;b=2", "b", "a=1;a=", ";", 1, "a=1;b=a=1;a="},
        {"aa=1;a=2", "a", "", ";", 1, "aa=;a="},
        {"名a=1;名=2", "名", "三", ";", 1, "名a=1;名=三"},
        {"a=1,,a=2,,b=3", "a", "x", ",,", 1, "a=x,,a=x,,b=3"},
        {"a=1;A=2;xa=3", "a", "y", ";", 1, "a=y;A=y;xa=y"},
    };
    for (const Case& c : cases) {
        nstring source = c.source;
        EXPECT_EQ(lnv_string.of_setkeyvalue(source, c.keyword, c.value, c.separator), c.result) << *c.source;
        EXPECT_EQ(source, c.after) << *c.source;
    }
}

TEST(NCstString, QuoteWordCapAndXor) {
    EXPECT_EQ(lnv_string.of_quote("ab"), "\"ab\"");
    EXPECT_EQ(lnv_string.of_quote(""), "\"\"");
    EXPECT_EQ(lnv_string.of_quote("a\"b"), "\"a\"b\"");
    EXPECT_EQ(lnv_string.of_quote(kNull), rt::null);
    EXPECT_EQ(lnv_string.of_wordcap("hello WORLD"), "Hello World");

    EXPECT_EQ(lnv_string.pub_f_str_xor("A"), std::string(1, static_cast<char>('*' - 'A' + 256)));
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    std::string once = lnv_string.pub_f_str_xor(all);
    EXPECT_EQ(once.find('\0'), std::string::npos); // bytes equal to their key byte stay, never NUL
    EXPECT_EQ(lnv_string.pub_f_str_xor(once), all);
    EXPECT_EQ(lnv_string.pub_f_str_xor(kNull), "");
    EXPECT_EQ(lnv_string.pub_f_str_xor(""), "");
}

// ---- character tests, trimming, padding, cleaning ---------------------------------

TEST(NCstString, CharacterClassTests) {
    using Test = rt::nbool (n_cst_string::*)(const nstring&) const;
    struct Case {
        const char* name;
        Test test;
        std::vector<std::pair<nstring, rt::nbool>> answers;
    } cases[] = {
        {"alpha", &n_cst_string::of_isalpha, {{"abcXYZ", true}, {"ab1", false}, {"中", false}, {"", false}, {kNull, rt::null}}},
        {"alphanum", &n_cst_string::of_isalphanum, {{"ab12", true}, {"a_1", false}, {"中1", false}}},
        {"whitespace", &n_cst_string::of_iswhitespace, {{"   ", true}, {kTab, true}, {"\b\t\n\v\f\r ", true}, {" a", false}, {"", false}}},
        {"space", &n_cst_string::of_isspace, {{"   ", true}, {kTab, false}, {"", false}, {kNull, rt::null}}},
        {"punctuation", &n_cst_string::of_ispunctuation, {{".,", true}, {"!\"',.:;?", true}, {"a-b", false}, {"-", false}}},
        {"printable", &n_cst_string::of_isprintable, {{"   ", true}, {"a~ ", true}, {kTab, false}, {"\x7F", false}, {"中", false}}},
        {"format", &n_cst_string::of_isformat, {{"+-*/", true}, {"   ", false}, {"+ -", false}, {"a+", false}, {"中", false}}},
        {"comparison", &n_cst_string::of_iscomparisonoperator, {{"<=", true}, {"<>", true}, {"!=", false}}},
        {"arithmetic", &n_cst_string::of_isarithmeticoperator, {{"(+-*/)^", true}, {"(1+2)", false}}},
        {"lower", &n_cst_string::of_islower, {{"abc", true}, {"123", true}, {"", true}, {"aB", false}, {"\x81" "A", true}, {kNull, rt::null}}},
        {"upper", &n_cst_string::of_isupper, {{"ABC", true}, {"123", true}, {"", true}, {"Ab", false}, {"\x81" "a", true}}},
    };
    for (const Case& c : cases)
        for (const auto& [text, answer] : c.answers)
            EXPECT_EQ((lnv_string.*c.test)(text), answer) << c.name << " of \"" << rt::or_empty(text) << "\"";
    EXPECT_TRUE(lnv_string.of_isempty(kNull));
    EXPECT_TRUE(lnv_string.of_isempty(""));
    EXPECT_FALSE(lnv_string.of_isempty("   "));
}

TEST(NCstString, Trims) {
    const std::string mixed = "\t a \r\n";
    struct Case {
        nstring source;
        rt::nbool spaces, nonprint;
        nstring trimmed, left, right;
    } cases[] = {
        {mixed, true, true, "a", "a \r\n", "\t a"},
        {mixed, false, true, " a ", " a \r\n", "\t a "},
        {mixed, true, false, mixed, mixed, mixed},   // a tab and a line feed stand at the ends
        {mixed, false, false, mixed, mixed, mixed},
        {"   ", true, false, "", "", ""},
        {kTab, true, true, "", "", ""},
        {"", true, true, "", "", ""},
        // Each byte judged alone: 中 (D6 D0) goes whole; 乕 (81 5B) leaves its printable
        // trail "[" at the front, and stays whole at the end.
        {"中a中", true, true, "a", "a中", "中a"},
        {"乕a乕", true, true, "[a乕", "[a乕", "乕a乕"},
        {kNull, true, true, kNull, kNull, kNull},
        {"a", rt::null, true, kNull, kNull, kNull},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lnv_string.of_trim(c.source, c.spaces, c.nonprint), c.trimmed) << rt::or_empty(c.source);
        EXPECT_EQ(lnv_string.of_lefttrim(c.source, c.spaces, c.nonprint), c.left) << rt::or_empty(c.source);
        EXPECT_EQ(lnv_string.of_righttrim(c.source, c.spaces, c.nonprint), c.right) << rt::or_empty(c.source);
    }
    EXPECT_EQ(lnv_string.of_trim("  a  "), "a");
    EXPECT_EQ(lnv_string.of_trim(kTab), kTab);
    EXPECT_EQ(lnv_string.of_lefttrim("  a  "), "a  ");
    EXPECT_EQ(lnv_string.of_righttrim("  a  ", false), "  a  ");
    EXPECT_EQ(lnv_string.of_trim(kNull, true), rt::null);
}

TEST(NCstString, PadAndRemove) {
    EXPECT_EQ(lnv_string.of_padleft("7", 3), "  7");
    EXPECT_EQ(lnv_string.of_padright("ab", 5), "ab   ");
    EXPECT_EQ(lnv_string.of_padleft("abcd", 2), "abcd");
    EXPECT_EQ(lnv_string.of_padleft("abcd", -1), "abcd");
    EXPECT_EQ(lnv_string.of_padleft("中", 3), " 中"); // two bytes of the length
    EXPECT_EQ(lnv_string.of_padleft("7", rt::nlong()), rt::null);
    EXPECT_EQ(lnv_string.of_padright(kNull, 3), rt::null);

    const std::string abc = "a b" + kTab + "c";
    EXPECT_EQ(lnv_string.of_removewhitespace(abc), "abc");
    EXPECT_EQ(lnv_string.of_removenonprint(abc), "a bc");
    EXPECT_EQ(lnv_string.of_removenonprint("x乕y中"), "x[y"); // lead bytes and trail bytes above 126 go
    EXPECT_EQ(lnv_string.of_removenonprint(""), "");
    EXPECT_EQ(lnv_string.of_removewhitespace(kNull), rt::null);
}

} // namespace
