// A decimal number: an exact mantissa with up to 18 digits after the point,
// as the grids' decimal columns hold it. Texts are read and written with a
// "." as decimal point and no grouping.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rt {

class decimal {
public:
    static constexpr int max_scale = 18;

    decimal() = default;
    decimal(std::int64_t whole); // implicit, so that 100 reads as a decimal 100

    // A number text: optional spaces, sign, digits with at most one ".",
    // optional spaces. Null when the text is no such number or too long.
    static std::optional<decimal> parse(std::string_view text);
    // The nearest decimal of a double (15 significant digits).
    static decimal from_double(double v);

    double to_double() const;
    // Plain digits, "-" in front when negative, no trailing zeros after the
    // point and no point when nothing follows it: "12.5", "-3", "0.001".
    std::string to_string() const;

    // Rounded half away from zero to at most `places` digits after the point.
    decimal rounded(int places) const;

    decimal operator-() const;
    friend decimal operator+(const decimal& a, const decimal& b);
    friend decimal operator-(const decimal& a, const decimal& b);
    friend decimal operator*(const decimal& a, const decimal& b);
    // Rounded half away from zero at 18 places; throws std::domain_error on
    // division by zero.
    friend decimal operator/(const decimal& a, const decimal& b);
    friend bool operator==(const decimal& a, const decimal& b);
    friend std::strong_ordering operator<=>(const decimal& a, const decimal& b);

private:
    decimal(__int128 mantissa, int scale);
    void normalise();
    __int128 mantissa_ = 0; // value = mantissa_ / 10^scale_
    int scale_ = 0;
};

using ndecimal = std::optional<decimal>;

} // namespace rt
