#include "runtime/decimal.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using rt::decimal;

decimal dec(const char* text) { return decimal::parse(text).value(); }

TEST(Decimal, ReadsAndWritesPlainDigits) {
    struct Case {
        const char *text, *written;
    } cases[] = {
        {"12.50", "12.5"}, {"-0.001", "-0.001"}, {" 7 ", "7"},   {"+3.", "3"},
        {".25", "0.25"},   {"-0", "0"},          {"100", "100"}, {"0.1234567890123456789", "0.123456789012345679"},
    };
    for (const Case& c : cases) EXPECT_EQ(dec(c.text).to_string(), c.written) << c.text;
    for (const char* bad : {"", ".", "1.2.3", "1e5", "12a", "- 1", "123456789012345678901234567890123456789"})
        EXPECT_FALSE(decimal::parse(bad).has_value()) << bad;
}

TEST(Decimal, ArithmeticIsExact) {
    EXPECT_EQ((dec("0.1") + dec("0.2")).to_string(), "0.3");
    EXPECT_EQ((dec("1234.56") / decimal(100)).to_string(), "12.3456");
    EXPECT_EQ((dec("-1.5") * dec("2.25")).to_string(), "-3.375");
    EXPECT_EQ((decimal(1) / decimal(3)).to_string(), "0.333333333333333333");
    EXPECT_EQ((decimal(2) / decimal(3)).to_string(), "0.666666666666666667"); // half away from zero
    EXPECT_EQ((dec("5") - dec("7.5")).to_string(), "-2.5");
    EXPECT_EQ(dec("2.50"), dec("2.5"));
    EXPECT_LT(dec("-3"), dec("0.001"));
    // Far apart in size: aligning them would overflow, comparing must not.
    decimal huge = dec("99999999999999999999999999999999999999"), tiny = dec("0.000000000000000001");
    EXPECT_LT(tiny, huge);
    EXPECT_GT(-tiny, -huge);
    EXPECT_LT(-huge, tiny);
    EXPECT_LT(dec("-1.5"), dec("-1.2"));
    EXPECT_GT(dec("-0.5"), dec("-1"));
    EXPECT_EQ(dec("2.345").rounded(2).to_string(), "2.35");
    EXPECT_EQ(dec("-2.345").rounded(2).to_string(), "-2.35");
    EXPECT_DOUBLE_EQ(dec("12.3456").to_double(), 12.3456);
    EXPECT_EQ(decimal::from_double(2.675).to_string(), "2.675");
    EXPECT_EQ(decimal::from_double(-1e-20).to_string(), "0");
}

TEST(Decimal, FailuresThrowRatherThanGiveAWrongNumber) {
    EXPECT_THROW(decimal(1) / decimal(0), std::domain_error);
    decimal big = dec("99999999999999999999999999999999999999");
    EXPECT_THROW(big + big, std::overflow_error);
    EXPECT_THROW(big * big, std::overflow_error);
    EXPECT_THROW(decimal::from_double(1e300), std::overflow_error);
}

// Found by fuzz/import_fuzz (a 39-digit field of a number file): the
// 39th digit overflowed 128 bits before the limit was checked.
TEST(Decimal, ADigitPastTheLimitIsRefusedBeforeItOverflows) {
    EXPECT_TRUE(decimal::parse("99999999999999999999999999999999999999"));
    EXPECT_FALSE(decimal::parse("999999999999999999999999999999999999999"));
    EXPECT_FALSE(decimal::parse("0077777777700058477770777792613730872333232"));
    EXPECT_FALSE(decimal::parse("1701411834604692317316873037158841057280"));
}

// Found by the sanitizer build: each of these stepped past 128 bits before
// it was checked, which wraps (or is undefined) instead of failing.
TEST(Decimal, OverflowsAreCaughtBeforeTheyWrap) {
    const decimal big = dec("99999999999999999999999999999999999999");
    EXPECT_THROW(big + dec("0.5"), std::overflow_error);           // aligning the scales
    EXPECT_THROW(decimal::from_double(1e50), std::overflow_error); // the digits times 10^36
    EXPECT_THROW(big / dec("0.1"), std::overflow_error);                  // the quotient moved up a place
    // The remainder doubled for rounding: nearly 10^38 twice.
    EXPECT_EQ((dec("99999999999999999999999999999999999998") / big).to_string(), "1");
}

} // namespace
