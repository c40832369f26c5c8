#include "foundation/u_dw.h"

#include "core/n_cst_manager.h"
#include "runtime/registry.h"
#include "runtime/strings.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

using rt::Any;
using rt::ColType;
using rt::Column;

namespace {

rt::DataObject grid() {
    rt::DataObject o;
    o.name = "d_cells";
    o.columns = {Column("mobile", ColType::Char, 20), Column("flag", ColType::Long),   Column("n", ColType::Number),
                 Column("dec", ColType::Decimal, 2),  Column("r", ColType::Real),      Column("i", ColType::Int),
                 Column("u", ColType::ULong),         Column("d", ColType::Date),      Column("dt", ColType::DateTime),
                 Column("t", ColType::Time),          Column("dbl", ColType::Double)};
    return o;
}

// The manager's boxes carry its title; a test gives the grid one.
class UDw : public ::testing::Test {
protected:
    void SetUp() override {
        manager.apptitle = "澄渊达通讯平台";
        gnv_app = &manager;
        dw.InsertRow(0);
    }
    void TearDown() override { gnv_app = nullptr; }

    n_cst_manager manager;
    testing_support::RecordedBoxes boxes;
    u_dw dw{nullptr, grid()};
};

std::string text(const Any& v) { return rt::String(v).value_or("<null>"); }

} // namespace

TEST_F(UDw, GetValueChecksRowThenNameThenType) {
    EXPECT_EQ("Get value error2!", text(dw.of_getvalue(0, "nosuch"))); // even for a missing column
    EXPECT_EQ("Get value error2!", text(dw.of_getvalue(-5, "mobile")));
    EXPECT_EQ("Get value error3!", text(dw.of_getvalue(1, "   ")));
    EXPECT_EQ("Get value error3!", text(dw.of_getvalue(1, rt::null)));
    EXPECT_TRUE(boxes.shown().empty());

    EXPECT_EQ("Get value error4!", text(dw.of_getvalue(1, "nosuch")));
    ASSERT_EQ(1u, boxes.shown().size());
    EXPECT_EQ("澄渊达通讯平台", boxes.shown()[0].title);
    EXPECT_EQ("d_cells字段未找到nosuch", boxes.shown()[0].text);
    EXPECT_EQ(rt::Icon::Information, boxes.shown()[0].icon);
    // A double column has no reading of its own either.
    EXPECT_EQ("Get value error4!", text(dw.of_getvalue(1, "dbl")));
    EXPECT_EQ(2u, boxes.shown().size());
}

