// The one-pass merge must give exactly what replacing column after column
// gives, and must hand a row back whenever it could not.
#include "mailmerge/merge_template.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The sheet's placeholders: [A] to [Z], then the flag column's "[]".
std::vector<std::string> placeholders() {
    std::vector<std::string> p(1);
    for (char c = 'A'; c <= 'Z'; ++c) p.push_back(std::string("[") + c + "]");
    p.push_back("[]");
    return p;
}

// Cells of columns A, B, C, ... in order; the others empty.
std::vector<std::string_view> row(std::initializer_list<std::string_view> cells) {
    std::vector<std::string_view> r(28);
    std::size_t j = 1;
    for (std::string_view c : cells) r[j++] = c;
    return r;
}

} // namespace

TEST(MergeTemplate, OnePassEqualsColumnByColumnOrHandsTheRowBack) {
    const auto p = placeholders();
    struct Case {
        const char* templ;
        std::vector<std::string_view> cells;
        bool one_pass;
        const char* message;
    };
    const Case cases[] = {
        {"基本工资:[C],扣款:[D],实发:[J%]", row({"张三", "13800138000", "5000", ""}), true,
         "基本工资:5000,扣款:,实发:[J%]"},
        {"[c]+[C]", row({"", "", "cc"}), true, "cc+cc"},
        {"[c] only", row({"", "", "cc"}), true, "[c] only"},
        {"flag[]", row({}), true, "flag"},
        {"[A][B]", row({"张三", "1"}), true, "张三1"},
        // A cell with a bracket takes part in the later searches.
        {"[A]/[B]", row({"[B]", "138"}), false, "138/138"},
        // An emptied placeholder between brackets makes a new one.
        {"[X[A]]", row({""}), false, ""},
        {"[[A]]", row({"C", "", "cc"}), false, "cc"},
        // A cell ending on a lead byte takes the next bracket into its character.
        {"[A][B]", row({"x\x81", "1"}), false, "x\x81[B]"},
        // A bracket that is the second byte of a character starts no placeholder.
        {"\x81[A]-[B]", row({"a", "b"}), true, "\x81[A]-b"},
    };
    for (const auto& c : cases) {
        const merge_template t(c.templ, p);
        EXPECT_EQ(c.message, merge_template::replace_column_by_column(c.templ, p, c.cells)) << c.templ;
        std::string out = "head:";
        ASSERT_EQ(c.one_pass, t.build(c.cells, out)) << c.templ;
        EXPECT_EQ(c.one_pass ? std::string("head:") + c.message : "head:", out) << c.templ;
    }
}

TEST(MergeTemplate, RandomTemplatesAndCellsAgreeWithColumnByColumn) {
    const auto p = placeholders();
    const char* const template_parts[] = {"[", "]", "A", "b", "C", "c", "x", "\x81", "\xB0\xA1", "[A]", "[B]",
                                          "[b]", "[C]", "[c]", "[]", "-", "\r\n"};
    const char* const cell_parts[] = {"", "1", "C", "c", "[", "]", "\x81", "\xB0\xA1", "B", "x"};
    std::mt19937 random(18);
    const auto pick = [&random](const auto& parts, int most) {
        std::string s;
        for (int n = static_cast<int>(random() % static_cast<unsigned>(most + 1)); n > 0; --n)
            s += parts[random() % std::size(parts)];
        return s;
    };
    int one_pass = 0;
    for (int k = 0; k < 20000; ++k) {
        const std::string templ = pick(template_parts, 8);
        std::vector<std::string> texts(28);
        for (int j = 1; j <= 3; ++j) texts[static_cast<std::size_t>(j)] = pick(cell_parts, 2);
        texts[27] = pick(cell_parts, 1);
        const std::vector<std::string_view> cells(texts.begin(), texts.end());
        std::string out;
        if (!merge_template(templ, p).build(cells, out)) continue;
        ++one_pass;
        ASSERT_EQ(merge_template::replace_column_by_column(templ, p, cells), out)
            << templ << " | " << texts[1] << " | " << texts[2] << " | " << texts[3];
    }
    EXPECT_GT(one_pass, 5000); // the comparison means something only when the one pass runs
}

TEST(MergeTemplate, OtherPlaceholdersAreLeftToColumnByColumn) {
    // Keys of more than one byte, or two columns with the same key, fall back whole.
    std::vector<std::string> longer = placeholders();
    longer[1] = "[AA]";
    std::vector<std::string> twice = placeholders();
    twice[2] = "[a]";
    std::string out;
    EXPECT_FALSE(merge_template("[AA][B]", longer).build(row({"1", "2"}), out));
    EXPECT_FALSE(merge_template("[A][B]", twice).build(row({"1", "2"}), out));
    EXPECT_TRUE(out.empty());
}
