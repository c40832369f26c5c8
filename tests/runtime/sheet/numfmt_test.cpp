#include "runtime/sheet/numfmt.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    double value;
    const char* code;
    const char* shown;
    bool date1904 = false;
};


} // namespace

TEST(NumberFormat, TextEachFormatCodeShows) {
    const Case cases[] = {
        // General: plain digits for whole numbers, 15 significant digits at most.
        {13800138000, "", "13800138000"},
        {13800138000, "General", "13800138000"},
        {110101199001011008.0, "General", "110101199001011000"},
        {-110101199001011008.0, "", "-110101199001011000"},
        {6150.5, "General", "6150.5"},
        {0.1 + 0.2, "General", "0.3"},
        {0, "General", "0"},
        // Decimal places, rounding half away from zero on the 15-digit form.
        {5000.5, "0", "5001"},
        {-5000.5, "0", "-5001"},
        {2.675, "0.00", "2.68"},
        {1.005, "0.00", "1.01"},
        {-2.675, "0.00", "-2.68"},
        {0.006, "0.00", "0.01"},
        {0.004, "0.00", "0.00"},
        {0.5, "#.00", ".50"},
        {12.5, ".00", "12.50"},
        {1.5, "0.0#", "1.5"},
        {1.25, "0.0#", "1.25"},
        {7, "000", "007"},
        {12345.678, "#,##0.00", "12,345.68"},
        {6150.5, "#,##0.00", "6,150.50"},
        {999.995, "#,##0.00", "1,000.00"},
        {1234567, "#,##0", "1,234,567"},
        {-1234567.891, "#,##0.00", "-1,234,567.89"},
        {0, "#,##0.00", "0.00"},
        {123, "#,##0", "123"},
        {12345678, "#,##0,", "12,346"},
        {12345678, "0.0,,\"M\"", "12.3M"},
        // Sections: negative without its minus, zero, the text section unused.
        {-5, "0.00;(0.00)", "(5.00)"},
        {5, "0.00;(0.00)", "5.00"},
        {0, "0.00;(0.00);\"-\"", "-"},
        {0, "#,##0.00_);[Red](#,##0.00);\"zero\"", "zero"},
        {-1234.5, "#,##0.00_);[Red](#,##0.00)", "(1,234.50)"},
        {1234.5, "#,##0.00_);[Red](#,##0.00)", "1,234.50"},
        {3, "0;-0;0;\"text\"@", "3"},
        {-3, "[Blue]0;[Red]-0", "-3"},
        {42, "@", "42"},
        {150, "[>100]\"big\";[<=100]\"small\"", "big"},
        {50, "[>100]\"big\";[<=100]\"small\"", "small"},
        // Literal text, escapes, padding and fill, currency and locale tags.
        {6150.5, "#,##0.00\"元\"", "6,150.50元"},
        {6150.5, "\\$#,##0.00", "$6,150.50"},
        {6150.5, "[$￥-804]#,##0.00", "￥6,150.50"},
        {-6150.5, "\"￥\"#,##0.00", "-￥6,150.50"},
        {5, "0\" 人\"", "5 人"},
        {-5, "0\\元;(0)\\元", "(5)元"},
        {1234.5, "_(* #,##0.00_)", "1,234.50"},
        {0, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)", "-"},
        {-12, "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", "(12)"},
        // Percentages and exponents.
        {0.15, "0%", "15%"},
        {0.155, "0%", "16%"},
        {0.12345, "0.00%", "12.35%"},
        {-0.5, "0%", "-50%"},
        {12345, "0.00E+00", "1.23E+04"},
        {0.000123, "0.00E+00", "1.23E-04"},
        {9.995, "0.00E+00", "1.00E+01"},
        {0, "0.00E+00", "0.00E+00"},
        {12345, "##0.0E+0", "12.3E+3"},
        // Dates and times by their parts.
        {46361, "yyyy\"年\"m\"月\"d\"日\"", "2026年12月5日"},
        {46361, "yyyy-mm-dd", "2026-12-05"},
        {46361, "yy/m/d", "26/12/5"},
        {46361, "d-mmm-yy", "5-Dec-26"},
        {46361, "dddd, mmmm d", "Saturday, December 5"},
        {46361.75, "yyyy/m/d h:mm", "2026/12/5 18:00"},
        {46361.75, "h:mm AM/PM", "6:00 PM"},
        {46361.25, "hh:mm:ss AM/PM", "06:00:00 AM"},
        {0.5104166666666666, "h:mm:ss", "12:15:00"},
        {1.5, "[h]:mm", "36:00"},
        {0.0006944444444444445, "mm:ss", "01:00"},
        {60, "yyyy-mm-dd", "1900-02-29"},
        {61, "yyyy-mm-dd", "1900-03-01"},
        {59, "yyyy-mm-dd", "1900-02-28"},
        {44899, "yyyy\"年\"m\"月\"d\"日\"", "2026年12月5日", true},
        {0, "yyyy-mm-dd", "1904-01-01", true},
        {46361, "[$-804]yyyy\"年\"m\"月\"d\"日\";@", "2026年12月5日"},
        {46361.5, "上午/下午h\"时\"mm\"分\"", "下午12时00分"},
        {-1, "yyyy-mm-dd", "-1"},
        // Literal text holding a slash is no fraction.
        {1234.5678, "#,##0\" 元/月\"", "1,235 元/月"},
        {2.5, "0.00\" m/s\"", "2.50 m/s"},
        {12.25, "0.0\\/\\h", "12.3/h"},
        // General below 1E-9 takes an exponent, above it the digits.
        {0.00001234, "General", "0.00001234"},
        {1e-7, "General", "0.0000001"},
        {1e-9, "General", "0.000000001"},
        {0.000000001234567, "General", "0.000000001234567"},
        {1.5e-10, "General", "1.5E-10"},
        {-1.5e-10, "", "-1.5E-10"},
        // Fractions of a second; a clock shows the second it has reached,
        // elapsed time is rounded.
        {1234.5678, "mm:ss.00", "37:37.92"},
        {0.00001, "[h]:mm:ss.000", "0:00:00.864"},
        {0.5678, "h:mm:ss", "13:37:37"},
        {0.0854629, "h:mm:ss", "2:03:03"},
        {0.0854629, "[h]:mm:ss", "2:03:04"},
        {-0.0854629, "[h]:mm:ss", "-2:03:04"},
        {0.999999, "h:mm:ss.00", "23:59:59.91"},
        // m is a minute after an hour or a second and before a second.
        {0.5678, "s:m", "37:37"},
        {0.5678, "m:s", "37:37"},
        {0.5678, "h:m:s", "13:37:37"},
        // AM/PM, in a Chinese locale 上午 and 下午.
        {0.75, "h:mm am/pm", "6:00 PM"},
        {0.75, "[$-804]AM/PM h\"时\"mm\"分\"", "下午 6时00分"},
        {0.25, "[$-404]AM/PM h:mm", "上午 6:00"},
        {0.75, "[$-409]h:mm AM/PM", "6:00 PM"},
        // Chinese numerals: counted, the capitals of amounts, full width;
        // in dates the year read digit by digit.
        {1234, "[DBNum1][$-804]General", "一千二百三十四"},
        {1234, "[DBNum2][$-804]General", "壹仟贰佰叁拾肆"},
        {1234, "[DBNum3][$-804]General", "１２３４"},
        {10, "[DBNum1][$-804]General", "一十"},
        {1004, "[DBNum1][$-804]General", "一千〇四"},
        {100000, "[DBNum1][$-804]General", "一十万"},
        {120034, "[DBNum2][$-804]General", "壹拾贰万零叁拾肆"},
        {-12.5, "[DBNum1][$-804]General", "-一十二．五"},
        {1234, "[DBNum1][$-804]0.00", "一千二百三十四．〇〇"},
        {45292, "[DBNum1][$-804]yyyy\"年\"m\"月\"d\"日\"", "二〇二四年一月一日"},
        {45657.5, "[DBNum1][$-804]yyyy\"年\"m\"月\"d\"日\" h:mm", "二〇二四年十二月三十一日 一二:〇〇"},
        {45657, "[DBNum2][$-804]yyyy\"年\"m\"月\"d\"日\"", "贰零贰肆年拾贰月叁拾壹日"},
        {45292, "[$-1E000804]yyyy\\年m\\月d\\日", "二〇二四年一月一日"}, // the numerals in the locale tag
        {45657, "[$-1F000804]yyyy\\年m\\月d\\日", "贰零贰肆年拾贰月叁拾壹日"},
        {45292, "[$-1E000409]yyyy-m-d", "2024-1-1"},
        // Fractions; the alignment spaces of ? places print nothing.
        {1.25, "# ?/?", "1 1/4"},
        {3.14159, "# ?\?/?\?", "3 14/99"},
        {0.5, "?/?", "1/2"},
        {2.5, "# ?/4", "2 2/4"},
        {1.25, "?/?", "5/4"},
        {-1.25, "# ?/?", "-1 1/4"},
        {0.5, "# ?/?", "1/2"},
        {2, "# ?/?", "2"},
        {0.999, "# ?/?", "1"},
        {0, "# ?/?", "0"},
        {0.3333, "0 00/00", "0 01/03"},
        {1234.5, "# ?/?\" kg\"", "1234 1/2 kg"},
        // A condition no section is for: General.
        {10, "[<10]#\" Wow\"", "10"},
        {5, "[>10]0;0.0", "5.0"},
        // Past 9999-12-31 a date is a number, in either date system.
        {2958466, "yyyy-mm-dd", "2958466"},
        {2958465, "yyyy-mm-dd", "9999-12-31"},
        {2957004, "yyyy-mm-dd", "2957004", true},
        {2957003, "yyyy-mm-dd", "9999-12-31", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::string(c.shown), rt::sheet::format_number(c.value, c.code, c.date1904))
            << c.value << " in " << c.code;
}

TEST(NumberFormat, BuiltInFormatsByNumber) {
    const Case cases[] = {
        {1234.5, "1", "1235"},       {1234.5, "2", "1234.50"},    {1234.5, "3", "1,235"},
        {1234.5, "4", "1,234.50"},   {0.15, "9", "15%"},          {0.1234, "10", "12.34%"},
        {12345, "11", "1.23E+04"},   {46361, "14", "2026/12/5"},  {46361, "31", "2026年12月5日"},
        {0.75, "20", "18:00"},       {1.25, "46", "30:00:00"},    {-5, "37", "(5)"},
        {5, "49", "5"},              {5, "0", "5"},               {46361, "57", "2026年12月"},
    };
    for (const Case& c : cases) {
        const int id = std::stoi(c.code);
        EXPECT_EQ(std::string(c.shown), rt::sheet::format_number(c.value, rt::sheet::builtin_format_code(id), false))
            << "format " << id;
    }
}

// Codes of a hostile workbook's length are read in one pass and shown
// without reading them again: a million and a half currency signs, tens of
// thousands of commas, of fraction places, of date letters.
TEST(NumberFormat, LongCodesAreReadInOnePass) {
    std::string yen;
    for (int i = 0; i < 1600000; ++i) yen += "￥";
    const rt::sheet::NumberFormat signs("0" + yen);
    EXPECT_EQ("5" + yen, signs.number(5, false));
    const rt::sheet::NumberFormat commas("#,##0" + std::string(60000, ','));
    EXPECT_EQ("0", commas.number(1234567, false));
    EXPECT_EQ("1,234,567", rt::sheet::format_number(1234567, "#,##0" + std::string(60000, ',') + "#", false));
    EXPECT_EQ("1 1/4", rt::sheet::format_number(1.25, "# " + std::string(60000, '?') + "/?", false));
    EXPECT_EQ("2024", rt::sheet::format_number(45292, std::string(60000, 'y'), false));
}