TEST_F(UDw, GetValueReadsEachTypeWithItsAccessor) {
    dw.SetItem(1, "mobile", Any("13800000001"));
    dw.SetItem(1, "flag", Any(2));
    dw.SetItem(1, "dec", Any(*rt::decimal::parse("12.34")));
    dw.SetItem(1, "d", Any(rt::Date{2017, 6, 1}));
    dw.SetItem(1, "dt", Any(rt::DateTime{2017, 6, 1, 8, 9, 10, 0}));
    dw.SetItem(1, "t", Any(rt::Time{8, 9, 10, 0}));
    const struct {
        const char* column;
        Any::Kind kind;
        const char* value;
    } cases[] = {
        {"mobile", Any::Kind::String, "13800000001"}, {"flag", Any::Kind::Double, "2"},
        {"dec", Any::Kind::Decimal, "12.34"},         {"d", Any::Kind::Date, "2017-06-01"},
        {"dt", Any::Kind::DateTime, "2017-06-01 08:09:10"}, {"t", Any::Kind::Time, "08:09:10"},
    };
    for (const auto& c : cases) {
        const Any v = dw.of_getvalue(1, c.column);
        EXPECT_EQ(c.kind, v.kind()) << c.column;
        EXPECT_EQ(c.value, text(v)) << c.column;
    }
    EXPECT_TRUE(dw.of_getvalue(1, "n").is_null()); // an empty cell
    EXPECT_TRUE(dw.of_getvalue(rt::null, "mobile").is_null());
    EXPECT_TRUE(dw.of_getvalue(2, "mobile").is_null()); // past the last row: null, no crash
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(UDw, SetValueConvertsByTheColumnsType) {
    EXPECT_TRUE(dw.of_setvalue(1, "flag", Any("2")));
    EXPECT_EQ(2.0, dw.GetItemNumber(1, "flag"));
    EXPECT_TRUE(dw.of_setvalue(1, "mobile", Any("2")));
    EXPECT_EQ("2", dw.GetItemString(1, "mobile"));
    EXPECT_TRUE(dw.of_setvalue(1, "mobile", Any(2.5)));
    EXPECT_EQ("2.5", dw.GetItemString(1, "mobile"));
    EXPECT_TRUE(dw.of_setvalue(1, "n", Any("7.25")));
    EXPECT_EQ(7.25, dw.GetItemNumber(1, "n"));
    EXPECT_TRUE(dw.of_setvalue(1, "i", Any(9.9)));
    EXPECT_EQ(9.0, dw.GetItemNumber(1, "i"));
    EXPECT_TRUE(dw.of_setvalue(1, "d", Any("2017-06-01")));
    EXPECT_EQ((rt::Date{2017, 6, 1}), dw.GetItemDate(1, "d"));
    // A datetime from a text reads its first 19 bytes as yyyy-mm-dd hh:mm:ss.
    EXPECT_TRUE(dw.of_setvalue(1, "dt", Any("2017-06-01 12:30:45 and more")));
    EXPECT_EQ("2017-06-01 12:30:45", rt::String(*dw.GetItemDateTime(1, "dt")));
    EXPECT_TRUE(dw.of_setvalue(1, "t", Any("12:30:45")));
    EXPECT_EQ((rt::Time{12, 30, 45, 0}), dw.GetItemTime(1, "t"));
    EXPECT_TRUE(dw.of_setvalue(1, "mobile", rt::null));
    EXPECT_EQ(rt::null, dw.GetItemString(1, "mobile"));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(UDw, SetValueFailures) {
    EXPECT_FALSE(dw.of_setvalue(0, "mobile", Any("x")));                   // SetItem refuses: no box
    EXPECT_FALSE(dw.of_setvalue(1, "mobile", Any("123456789012345678901"))); // longer than char(20)
    EXPECT_FALSE(dw.of_setvalue(1, "d", Any(5)));                          // a number is no date
    EXPECT_FALSE(dw.of_setvalue(1, "dec", Any(1e40)));                     // past a decimal's digits
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(dw.of_setvalue(1, "nosuch", Any("x")));
    ASSERT_EQ(1u, boxes.shown().size());
    EXPECT_EQ("提示信息", boxes.shown()[0].title);
    EXPECT_EQ("d_cells未找到字段nosuch，请联系系统管理员！", boxes.shown()[0].text);
}

TEST_F(UDw, SetValueByColumnNumber) {
    EXPECT_TRUE(dw.of_setvalue(1, rt::nint(2), Any("1")));
    EXPECT_EQ(1.0, dw.GetItemNumber(1, "flag"));
    EXPECT_FALSE(dw.of_setvalue(1, rt::nint(99), Any("1")));
    ASSERT_EQ(1u, boxes.shown().size());
    EXPECT_EQ("d_cells未找到字段!，请联系系统管理员！", boxes.shown()[0].text);
}

TEST_F(UDw, SetItemParsesNumberTexts) {
    if (rt::thousands_separator() != ",") GTEST_SKIP() << "the locale groups thousands with another separator";
    const struct {
        const char* column;
        const char* text;
        int result;
        const char* stored;
    } cases[] = {
        {"dec", "(1,234.50)", 1, "-1234.5"}, {"dec", "(2,000)", 1, "-2000"},  {"dec", "45%", 1, "0.45"},
        {"dec", "$80", 1, "80"},             {"n", "12.5%", 1, "0.125"},       {"n", "1,000,000", 1, "1000000"},
        {"r", "50%", 1, "0.5"},              {"flag", "250%", 1, "2"},        {"flag", "-250%", 1, "-2"},
        {"u", "1,234", 1, "1234"},           {"i", "(12)", 1, "-12"},         // int columns parse like long
        {"u", "-5", -1, "<null>"},           {"mobile", " (1,2) ", 1, " (1,2) "}, // text as it is
        {"dt", "2017-06-01", 1, "2017-06-01 00:00:00"}, {"dt", "2017-06-01 12:30:00", 1, "2017-06-01 12:30:00"},
        {"dt", "2017-06-01 01:30:00 PM", 1, "2017-06-01 13:30:00"},
        {"d", "2017-06-01", 1, "2017-06-01"}, {"t", "23:59:59", 1, "23:59:59"},
    };
    for (const auto& c : cases) {
        dw.SetItem(1, c.column, rt::null);
        EXPECT_EQ(c.result, dw.of_setitem(1, c.column, c.text)) << c.column << " " << c.text;
        EXPECT_EQ(c.stored, text(dw.GetItem(1, dw.column_number(c.column)))) << c.column << " " << c.text;
    }
}

TEST_F(UDw, SetItemNullsAndUnknownColumns) {
    dw.SetItem(1, "mobile", Any("keep"));
    EXPECT_EQ(-1, dw.of_setitem(rt::null, "mobile", "x"));
    EXPECT_EQ(-1, dw.of_setitem(1, rt::nstring(), "x"));
    EXPECT_EQ(0, dw.of_setitem(1, "nosuch", "x"));
    EXPECT_EQ(0, dw.of_setitem(1, rt::nint(99), "x"));
    EXPECT_EQ(1, dw.of_setitem(1, "dbl", "1,5")); // "doubl" parses as a number column does
    EXPECT_EQ("keep", dw.GetItemString(1, "mobile"));
    EXPECT_EQ(1, dw.of_setitem(1, rt::nint(1), "by number"));
    EXPECT_EQ("by number", dw.GetItemString(1, "mobile"));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(UDw, ProcessingAndHeaderPicture) {
    EXPECT_EQ("1", dw.uf_processing());
    dw.uf_header(true); // the picture is not drawn here; the answer goes to the debug log only
    EXPECT_TRUE(boxes.shown().empty());
    rt::DataObject form = grid();
    form.style = rt::Style::FreeForm;
    dw.set_dataobject(form);
    EXPECT_EQ("0", dw.uf_processing());
}
