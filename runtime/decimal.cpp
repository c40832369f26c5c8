#include "runtime/decimal.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace rt {
namespace {

__int128 pow10(int n) {
    __int128 p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// 10^38 < 2^127: keep every mantissa within 38 digits.
const __int128 mantissa_limit = pow10(38);

__int128 abs128(__int128 v) { return v < 0 ? -v : v; }

// a / b rounded half away from zero.
__int128 divide_rounded(__int128 a, __int128 b) {
    __int128 q = a / b, r = a % b;
    // |r| >= |b| - |r| is |r| * 2 >= |b| without doubling past 2^127.
    if (abs128(r) >= abs128(b) - abs128(r)) q += ((a < 0) != (b < 0)) ? -1 : 1;
    return q;
}

void check(__int128 m) {
    if (abs128(m) >= mantissa_limit) throw std::overflow_error("decimal overflow");
}

// The step before a check: a result past 128 bits is as much an overflow
// as one past 38 digits, and must not wrap on its way there.
__int128 times(__int128 a, __int128 b) {
    __int128 r;
    if (__builtin_mul_overflow(a, b, &r)) throw std::overflow_error("decimal overflow");
    return r;
}

} // namespace

decimal::decimal(std::int64_t whole) : mantissa_(whole) {}

decimal::decimal(__int128 m, int s) : mantissa_(m), scale_(s) { normalise(); }

void decimal::normalise() {
    while (scale_ > max_scale) {
        mantissa_ = divide_rounded(mantissa_, 10);
        --scale_;
    }
    while (scale_ > 0 && mantissa_ % 10 == 0) {
        mantissa_ /= 10;
        --scale_;
    }
    if (mantissa_ == 0) scale_ = 0;
    check(mantissa_);
}

std::optional<decimal> decimal::parse(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    __int128 m = 0;
    int scale = 0, digits = 0;
    bool point = false;
    int first_dropped = -1; // the digit after the last place kept decides the rounding
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        ++digits;
        if (point && scale == max_scale) {
            if (first_dropped < 0) first_dropped = c - '0';
            continue;
        }
        // Checked before the step: 38 digits times ten do not fit in 128 bits.
        if (m > (mantissa_limit - 1 - (c - '0')) / 10) return std::nullopt;
        m = m * 10 + (c - '0');
        if (point) ++scale;
    }
    while (i < text.size() && text[i] == ' ') ++i;
    if (digits == 0 || i != text.size()) return std::nullopt;
    if (first_dropped >= 5 && ++m >= mantissa_limit) return std::nullopt;
    return decimal(negative ? -m : m, scale);
}

decimal decimal::from_double(double v) {
    if (!std::isfinite(v)) throw std::domain_error("decimal of a non-finite number");
    if (v == 0) return decimal();
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    std::string_view s(buf, static_cast<std::size_t>(r.ptr - buf)); // "-d.ddddddddddddddde+XX"
    std::size_t e = s.find('e');
    int exponent = std::atoi(std::string(s.substr(e + 1)).c_str());
    __int128 m = 0;
    int digits = 0;
    for (char c : s.substr(0, e))
        if (c >= '0' && c <= '9') m = m * 10 + (c - '0'), ++digits;
    if (v < 0) m = -m;
    int scale = digits - 1 - exponent; // value = m * 10^-scale
    if (scale < 0) {
        if (-scale > 37) throw std::overflow_error("decimal overflow");
        m = times(m, pow10(-scale));
        scale = 0;
        check(m);
    }
    if (scale > max_scale) {
        if (scale - max_scale > 38) return decimal();
        m = divide_rounded(m, pow10(scale - max_scale));
        scale = max_scale;
    }
    return decimal(m, scale);
}

decimal decimal::rounded(int places) const {
    if (places < 0) places = 0;
    if (scale_ <= places) return *this;
    return decimal(divide_rounded(mantissa_, pow10(scale_ - places)), places);
}

