#include "foundation/n_numerical.h"

#include <gtest/gtest.h>

namespace {

const n_numerical lnv_numerical;
using L = rt::nlong;
using I = rt::nint;
constexpr std::int32_t kMinLong = -2147483647 - 1;

std::string bits_at(std::initializer_list<int> ones) {
    std::string s(32, '0');
    for (int b : ones) s[static_cast<std::size_t>(b - 1)] = '1';
    return s;
}

TEST(NNumerical, BinaryTextRunsFromTheLeastSignificantBit) {
    EXPECT_EQ(lnv_numerical.of_binary(L(5)), bits_at({1, 3}));
    EXPECT_EQ(lnv_numerical.of_binary(L(0)), std::string(32, '0'));
    EXPECT_EQ(lnv_numerical.of_binary(L(-1)), std::string(32, '1'));
    EXPECT_EQ(lnv_numerical.of_binary(L(kMinLong)), bits_at({32}));
    EXPECT_EQ(lnv_numerical.of_binary(L()), rt::null);

    struct Case {
        rt::nstring text;
        rt::nlong value;
    } cases[] = {
        {"10", 1}, {"01", -2}, {"1", -1}, {"101", -3}, {"2", -2}, // the last character repeats to bit 32
        {std::string(32, '0') + "11", 0},                          // characters after 32 do not count
        {"", 0}, {rt::null, rt::null},
    };
    for (const Case& c : cases) EXPECT_EQ(lnv_numerical.of_decimal(c.text), c.value) << rt::or_empty(c.text);
    for (std::int32_t v : {0, 1, 5, -6, 12345678, kMinLong, 2147483647})
        EXPECT_EQ(lnv_numerical.of_decimal(lnv_numerical.of_binary(L(v))), v);
}

TEST(NNumerical, SingleBitsOfLongs) {
    for (std::uint16_t bit = 1; bit <= 32; ++bit) {
        EXPECT_TRUE(lnv_numerical.of_getbit(L(-1), bit));
        EXPECT_EQ(lnv_numerical.of_getbit(L(5), bit), bit == 1 || bit == 3);
    }
    EXPECT_FALSE(lnv_numerical.of_getbit(L(), 1));
    EXPECT_FALSE(lnv_numerical.of_getbit(L(-1), 0));
    EXPECT_FALSE(lnv_numerical.of_getbit(L(-1), 33));

    EXPECT_EQ(lnv_numerical.of_setbit(L(0), 32), kMinLong);
    EXPECT_EQ(lnv_numerical.of_clearbit(L(-1), 32), 2147483647);
    EXPECT_EQ(lnv_numerical.of_setbit(L(5), 1), 5);
    EXPECT_EQ(lnv_numerical.of_setbit(L(5), 2), 7);
    EXPECT_EQ(lnv_numerical.of_clearbit(L(5), 2), 5);
    EXPECT_EQ(lnv_numerical.of_flipbit(L(5), 1), 4);
    EXPECT_EQ(lnv_numerical.of_flipbit(L(4), 1), 5);
    EXPECT_EQ(lnv_numerical.of_setbit(L(5), 0), 5); // no such bit: the value as it was
    EXPECT_EQ(lnv_numerical.of_setbit(L(5), 33), 5);
    EXPECT_EQ(lnv_numerical.of_setbit(L(), 1), rt::null);
    EXPECT_EQ(lnv_numerical.of_clearbit(L(), 1), rt::null);
    EXPECT_EQ(lnv_numerical.of_flipbit(L(), 1), rt::null);
}

TEST(NNumerical, CombiningLongs) {
    EXPECT_EQ(lnv_numerical.of_bitwiseand(L(12), L(10)), 8);
    EXPECT_EQ(lnv_numerical.of_bitwiseor(L(12), L(10)), 14);
    EXPECT_EQ(lnv_numerical.of_bitwisexor(L(12), L(10)), 6);
    EXPECT_EQ(lnv_numerical.of_bitwisenot(L(0)), -1);
    EXPECT_EQ(lnv_numerical.of_bitwisenot(L(5)), -6);
    EXPECT_EQ(lnv_numerical.of_bitwiseand(L(-1), L(-1)), -1);
    EXPECT_EQ(lnv_numerical.of_bitwiseor(L(kMinLong), L(1)), kMinLong + 1);
    // A null operand has no bit set.
    EXPECT_EQ(lnv_numerical.of_bitwiseand(L(), L(7)), 0);
    EXPECT_EQ(lnv_numerical.of_bitwiseor(L(), L(7)), 7);
    EXPECT_EQ(lnv_numerical.of_bitwisexor(L(7), L()), 7);
    EXPECT_EQ(lnv_numerical.of_bitwisenot(L()), -1);
}

TEST(NNumerical, IntegersKeepSixteenBits) {
    EXPECT_EQ(lnv_numerical.of_setbit(I(0), 16), -32768);
    EXPECT_EQ(lnv_numerical.of_clearbit(I(-1), 16), 32767);
    EXPECT_EQ(lnv_numerical.of_flipbit(I(5), 3), 1);
    for (std::uint16_t bit : {17, 20, 32}) {
        EXPECT_EQ(lnv_numerical.of_setbit(I(5), bit), 5);
        EXPECT_EQ(lnv_numerical.of_clearbit(I(-1), bit), -1);
        EXPECT_EQ(lnv_numerical.of_flipbit(I(5), bit), 5);
    }
    EXPECT_TRUE(lnv_numerical.of_getbit(I(-2), 20)); // the sign repeats above bit 16
    EXPECT_EQ(lnv_numerical.of_bitwisenot(I(5)), -6);
    EXPECT_EQ(lnv_numerical.of_bitwisenot(I()), -1);
    EXPECT_EQ(lnv_numerical.of_bitwiseand(I(-1), I(12)), 12);
    EXPECT_EQ(lnv_numerical.of_bitwiseor(I(-32768), I(1)), -32767);
    EXPECT_EQ(lnv_numerical.of_bitwisexor(I(-1), I(1)), -2);
    EXPECT_EQ(lnv_numerical.of_bitwiseand(I(), I(12)), 0);
    EXPECT_EQ(lnv_numerical.of_setbit(I(), 1), rt::null);
}

} // namespace
