// The form value encoding: only the three bytes a form decoder reads as
// syntax are escaped, wherever they stand; everything else goes as it is.
#include "core/f_formvalue.h"

#include <gtest/gtest.h>

TEST(FFormvalue, EscapesOnlyPercentAmpersandAndPlus) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"13800000000,13800000001", "13800000000,13800000001"},
        {"您好 hello=1", "您好 hello=1"},
        {"a&b+c%d", "a%26b%2Bc%25d"},
        {"&", "%26"},
        {"%%", "%25%25"},
        {"+中+", "%2B中%2B"},
        {"%25", "%2525"},
    };
    for (const auto& c : cases) EXPECT_EQ(f_formvalue(c.in), c.out) << c.in;
    const std::string numbers(48000, '1');
    EXPECT_EQ(f_formvalue(numbers), numbers);
    EXPECT_EQ(f_formvalue(numbers + "&"), numbers + "%26");
}
