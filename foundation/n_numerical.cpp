#include "foundation/n_numerical.h"

namespace {

constexpr std::int64_t two_32 = std::int64_t(1) << 32;
constexpr std::int64_t two_16 = std::int64_t(1) << 16;

std::int64_t power_of_two(unsigned n) { return std::int64_t(1) << n; }

// The value's 32-bit pattern read as an unsigned number.
std::int64_t unsigned_32(std::int64_t v) { return ((v % two_32) + two_32) % two_32; }

// A number taken modulo 2^width and read as signed.
std::int64_t signed_of(std::int64_t v, std::int64_t modulus) {
    std::int64_t u = ((v % modulus) + modulus) % modulus;
    return u >= modulus / 2 ? u - modulus : u;
}

bool valid_bit(const n_numerical::nuint& bit, unsigned width) { return bit && *bit >= 1 && *bit <= width; }

} // namespace

rt::nstring n_numerical::of_binary(const rt::nlong& al_decimal) const {
    if (!al_decimal) return rt::null;
    std::int64_t n = unsigned_32(*al_decimal);
    std::string ls_binary;
    for (int i = 0; i < 32; ++i) {
        ls_binary += n % 2 == 1 ? '1' : '0';
        n /= 2;
    }
    return ls_binary;
}

rt::nlong n_numerical::of_decimal(const rt::nstring& as_binary) const {
    if (!as_binary) return rt::null;
    if (as_binary->empty()) return 0;
    std::string text = *as_binary + std::string(31, as_binary->back());
    std::int64_t sum = 0;
    for (unsigned i = 1; i <= 32; ++i) {
        char c = text[i - 1];
        std::int64_t digit = c >= '0' && c <= '9' ? c - '0' : 0;
        sum += digit * power_of_two(i - 1);
    }
    return static_cast<std::int32_t>(signed_of(sum, two_32));
}

bool n_numerical::of_getbit(const rt::nlong& al_decimal, const nuint& aui_bit) const {
    if (!al_decimal || !valid_bit(aui_bit, 32)) return false;
    std::int64_t q = unsigned_32(*al_decimal) / power_of_two(*aui_bit - 1u);
    return q % 2 == 1;
}

rt::nlong n_numerical::of_setbit(const rt::nlong& al_decimal, const nuint& aui_bit) const {
    if (!al_decimal) return rt::null;
    if (!valid_bit(aui_bit, 32) || of_getbit(al_decimal, aui_bit)) return al_decimal;
    return static_cast<std::int32_t>(signed_of(*al_decimal + power_of_two(*aui_bit - 1u), two_32));
}

rt::nlong n_numerical::of_clearbit(const rt::nlong& al_decimal, const nuint& aui_bit) const {
    if (!al_decimal || !valid_bit(aui_bit, 32) || !of_getbit(al_decimal, aui_bit)) return al_decimal;
    return static_cast<std::int32_t>(signed_of(*al_decimal - power_of_two(*aui_bit - 1u), two_32));
}

rt::nlong n_numerical::of_flipbit(const rt::nlong& al_decimal, const nuint& aui_bit) const {
    if (!al_decimal) return rt::null;
    return of_getbit(al_decimal, aui_bit) ? of_clearbit(al_decimal, aui_bit) : of_setbit(al_decimal, aui_bit);
}

// The combining operations test bits 1 to the width of both operands (a
// null operand has no bit set) and set the result's bits one by one.
namespace {
template <class Value, class Condition>
Value combine(const n_numerical& nv, const rt::nlong& a, const rt::nlong& b, unsigned width, Condition cond) {
    Value result = 0;
    for (unsigned bit = 1; bit <= width; ++bit) {
        bool x = nv.of_getbit(a, static_cast<std::uint16_t>(bit));
        bool y = nv.of_getbit(b, static_cast<std::uint16_t>(bit));
        if (cond(x, y)) result = nv.of_setbit(result, static_cast<std::uint16_t>(bit));
    }
    return result;
}

rt::nlong widen(const rt::nint& v) { return v ? rt::nlong(*v) : rt::null; }
} // namespace

rt::nlong n_numerical::of_bitwiseand(const rt::nlong& a, const rt::nlong& b) const {
    return combine<rt::nlong>(*this, a, b, 32, [](bool x, bool y) { return x && y; });
}

rt::nlong n_numerical::of_bitwiseor(const rt::nlong& a, const rt::nlong& b) const {
    return combine<rt::nlong>(*this, a, b, 32, [](bool x, bool y) { return x || y; });
}

rt::nlong n_numerical::of_bitwisenot(const rt::nlong& a) const {
    return combine<rt::nlong>(*this, a, rt::null, 32, [](bool x, bool) { return !x; });
}

rt::nlong n_numerical::of_bitwisexor(const rt::nlong& a, const rt::nlong& b) const {
    return combine<rt::nlong>(*this, a, b, 32, [](bool x, bool y) { return x != y; });
}

rt::nint n_numerical::of_bitwiseand(const rt::nint& a, const rt::nint& b) const {
    return combine<rt::nint>(*this, widen(a), widen(b), 16, [](bool x, bool y) { return x && y; });
}

rt::nint n_numerical::of_bitwiseor(const rt::nint& a, const rt::nint& b) const {
    return combine<rt::nint>(*this, widen(a), widen(b), 16, [](bool x, bool y) { return x || y; });
}

rt::nint n_numerical::of_setbit(const rt::nint& ai_decimal, const nuint& aui_bit) const {
    if (!ai_decimal) return rt::null;
    if (!valid_bit(aui_bit, 16) || of_getbit(widen(ai_decimal), aui_bit)) return ai_decimal;
    return static_cast<std::int16_t>(signed_of(*ai_decimal + power_of_two(*aui_bit - 1u), two_16));
}

rt::nint n_numerical::of_clearbit(const rt::nint& ai_decimal, const nuint& aui_bit) const {
    if (!ai_decimal || !valid_bit(aui_bit, 16) || !of_getbit(widen(ai_decimal), aui_bit)) return ai_decimal;
    return static_cast<std::int16_t>(signed_of(*ai_decimal - power_of_two(*aui_bit - 1u), two_16));
}

rt::nint n_numerical::of_flipbit(const rt::nint& ai_decimal, const nuint& aui_bit) const {
    if (!ai_decimal) return rt::null;
    return of_getbit(widen(ai_decimal), aui_bit) ? of_clearbit(ai_decimal, aui_bit) : of_setbit(ai_decimal, aui_bit);
}

rt::nint n_numerical::of_bitwisenot(const rt::nint& a) const {
    return combine<rt::nint>(*this, widen(a), rt::null, 16, [](bool x, bool) { return !x; });
}

rt::nint n_numerical::of_bitwisexor(const rt::nint& a, const rt::nint& b) const {
    return combine<rt::nint>(*this, widen(a), widen(b), 16, [](bool x, bool y) { return x != y; });
}
