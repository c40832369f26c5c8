#include "runtime/strings.h"

#include "runtime/gbk.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace rt {
namespace {

using size_type = std::string_view::size_type;

std::int32_t as_pos(size_type i) { return static_cast<std::int32_t>(i); }

bool is_ascii_upper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool is_ascii_lower(unsigned char c) { return c >= 'a' && c <= 'z'; }
bool is_ascii_letter(unsigned char c) { return is_ascii_upper(c) || is_ascii_lower(c); }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// A byte below 0x40, 0x7F or 0xFF is never the second byte of a character,
// so a match that starts with one needs no look at the bytes before it.
bool can_be_trail(unsigned char c) { return is_trail_byte(c); }

// Folds the ASCII letters that stand as characters of their own; the second
// byte of a double-byte character keeps its value even when it is a letter.
template <class Fold>
std::string fold_letters(std::string_view s, Fold fold) {
    std::string out(s);
    for (size_type i = 0; i < out.size();) {
        size_type n = char_len_at(out, i);
        if (n == 1) out[i] = static_cast<char>(fold(static_cast<unsigned char>(out[i])));
        i += n;
    }
    return out;
}

unsigned char to_upper(unsigned char c) { return is_ascii_lower(c) ? static_cast<unsigned char>(c - 32) : c; }
unsigned char to_lower(unsigned char c) { return is_ascii_upper(c) ? static_cast<unsigned char>(c + 32) : c; }

// The bytes of a number at the front of s, after leading spaces: sign,
// digits, one ".", digits, and (when allowed) an exponent. Empty when no
// digit stands there.
std::string_view number_prefix(std::string_view s, bool exponent, bool& negative) {
    size_type i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    size_type digits_from = i;
    size_type digits = 0;
    while (i < s.size() && is_digit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return {};
    if (exponent && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_type j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_type k = j;
        while (k < s.size() && is_digit(static_cast<unsigned char>(s[k]))) ++k;
        if (k > j) i = k;
    }
    return s.substr(digits_from, i - digits_from);
}

} // namespace

// ---- lengths and pieces -------------------------------------------------------

std::int32_t Len(std::string_view s) { return as_pos(s.size()); }

std::string Left(std::string_view s, std::int32_t n) {
    if (n <= 0) return {};
    return std::string(s.substr(0, static_cast<size_type>(n)));
}

std::string Right(std::string_view s, std::int32_t n) {
    if (n <= 0) return {};
    size_type k = std::min(s.size(), static_cast<size_type>(n));
    return std::string(s.substr(s.size() - k));
}

std::string Mid(std::string_view s, std::int32_t start) {
    if (start < 1 || static_cast<size_type>(start) > s.size()) return {};
    return std::string(s.substr(static_cast<size_type>(start) - 1));
}

std::string Mid(std::string_view s, std::int32_t start, std::int32_t length) {
    if (length < 1 || start < 1 || static_cast<size_type>(start) > s.size()) return {};
    return std::string(s.substr(static_cast<size_type>(start) - 1, static_cast<size_type>(length)));
}

// ---- searching --------------------------------------------------------------

PosScanner::PosScanner(std::string_view s, std::string_view target)
    : s_(s), target_(target), check_(!target.empty() && can_be_trail(static_cast<unsigned char>(target[0]))) {}

std::int32_t PosScanner::next(std::int32_t start) {
    if (target_.empty() || start < 1 || static_cast<size_type>(start) > s_.size()) return 0;
    size_type from = static_cast<size_type>(start) - 1;
    if (from < last_from_) boundary_ = 0; // searching backwards: walk again from the start
    last_from_ = from;
    for (;;) {
        size_type p = s_.find(target_, from);
        if (p == std::string_view::npos) return 0;
        if (!check_) return as_pos(p) + 1;
        while (boundary_ < p) boundary_ += char_len_at(s_, boundary_);
        if (boundary_ == p) return as_pos(p) + 1;
        from = p + 1; // p is a trail byte
    }
}

std::int32_t Pos(std::string_view s, std::string_view target, std::int32_t start) {
    return PosScanner(s, target).next(start);
}

std::int32_t LastPos(std::string_view s, std::string_view target, std::int32_t start) {
    if (target.empty() || s.empty() || start < 0) return 0;
    if (start == 0 || static_cast<size_type>(start) > s.size()) start = Len(s);
    PosScanner scan(s, target);
    std::int32_t last = 0;
    for (std::int32_t p = scan.next(1); p > 0 && p <= start; p = scan.next(p + 1)) last = p;
    return last;
}

bool IsTrailAt(std::string_view s, std::int32_t pos) {
    if (pos < 2 || static_cast<size_type>(pos) > s.size()) return false;
    size_type target = static_cast<size_type>(pos) - 1;
    size_type i = 0;
    while (i < target) i += char_len_at(s, i);
    return i != target;
}

// ---- changing -----------------------------------------------------------------

std::string Reverse(std::string_view s) {
    std::string out(s.size(), '\0');
    size_type w = s.size();
    for (size_type i = 0; i < s.size();) {
        size_type n = char_len_at(s, i);
        w -= n;
        out.replace(w, n, s.substr(i, n));
        i += n;
    }
    return out;
}

std::string Replace(std::string_view s, std::int32_t start, std::int32_t n, std::string_view replacement) {
    if (start < 1 || n < 0) return std::string(s);
    size_type at = std::min(static_cast<size_type>(start) - 1, s.size());
    size_type count = std::min(static_cast<size_type>(n), s.size() - at);
    std::string out;
    out.reserve(s.size() - count + replacement.size());
    out.append(s.substr(0, at)).append(replacement).append(s.substr(at + count));
    return out;
}

std::string LeftTrim(std::string_view s) {
    size_type i = s.find_first_not_of(' ');
    return i == std::string_view::npos ? std::string() : std::string(s.substr(i));
}

std::string RightTrim(std::string_view s) {
    size_type i = s.find_last_not_of(' ');
    return i == std::string_view::npos ? std::string() : std::string(s.substr(0, i + 1));
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

std::string Trim(std::string_view s) {
    size_type b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    size_type e = s.find_last_not_of(' ');
    return std::string(s.substr(b, e - b + 1));
}

std::string Upper(std::string_view s) { return fold_letters(s, to_upper); }
std::string Lower(std::string_view s) { return fold_letters(s, to_lower); }

std::string WordCap(std::string_view s) {
    std::string out(s);
    bool in_word = false;
    for (size_type i = 0; i < out.size();) {
        size_type n = char_len_at(out, i);
        auto c = static_cast<unsigned char>(out[i]);
        if (n == 1 && is_ascii_letter(c)) {
            out[i] = static_cast<char>(in_word ? to_lower(c) : to_upper(c));
            in_word = true;
        } else {
            in_word = n == 1 && is_digit(c);
        }
        i += n;
    }
    return out;
}

std::string Fill(std::string_view chars, std::int32_t n) {
    if (n <= 0 || chars.empty()) return {};
    std::string out;
    out.reserve(static_cast<size_type>(n));
    while (out.size() < static_cast<size_type>(n)) out.append(chars);
    out.resize(static_cast<size_type>(n));
    return out;
}

std::string Space(std::int32_t n) { return n <= 0 ? std::string() : std::string(static_cast<size_type>(n), ' '); }

std::int32_t Asc(std::string_view s) { return s.empty() ? 0 : static_cast<unsigned char>(s[0]); }

std::string Char(std::int32_t code) {
    auto b = static_cast<unsigned char>(code & 0xFF);
    return b == 0 ? std::string() : std::string(1, static_cast<char>(b));
}

// ---- pattern match ---------------------------------------------------------------

namespace {

struct PatternItem {
    std::vector<bool> set = std::vector<bool>(256, false); // bytes the item accepts
    std::size_t min = 1, max = 1;                           // repetition
};

struct Pattern {
    bool anchored_start = false, anchored_end = false, valid = true;
    std::vector<PatternItem> items;
};

// One byte of the pattern, a backslash making the next one literal.
bool take_byte(std::string_view p, size_type& i, unsigned char& c, bool& escaped) {
    if (i >= p.size()) return false;
    escaped = p[i] == '\\' && i + 1 < p.size();
    if (escaped) ++i;
    c = static_cast<unsigned char>(p[i++]);
    return true;
}

bool parse_set(std::string_view p, size_type& i, PatternItem& item) {
    bool negate = i < p.size() && p[i] == '^';
    if (negate) ++i;
    bool first = true;
    for (;;) {
        if (i >= p.size()) return false; // no closing "]"
        if (p[i] == ']' && !first) break;
        first = false;
        unsigned char lo = 0, hi = 0;
        bool escaped = false;
        take_byte(p, i, lo, escaped);
        hi = lo;
        if (i + 1 < p.size() && p[i] == '-' && p[i + 1] != ']') {
            ++i;
            take_byte(p, i, hi, escaped);
        }
        for (unsigned v = lo; v <= hi; ++v) item.set[v] = true;
    }
    ++i; // "]"
    if (negate) item.set.flip();
    return true;
}

Pattern parse_pattern(std::string_view p) {
    Pattern pat;
    size_type i = 0;
    if (i < p.size() && p[i] == '^') pat.anchored_start = true, ++i;
    size_type end = p.size();
    // A final "$" anchors, unless a backslash makes it literal.
    if (end > i && p[end - 1] == '$') {
        size_type slashes = 0;
        for (size_type k = end - 1; k > i && p[k - 1] == '\\'; --k) ++slashes;
        if (slashes % 2 == 0) pat.anchored_end = true, --end;
    }
    std::string_view body = p.substr(0, end);
    while (i < body.size()) {
        PatternItem item;
        char c = body[i];
        if (c == '[') {
            ++i;
            if (!parse_set(body, i, item)) {
                pat.valid = false;
                return pat;
            }
        } else if (c == '.') {
            ++i;
            item.set.assign(256, true);
        } else {
            unsigned char b = 0;
            bool escaped = false;
            take_byte(body, i, b, escaped);
            item.set[b] = true;
        }
        if (i < body.size() && (body[i] == '*' || body[i] == '+' || body[i] == '?')) {
            item.min = body[i] == '+' ? 1 : 0;
            item.max = body[i] == '?' ? 1 : std::numeric_limits<std::size_t>::max();
            ++i;
        }
        pat.items.push_back(std::move(item));
    }
    return pat;
}

class Matcher {
public:
    Matcher(const Pattern& p, std::string_view s)
        : p_(p), s_(s), failed_((p.items.size() + 1) * (s.size() + 1), false) {}

    // Whether items k.. match s from byte i on (to the end when anchored).
    bool at(std::size_t k, size_type i) {
        if (k == p_.items.size()) return !p_.anchored_end || i == s_.size();
        std::size_t slot = k * (s_.size() + 1) + i;
        if (failed_[slot]) return false;
        const PatternItem& item = p_.items[k];
        size_type n = 0;
        while (n < item.max && i + n < s_.size() && item.set[static_cast<unsigned char>(s_[i + n])]) ++n;
        for (size_type take = n + 1; take-- > item.min;) // greedy, then give back
            if (at(k + 1, i + take)) return true;
        failed_[slot] = true;
        return false;
    }

private:
    const Pattern& p_;
    std::string_view s_;
    std::vector<bool> failed_;
};

} // namespace

bool Match(std::string_view s, std::string_view pattern) {
    Pattern p = parse_pattern(pattern);
    if (!p.valid) return false;
    Matcher m(p, s);
    if (p.anchored_start) return m.at(0, 0);
    for (size_type i = 0; i <= s.size(); ++i)
        if (m.at(0, i)) return true;
    return false;
}

// ---- numbers ------------------------------------------------------------------

bool IsNumber(std::string_view s) {
    bool negative = false;
    std::string_view num = number_prefix(s, true, negative);
    if (num.empty()) return false;
    size_type end = static_cast<size_type>(num.data() + num.size() - s.data());
    while (end < s.size() && s[end] == ' ') ++end;
    return end == s.size();
}

namespace {
template <class Int>
Int read_whole(std::string_view s) {
    size_type i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::int64_t v = 0;
    bool any = false;
    for (; i < s.size() && is_digit(static_cast<unsigned char>(s[i])); ++i) {
        any = true;
        v = v * 10 + (s[i] - '0');
        if (v > std::int64_t(std::numeric_limits<Int>::max()) + 1) return 0;
    }
    if (!any) return 0;
    if (negative) v = -v;
    if (v < std::numeric_limits<Int>::min() || v > std::numeric_limits<Int>::max()) return 0;
    return static_cast<Int>(v);
}
} // namespace

std::int32_t Long(std::string_view s) { return read_whole<std::int32_t>(s); }
std::int16_t Integer(std::string_view s) { return read_whole<std::int16_t>(s); }

double Double(std::string_view s) {
    bool negative = false;
    std::string_view num = number_prefix(s, true, negative);
    if (num.empty()) return 0;
    double v = 0;
    auto r = std::from_chars(num.data(), num.data() + num.size(), v);
    if (r.ec != std::errc()) return 0;
    return negative ? -v : v;
}

float Real(std::string_view s) { return static_cast<float>(Double(s)); }

decimal Dec(std::string_view s) {
    bool negative = false;
    std::string_view num = number_prefix(s, false, negative);
    if (num.empty()) return {};
    std::optional<decimal> d = decimal::parse(num);
    if (!d) return {};
    return negative ? -*d : *d;
}

std::string String(double v) {
    if (v == 0) return "0"; // also for -0
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

std::string String(const decimal& v) { return v.to_string(); }

std::string String(double v, std::string_view format) {
    size_type first = format.find_first_of("0#");
    if (first == std::string_view::npos || !std::isfinite(v)) return String(v);
    size_type last = format.find_last_of("0#.,");
    std::string_view mask = format.substr(first, last - first + 1);
    size_type point = mask.find('.');
    std::string_view int_mask = mask.substr(0, point);
    std::string_view frac_mask = point == std::string_view::npos ? std::string_view() : mask.substr(point + 1);
    auto places = static_cast<int>(std::count_if(frac_mask.begin(), frac_mask.end(),
                                                 [](char c) { return c == '0' || c == '#'; }));
    auto min_places = static_cast<int>(std::count(frac_mask.begin(), frac_mask.end(), '0'));
    auto min_int = static_cast<size_type>(std::count(int_mask.begin(), int_mask.end(), '0'));
    bool group = int_mask.find(',') != std::string_view::npos;

    // A number past the decimal's 38 digits has no digits to mask.
    if (std::fabs(v) >= 1e37) return String(v);
    std::string digits = decimal::from_double(std::fabs(v)).rounded(places).to_string();
    size_type dot = digits.find('.');
    std::string whole = digits.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : digits.substr(dot + 1);
    frac.resize(static_cast<size_type>(places), '0');
    while (static_cast<int>(frac.size()) > min_places && frac.back() == '0') frac.pop_back();
    if (whole == "0" && min_int == 0) whole.clear();
    if (whole.size() < min_int) whole.insert(0, min_int - whole.size(), '0');
    if (group)
        for (size_type k = whole.size(); k > 3; k -= 3) whole.insert(k - 3, ",");
    bool zero = std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0' || c == '.'; });
    std::string number = (v < 0 && !zero ? "-" : "") + whole + (frac.empty() ? "" : "." + frac);
    return std::string(format.substr(0, first)) + number + std::string(format.substr(last + 1));
}

// ---- characters ------------------------------------------------------------------

std::int32_t CharCount(std::string_view s) {
    std::int32_t n = 0;
    for (size_type i = 0; i < s.size(); i += char_len_at(s, i)) ++n;
    return n;
}

std::int32_t CharToByte(std::string_view s, std::int32_t char_pos) {
    if (char_pos < 1) return 0;
    size_type i = 0;
    for (std::int32_t c = 1; c < char_pos && i < s.size(); ++c) i += char_len_at(s, i);
    return as_pos(i) + 1;
}

std::int32_t ByteToChar(std::string_view s, std::int32_t byte_pos) {
    if (byte_pos < 1) return 0;
    std::int32_t c = 0;
    size_type i = 0;
    while (i < s.size() && i < static_cast<size_type>(byte_pos)) {
        ++c;
        i += char_len_at(s, i);
    }
    if (i < static_cast<size_type>(byte_pos)) c += byte_pos - as_pos(i); // past the end
    return c;
}

std::string LeftChars(std::string_view s, std::int32_t n) {
    if (n <= 0) return {};
    return std::string(s.substr(0, static_cast<size_type>(CharToByte(s, n + 1) - 1)));
}

std::string MidChars(std::string_view s, std::int32_t start) {
    if (start < 1) return {};
    size_type from = static_cast<size_type>(CharToByte(s, start) - 1);
    return from >= s.size() ? std::string() : std::string(s.substr(from));
}

std::string MidChars(std::string_view s, std::int32_t start, std::int32_t length) {
    if (length < 1) return {};
    return LeftChars(MidChars(s, start), length);
}

std::string_view GbkChars::iterator::operator*() const { return s_.substr(i_, char_len_at(s_, i_)); }

GbkChars::iterator& GbkChars::iterator::operator++() {
    i_ += char_len_at(s_, i_);
    return *this;
}

} // namespace rt