double decimal::to_double() const {
    std::string s = to_string();
    double v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

std::string decimal::to_string() const {
    char buf[48];
    char* end = buf + sizeof buf;
    char* p = end;
    __int128 a = abs128(mantissa_);
    do {
        *--p = static_cast<char>('0' + static_cast<int>(a % 10));
        a /= 10;
    } while (a > 0);
    while (end - p <= scale_) *--p = '0'; // one digit before the point at least
    std::string whole(p, end - scale_);
    std::string out = mantissa_ < 0 ? "-" + whole : whole;
    if (scale_ > 0) out.append(".").append(end - scale_, end);
    return out;
}

decimal decimal::operator-() const { return decimal(-mantissa_, scale_); }

namespace {
// Both mantissas brought to the larger scale.
void align(__int128 am, int as, __int128 bm, int bs, __int128& ma, __int128& mb, int& scale) {
    scale = as > bs ? as : bs;
    ma = times(am, pow10(scale - as));
    mb = times(bm, pow10(scale - bs));
    check(ma);
    check(mb);
}
} // namespace

decimal operator+(const decimal& a, const decimal& b) {
    __int128 ma, mb;
    int s;
    align(a.mantissa_, a.scale_, b.mantissa_, b.scale_, ma, mb, s);
    __int128 sum;
    if (__builtin_add_overflow(ma, mb, &sum)) throw std::overflow_error("decimal overflow");
    return decimal(sum, s);
}

decimal operator-(const decimal& a, const decimal& b) { return a + (-b); }

decimal operator*(const decimal& a, const decimal& b) {
    __int128 m;
    int s = a.scale_ + b.scale_;
    __int128 x = a.mantissa_, y = b.mantissa_;
    // Give up places after the point before giving up the product.
    while (__builtin_mul_overflow(x, y, &m) || abs128(m) >= mantissa_limit) {
        if (s == 0) throw std::overflow_error("decimal overflow");
        if (abs128(x) >= abs128(y)) x = divide_rounded(x, 10);
        else y = divide_rounded(y, 10);
        --s;
    }
    return decimal(m, s);
}

decimal operator/(const decimal& a, const decimal& b) {
    if (b.mantissa_ == 0) throw std::domain_error("decimal division by zero");
    // a/b = (ma * 10^k / mb) * 10^-(sa + k - sb), with as many places as fit.
    int k = decimal::max_scale + b.scale_ - a.scale_;
    __int128 scaled;
    while (__builtin_mul_overflow(a.mantissa_, pow10(k), &scaled) || abs128(scaled) >= mantissa_limit) {
        if (k == 0) throw std::overflow_error("decimal overflow");
        --k;
    }
    int s = a.scale_ + k - b.scale_;
    __int128 q = divide_rounded(scaled, b.mantissa_);
    while (s < 0) {
        q = times(q, 10);
        ++s;
        check(q);
    }
    return decimal(q, s);
}

bool operator==(const decimal& a, const decimal& b) { return a.mantissa_ == b.mantissa_ && a.scale_ == b.scale_; }

// Compared as whole part and fraction at 18 places, which always fit: a
// difference of the aligned mantissas could overflow for numbers that are
// both valid (1e20 and 1e-18), and a comparison must not throw.
std::strong_ordering operator<=>(const decimal& a, const decimal& b) {
    auto parts = [](const decimal& d) {
        __int128 unit = pow10(d.scale_);
        __int128 fraction = (d.mantissa_ % unit) * pow10(decimal::max_scale - d.scale_);
        return std::pair<__int128, __int128>(d.mantissa_ / unit, fraction); // both carry the sign
    };
    auto [aw, af] = parts(a);
    auto [bw, bf] = parts(b);
    if (aw != bw) return aw < bw ? std::strong_ordering::less : std::strong_ordering::greater;
    if (af != bf) return af < bf ? std::strong_ordering::less : std::strong_ordering::greater;
    return std::strong_ordering::equal;
}

} // namespace rt
