#include "runtime/sheet/numfmt.h"

#include "runtime/gbk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rt::sheet {

namespace {

// GBK bytes of the Chinese words and digits the built-in formats, the
// morning and afternoon marker and Chinese numerals use. This file is also
// compiled for the fuzz targets, which have no GBK execution charset, so
// they are written as escapes.
#define GBK_NIAN "\xC4\xEA"   // 年
#define GBK_YUE "\xD4\xC2"    // 月
#define GBK_RI "\xC8\xD5"     // 日
#define GBK_SHI "\xCA\xB1"    // 时
#define GBK_FEN "\xB7\xD6"    // 分
#define GBK_MIAO "\xC3\xEB"   // 秒
#define GBK_SHANGWU "\xC9\xCF\xCE\xE7" // 上午
#define GBK_XIAWU "\xCF\xC2\xCE\xE7"   // 下午
#define GBK_WAN "\xCD\xF2"    // 万
#define GBK_YI "\xD2\xDA"     // 亿
#define GBK_POINT "\xA3\xAE"  // ．

// Chinese numerals: [DBNum1] plain (〇一二...十百千), [DBNum2] the
// capitals of amounts (零壹贰...拾佰仟), [DBNum3] full-width digits.
const char* const plain_digits[] = {"\xA9\x96", "\xD2\xBB", "\xB6\xFE", "\xC8\xFD", "\xCB\xC4",
                                    "\xCE\xE5", "\xC1\xF9", "\xC6\xDF", "\xB0\xCB", "\xBE\xC5"};
const char* const capital_digits[] = {"\xC1\xE3", "\xD2\xBC", "\xB7\xA1", "\xC8\xFE", "\xCB\xC1",
                                      "\xCE\xE9", "\xC2\xBD", "\xC6\xE2", "\xB0\xC6", "\xBE\xC1"};
const char* const plain_units[] = {"", "\xCA\xAE", "\xB0\xD9", "\xC7\xA7"};   // 十百千
const char* const capital_units[] = {"", "\xCA\xB0", "\xB0\xDB", "\xC7\xAA"}; // 拾佰仟

bool lead_byte(char c) { return static_cast<unsigned char>(c) >= 0x81 && static_cast<unsigned char>(c) <= 0xFE; }

// Length of the character at i: two for a GBK pair, else one.
std::size_t char_len(std::string_view s, std::size_t i) {
    return lead_byte(s[i]) && i + 1 < s.size() ? 2 : 1;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_with_nocase(std::string_view s, std::size_t i, std::string_view word) {
    if (s.size() - i < word.size()) return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (lower(s[i + k]) != lower(word[k])) return false;
    return true;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// One digit in the numerals of a [DBNum] style.
std::string numeral(char digit, int style) {
    const int d = digit - '0';
    if (style == 3) return std::string("\xA3") + static_cast<char>(0xB0 + d);
    return style == 2 ? capital_digits[d] : plain_digits[d];
}

// Digits read one by one (a year, a fraction): 二〇二四.
std::string numerals(std::string_view digits, int style) {
    std::string out;
    for (char c : digits) out += is_digit(c) ? numeral(c, style) : std::string(1, c);
    return out;
}

// A whole number read with its units, in groups of four: 一千〇四,
// 壹拾贰万零叁拾肆 (up to sixteen digits). A zero inside stands for any run of zeros; zeros at the
// end are not read. In a date the one of ten to nineteen is not read
// (十二月), in a number it is (一十).
std::string counted(std::string_view digits, int style, bool in_date = false) {
    if (style == 3) return numerals(digits, style);
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string_view::npos) return numeral('0', style);
    digits.remove_prefix(first);
    // Past 亿亿 there are no units in common use: the digits one by one.
    if (digits.size() > 16) return numerals(digits, style);
    const char* const* units = style == 2 ? capital_units : plain_units;
    std::string out;
    bool zero = false, group_any = false;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const std::size_t power = digits.size() - 1 - i;
        if (digits[i] == '0') {
            zero = true;
        } else {
            if (zero) out += numeral('0', style);
            zero = false;
            group_any = true;
            if (!(in_date && i == 0 && digits[i] == '1' && power == 1)) out += numeral(digits[i], style);
            out += units[power % 4];
        }
        if (power % 4 == 0 && power > 0) {
            if (group_any) {
                if (power / 4 % 2 == 1) out += GBK_WAN;
                for (std::size_t k = 0; k < power / 8; ++k) out += GBK_YI;
            }
            group_any = false;
        }
    }
    return out;
}

// A number's text (General's or a format's) in [DBNum] numerals: its whole
// part counted, what follows the point read digit by digit.
std::string in_numerals(std::string_view text, int style) {
    std::string out;
    bool after_point = false;
    for (std::size_t i = 0; i < text.size();) {
        if (is_digit(text[i])) {
            std::size_t n = 0;
            while (i + n < text.size() && is_digit(text[i + n])) ++n;
            const std::string_view run = text.substr(i, n);
            out += after_point ? numerals(run, style) : counted(run, style);
            i += n;
            continue;
        }
        if (text[i] == '.') {
            after_point = true;
            out += style == 3 ? "\xA3\xAE" : GBK_POINT;
        } else {
            if (text[i] == 'E') after_point = true; // an exponent's digits are read one by one
            out += text[i];
        }
        ++i;
    }
    return out;
}

// The number's decimal form of 15 significant digits, the precision a
// spreadsheet keeps and shows: value = 0.d1d2...d15 x 10^point. Rounding for
// display starts from these digits, never from the binary value, so that
// 2.675 (stored as 2.67499999...) shows 2.68 in "0.00".
struct Decimal {
    std::string digits; // 15 digits, or empty for zero
    int point = 0;      // digits before the decimal point (may be <= 0)
};

Decimal decimal_of(double v) {
    Decimal d;
    v = std::fabs(v);
    if (v == 0) return d;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", v);
    // "d.ddddddddddddddde+XX"
    d.digits.reserve(15);
    d.digits += buf[0];
    d.digits.append(buf + 2, 14);
    d.point = std::atoi(buf + 17) + 1;
    return d;
}

// The digits of d rounded half away from zero to `keep` digits after the
// decimal point: the whole part (no leading zeros, "" for none) and exactly
// `keep` fraction digits.
void round_fixed(const Decimal& d, int keep, std::string& whole, std::string& frac) {
    // value x 10^keep, rounded, as digits
    std::string run;
    const long long kept = d.digits.empty() ? -1 : static_cast<long long>(d.point) + keep; // digits of d that stay
    if (kept >= 0) {
        const long long have = static_cast<long long>(d.digits.size());
        run.assign(d.digits, 0, static_cast<std::size_t>(std::min(kept, have)));
        if (kept > have) run.append(static_cast<std::size_t>(kept - have), '0');
        if (kept < have && d.digits[static_cast<std::size_t>(kept)] >= '5') {
            long long i = static_cast<long long>(run.size()) - 1;
            while (i >= 0 && run[static_cast<std::size_t>(i)] == '9') run[static_cast<std::size_t>(i--)] = '0';
            if (i < 0) run.insert(run.begin(), '1');
            else ++run[static_cast<std::size_t>(i)];
        }
    }
    if (run.size() < static_cast<std::size_t>(keep) + 1) run.insert(0, static_cast<std::size_t>(keep) + 1 - run.size(), '0');
    const std::size_t whole_len = run.size() - static_cast<std::size_t>(keep);
    frac = run.substr(whole_len);
    const std::size_t nz = run.find_first_not_of('0');
    whole = nz == std::string::npos || nz >= whole_len ? std::string() : run.substr(nz, whole_len - nz);
}

// The 15 significant digits of d without the zeros that end them.
std::string significant(const Decimal& d) {
    const std::size_t end = d.digits.find_last_not_of('0');
    return d.digits.substr(0, end + 1);
}

// The General text: whole numbers in plain digits, others with at most 15
// significant digits and never more than 15 significant digits in either
// (an 18-digit number shows its last digits as zeros, as the sheet does);
// below 1E-9 and past 1E+300 with an exponent.
std::string general(double value) {
    if (!std::isfinite(value)) return "#NUM!";
    const Decimal d = decimal_of(value);
    if (d.digits.empty()) return "0";
    std::string out = value < 0 ? "-" : "";
    const std::string digits = significant(d);
    const int length = static_cast<int>(digits.size());
    if (d.point < -8 || d.point > 300) {
        out += digits[0];
        if (length > 1) out += "." + digits.substr(1);
        const int x = d.point - 1;
        char exp[16];
        std::snprintf(exp, sizeof exp, "E%c%02d", x < 0 ? '-' : '+', x < 0 ? -x : x);
        return out + exp;
    }
    if (d.point <= 0) return out + "0." + std::string(static_cast<std::size_t>(-d.point), '0') + digits;
    if (length <= d.point) return out + digits + std::string(static_cast<std::size_t>(d.point - length), '0');
    return out + digits.substr(0, static_cast<std::size_t>(d.point)) + "." + digits.substr(static_cast<std::size_t>(d.point));
}

} // namespace

// The sheet's calendar: days since 1970-01-01 to a civil date and back
// (proleptic Gregorian), with the epochs of the two date systems.
namespace {

void civil_from_days(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

long long days_from_civil(long long y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr long long epoch_1900 = -25569; // 1899-12-30, so that day 61 is 1900-03-01
constexpr long long epoch_1904 = -24107; // 1904-01-01

} // namespace

CivilDate civil_date(long long serial, bool date1904) {
    CivilDate c;
    long long d1970;
    if (date1904) {
        d1970 = epoch_1904 + serial;
    } else if (serial == 0) {
        return c; // 1900-01-00, a Saturday
    } else if (serial == 60) {
        c.month = 2, c.day = 29, c.weekday = 3; // the 29th of February 1900 that never was
        return c;
    } else {
        d1970 = epoch_1900 + serial + (serial < 60 ? 1 : 0);
    }
    civil_from_days(d1970, c.year, c.month, c.day);
    c.weekday = static_cast<int>(((d1970 % 7) + 11) % 7);
    return c;
}

long long day_serial(int year, int month, int day) {
    const long long serial = days_from_civil(year, month, day) - epoch_1900;
    return serial < 61 ? serial - 1 : serial;
}

namespace {

// One piece of a section: what it prints.
struct Token {
    enum Kind : unsigned char {
        literal, comma, digit, point, exponent, general_, text_at, numerator, denominator,
        year, month, day, hour, minute, second, subsecond, ampm, elapsed
    } kind;
    std::string text; // literal and comma: the text; digit: '0', '#' or '?'; exponent: "+" or "-";
                      // ampm: the marker as written; elapsed: "h", "m" or "s"
    int width = 0;    // date and time parts: how many letters; subsecond: digits
};

} // namespace

struct NumberFormat::Section {
    std::vector<Token> tokens;
    bool is_date = false;
    bool thousands = false;
    int scale = 0;          // powers of ten: +2 per %, -3 per trailing comma
    bool text_at = false;   // holds @
    bool condition = false;
    char op[3] = {0, 0, 0};
    double operand = 0;
    int dbnum = 0;          // [DBNum1] to [DBNum3]: Chinese numerals
    bool chinese = false;   // a Chinese locale ([$-804]): 上午 and 下午 for AM/PM
    bool foreign = false;   // another locale named
    // Worked out once from the tokens, for showing.
    bool any_digit = false, any_general = false, twelve = false, elapsed = false, exp_hash = false;
    int whole_places = 0, frac_places = 0, exp_places = 0, subsecond = 0;
    std::string frac_kinds; // the placeholder of each fraction place
    // A fraction (# ?/?): the places of numerator and denominator, or the
    // denominator written out (# ?/4).
    bool fraction = false;
    int numerator_zeros = 0, denominator_places = 0, denominator_zeros = 0;
    long long fixed_denominator = 0;
};

namespace {

using Section = NumberFormat::Section;

bool is_digit_placeholder(char c) { return c == '0' || c == '#' || c == '?'; }

// The sections of a code, split at ';' outside quotes, escapes and brackets.
std::vector<std::string_view> split_sections(std::string_view code) {
    std::vector<std::string_view> out;
    std::size_t start = 0, i = 0;
    while (i < code.size()) {
        const char c = code[i];
        if (c == '"' || c == '[') {
            const std::size_t end = code.find(c == '"' ? '"' : ']', i + 1);
            if (end == std::string_view::npos) break;
            i = end + 1;
        } else if (c == '\\' || c == '_' || c == '*') {
            i += 1 + (i + 1 < code.size() ? char_len(code, i + 1) : 0);
        } else {
            if (c == ';') {
                out.push_back(code.substr(start, i - start));
                start = i + 1;
            }
            i += char_len(code, i);
        }
    }
    out.push_back(code.substr(start));
    return out;
}

void add_literal(Section& s, std::string_view text) {
    if (!s.tokens.empty() && s.tokens.back().kind == Token::literal) s.tokens.back().text += text;
    else s.tokens.push_back({Token::literal, std::string(text)});
}

// A locale tag's id (hex): its language in the low bits (Chinese: 804, 404,
// C04, 1004, 1404), and in the top byte a numeral system, which office
// programs write for Chinese numerals in dates: 1E to 20 the three
// [DBNum] styles of simplified Chinese, 21 to 23 of traditional.
void read_locale(Section& s, std::string_view hex) {
    const std::string id(hex.substr(0, 8));
    char* end = nullptr;
    const unsigned long lcid = id.empty() ? 0 : std::strtoul(id.c_str(), &end, 16);
    s.chinese = !id.empty() && end == id.c_str() + id.size() && (lcid & 0x3FF) == 0x04;
    s.foreign = !s.chinese;
    const unsigned long numerals = lcid >> 24;
    if (s.chinese && numerals >= 0x1E && numerals <= 0x23) s.dbnum = static_cast<int>((numerals - 0x1E) % 3 + 1);
}

// A bracket's inside: a currency and locale ([$sym-locale]), a condition
// ([>100]), elapsed time ([h]), Chinese numerals ([DBNum1]); colours and
// anything else print nothing.
void parse_bracket(Section& s, std::string_view inside) {
    if (!inside.empty() && inside[0] == '$') {
        const std::size_t dash = inside.find('-', 1);
        add_literal(s, inside.substr(1, dash == std::string_view::npos ? std::string_view::npos : dash - 1));
        if (dash != std::string_view::npos) read_locale(s, inside.substr(dash + 1));
        return;
    }
    if (!inside.empty() && (inside[0] == '<' || inside[0] == '>' || inside[0] == '=')) {
        std::size_t k = 0;
        while (k < inside.size() && k < 2 && (inside[k] == '<' || inside[k] == '>' || inside[k] == '=')) {
            s.op[k] = inside[k];
            ++k;
        }
        s.operand = std::strtod(std::string(inside.substr(k)).c_str(), nullptr);
        s.condition = true;
        return;
    }
    if (inside.size() == 6 && starts_with_nocase(inside, 0, "dbnum") && inside[5] >= '1' && inside[5] <= '3') {
        s.dbnum = inside[5] - '0';
        return;
    }
    if (!inside.empty() && inside.size() <= 16 && inside.find_first_not_of("hHmMsS") == std::string_view::npos &&
        inside.find_first_not_of(std::string(1, inside[0]) + static_cast<char>(inside[0] ^ 0x20)) ==
            std::string_view::npos) {
        s.tokens.push_back({Token::elapsed, std::string(1, lower(inside[0])), static_cast<int>(inside.size())});
        s.is_date = s.elapsed = true;
    }
}

// After a '/' that follows digit places: the denominator's places (?/??)
// or its number (?/4). The digit places just before the '/' become the
// numerator. Returns the characters taken, 0 when the '/' is no fraction.
std::size_t parse_fraction(Section& s, std::string_view rest) {
    std::size_t n = 0;
    while (n < rest.size() && is_digit_placeholder(rest[n])) ++n;
    long long fixed = 0;
    if (n == 0) {
        while (n < rest.size() && is_digit(rest[n]) && n < 9) fixed = fixed * 10 + (rest[n++] - '0');
        if (n == 0 || rest[0] == '0' || fixed == 0) return 0;
    }
    for (std::size_t k = s.tokens.size(); k-- > 0 && s.tokens[k].kind == Token::digit;) {
        s.tokens[k].kind = Token::numerator;
        if (s.tokens[k].text[0] == '0') ++s.numerator_zeros;
    }
    s.tokens.push_back({Token::literal, "/"});
    s.tokens.push_back({Token::denominator, ""});
    s.fraction = true;
    s.fixed_denominator = fixed;
    if (fixed == 0) {
        s.denominator_places = static_cast<int>(std::min<std::size_t>(n, 7));
        for (std::size_t k = 0; k < n; ++k) s.denominator_zeros += rest[k] == '0';
    }
    return n;
}

// The date part a letter starts, with its run of the same letter.
Token::Kind date_kind(char l) {
    return l == 'y' ? Token::year : l == 'm' ? Token::month : l == 'd' ? Token::day : l == 'h' ? Token::hour : Token::second;
}

// Reads one section's characters into tokens, left to right.
void scan(Section& s, std::string_view code) {
    bool seen_point = false;
    for (std::size_t i = 0; i < code.size();) {
        const char c = code[i];
        const char l = lower(c);
        if (c == '"') {
            std::size_t end = code.find('"', i + 1);
            if (end == std::string_view::npos) end = code.size();
            add_literal(s, code.substr(i + 1, end - i - 1));
            i = end + 1;
        } else if (c == '\\' || c == '!') {
            if (i + 1 < code.size()) add_literal(s, code.substr(i + 1, char_len(code, i + 1)));
            i += 1 + (i + 1 < code.size() ? char_len(code, i + 1) : 0);
        } else if (c == '_' || c == '*') {
            // Padding to another character's width, and fill: nothing in text.
            i += 1 + (i + 1 < code.size() ? char_len(code, i + 1) : 0);
        } else if (c == '[') {
            std::size_t end = code.find(']', i + 1);
            if (end == std::string_view::npos) end = code.size();
            parse_bracket(s, code.substr(i + 1, end - i - 1));
            i = end + 1;
        } else if (starts_with_nocase(code, i, "general")) {
            s.tokens.push_back({Token::general_, ""});
            i += 7;
        } else if (c == '@') {
            s.text_at = true;
            s.tokens.push_back({Token::text_at, ""});
            ++i;
        } else if (is_digit_placeholder(c)) {
            s.tokens.push_back({Token::digit, std::string(1, c)});
            ++i;
        } else if (c == '/' && !s.is_date && !s.fraction && !s.tokens.empty() && s.tokens.back().kind == Token::digit) {
            const std::size_t taken = parse_fraction(s, code.substr(i + 1));
            if (taken == 0) add_literal(s, "/");
            i += 1 + taken;
        } else if (c == '.' && s.is_date && i + 1 < code.size() && code[i + 1] == '0') {
            // Fractions of a second, to as many digits as zeros (three at most).
            std::size_t n = 1;
            while (i + n < code.size() && code[i + n] == '0') ++n;
            const int digits = static_cast<int>(std::min<std::size_t>(n - 1, 3));
            s.tokens.push_back({Token::subsecond, "", digits});
            if (n - 1 > 3) add_literal(s, std::string(n - 4, '0'));
            s.subsecond = std::max(s.subsecond, digits);
            i += n;
        } else if (c == '.' && !seen_point && !s.is_date && !s.fraction) {
            seen_point = true;
            s.tokens.push_back({Token::point, ""});
            ++i;
        } else if (c == '%') {
            s.scale += 2;
            add_literal(s, "%");
            ++i;
        } else if (c == ',') {
            s.tokens.push_back({Token::comma, ","}); // decided once the section is read: grouping, scaling or text
            ++i;
        } else if (l == 'e' && i + 1 < code.size() && (code[i + 1] == '+' || code[i + 1] == '-') && !s.is_date) {
            s.tokens.push_back({Token::exponent, std::string(1, code[i + 1])});
            i += 2;
        } else if (starts_with_nocase(code, i, "am/pm") || starts_with_nocase(code, i, "a/p")) {
            const std::size_t n = starts_with_nocase(code, i, "am/pm") ? 5 : 3;
            s.tokens.push_back({Token::ampm, std::string(code.substr(i, n))});
            s.is_date = true;
            i += n;
        } else if (code.substr(i, 9) == GBK_SHANGWU "/" GBK_XIAWU) {
            s.tokens.push_back({Token::ampm, std::string(code.substr(i, 9))});
            s.is_date = true;
            i += 9;
        } else if (l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 's') {
            std::size_t n = 1;
            while (i + n < code.size() && lower(code[i + n]) == l) ++n;
            s.tokens.push_back({date_kind(l), "", static_cast<int>(std::min<std::size_t>(n, 16))});
            s.is_date = true;
            i += n;
        } else {
            const std::size_t n = char_len(code, i);
            add_literal(s, code.substr(i, n));
            i += n;
        }
    }
}

// An m (or mm) is a minute right after an hour or a second, or right before
// a second; elsewhere a month. Only the parts themselves count, not the
// text between them.
void find_minutes(Section& s) {
    std::vector<std::size_t> parts;
    for (std::size_t k = 0; k < s.tokens.size(); ++k)
        if (s.tokens[k].kind >= Token::year && s.tokens[k].kind != Token::subsecond) parts.push_back(k);
    const auto is = [&s](std::size_t k, Token::Kind kind, const char* elapsed) {
        const Token& t = s.tokens[k];
        return t.kind == kind || (t.kind == Token::elapsed && t.text == elapsed);
    };
    for (std::size_t j = 0; j < parts.size(); ++j) {
        Token& t = s.tokens[parts[j]];
        if (t.kind != Token::month || t.width > 2) continue;
        const bool after = j > 0 && (is(parts[j - 1], Token::hour, "h") || is(parts[j - 1], Token::second, "s"));
        const bool before = j + 1 < parts.size() && is(parts[j + 1], Token::second, "s");
        if (after || before) t.kind = Token::minute;
    }
}

// Commas: between digit places of the whole part they group thousands;
// right after the last digit place of the whole part each divides by a
// thousand; elsewhere they are text. One pass from each end, so a code of
// many commas takes no longer than its length.
void decide_commas(Section& s) {
    std::vector<Token>& t = s.tokens;
    if (s.is_date) {
        for (Token& k : t)
            if (k.kind == Token::comma) k.kind = Token::literal;
        return;
    }
    std::size_t end_whole = t.size(), end_number = t.size();
    for (std::size_t k = 0; k < t.size(); ++k) {
        if (end_whole == t.size() && (t[k].kind == Token::point || t[k].kind == Token::numerator)) end_whole = k;
        if (t[k].kind == Token::exponent) {
            end_whole = std::min(end_whole, k);
            end_number = k;
            break;
        }
    }
    std::size_t last_whole_digit = t.size();
    for (std::size_t k = 0; k < end_whole; ++k)
        if (t[k].kind == Token::digit) last_whole_digit = k;
    // next_is_digit[k]: the first token after k that is no comma is a digit place
    std::vector<bool> next_is_digit(t.size(), false);
    for (std::size_t k = t.size(); k-- > 0;) {
        if (k + 1 < t.size()) next_is_digit[k] = t[k + 1].kind == Token::comma ? next_is_digit[k + 1] : t[k + 1].kind == Token::digit;
    }
    bool digit_before = false;
    for (std::size_t k = 0; k < t.size(); ++k) {
        if (t[k].kind == Token::digit) digit_before = true;
        if (t[k].kind != Token::comma) continue;
        if (k < end_number && digit_before) {
            if (last_whole_digit != t.size() && k < last_whole_digit) {
                s.thousands = true;
                t[k].text.clear();
            } else if (!next_is_digit[k]) {
                s.scale -= 3;
                t[k].text.clear();
            }
        }
    }
}

// What showing a number needs to know of the places, worked out once.
void lay_out(Section& s) {
    bool in_frac = false, in_exp = false;
    for (const Token& t : s.tokens) {
        switch (t.kind) {
        case Token::point: in_frac = true; break;
        case Token::exponent:
            in_exp = true;
            in_frac = false;
            break;
        case Token::digit:
            s.any_digit = true;
            s.exp_hash = s.exp_hash || t.text[0] == '#';
            if (in_exp) ++s.exp_places;
            else if (in_frac) {
                ++s.frac_places;
                s.frac_kinds += t.text[0];
            } else ++s.whole_places;
            break;
        case Token::numerator:
        case Token::denominator: s.any_digit = true; break;
        case Token::general_: s.any_general = true; break;
        case Token::ampm: s.twelve = true; break;
        default: break;
        }
    }
    if (s.dbnum != 0) s.thousands = false; // numerals carry their own units
}

Section parse_section(std::string_view code) {
    Section s;
    scan(s, code);
    find_minutes(s);
    decide_commas(s);
    lay_out(s);
    return s;
}

std::string padded(long long v, int width) {
    std::string n = std::to_string(v);
    if (static_cast<int>(n.size()) < width) n.insert(0, static_cast<std::size_t>(width) - n.size(), '0');
    return n;
}

const char* const month_names[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const day_names[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// A point in time as a date and time show it: the day and the time of day
// in units of the section's fractions of a second. A clock shows the time
// it has reached (13:37:37.92 in h:mm:ss is 13:37:37); elapsed time is
// rounded to its last unit ([h]:mm:ss of 2:03:03.995 is 2:03:04). Both start
// from whole microseconds, so that a serial's last bits (12:14:59.9999999
// stored for 12:15) do not show.
struct Moment {
    long long days = 0;
    long long ticks = 0; // of the day
    long long per_second = 1;
};

Moment moment_of(double value, const Section& s) {
    Moment t;
    for (int k = 0; k < s.subsecond; ++k) t.per_second *= 10;
    t.days = static_cast<long long>(std::floor(value));
    const long long micros = std::llround((value - static_cast<double>(t.days)) * 86400e6);
    const long long unit = 1000000 / t.per_second;
    t.ticks = s.elapsed ? (micros + unit / 2) / unit : micros / unit;
    if (t.ticks >= 86400 * t.per_second) {
        ++t.days;
        t.ticks -= 86400 * t.per_second;
    }
    return t;
}

// A date or time number as the section's numerals show it.
std::string date_number(long long v, int width, const Section& s, bool counted_form = false) {
    const std::string digits = width >= 2 ? padded(v, width) : std::to_string(v);
    if (s.dbnum == 0) return digits;
    return counted_form ? counted(std::to_string(v), s.dbnum, true) : numerals(digits, s.dbnum);
}

std::string format_date(double value, const Section& s, bool date1904) {
    // Outside the days a sheet can show, the value shows as a number;
    // elapsed time also runs backwards.
    if (s.elapsed && value < 0) return "-" + format_date(-value, s, date1904);
    if (value < 0 || value >= static_cast<double>(date_limit(date1904))) return general(value);
    const Moment t = moment_of(value, s);
    const CivilDate c = civil_date(t.days, date1904);
    const long long seconds = t.ticks / t.per_second;
    const long long h24 = seconds / 3600;
    const long long total_hours = t.days * 24 + h24;
    std::string out;
    for (const Token& k : s.tokens) {
        switch (k.kind) {
        case Token::literal:
        case Token::comma:
        case Token::digit:
            out += k.text;
            break;
        case Token::year:
            out += date_number(k.width <= 2 ? c.year % 100 : c.year, k.width <= 2 ? 2 : 1, s);
            break;
        case Token::month:
            if (k.width <= 2) out += date_number(c.month, k.width, s, true);
            else if (k.width == 3) out += std::string(month_names[c.month - 1], 3);
            else if (k.width == 5) out += month_names[c.month - 1][0];
            else out += month_names[c.month - 1];
            break;
        case Token::day:
            if (k.width <= 2) out += date_number(c.day, k.width, s, true);
            else if (k.width == 3) out += std::string(day_names[c.weekday], 3);
            else out += day_names[c.weekday];
            break;
        case Token::hour:
            out += date_number(s.twelve ? (h24 % 12 == 0 ? 12 : h24 % 12) : h24, std::min(k.width, 2), s);
            break;
        case Token::minute:
            out += date_number(seconds / 60 % 60, std::min(k.width, 2), s);
            break;
        case Token::second:
            out += date_number(seconds % 60, std::min(k.width, 2), s);
            break;
        case Token::subsecond: {
            std::string digits = padded(t.ticks % t.per_second, s.subsecond).substr(0, static_cast<std::size_t>(k.width));
            out += "." + (s.dbnum ? numerals(digits, s.dbnum) : digits);
            break;
        }
        case Token::elapsed: {
            const long long whole = k.text == "h"   ? total_hours
                                    : k.text == "m" ? total_hours * 60 + seconds / 60 % 60
                                                    : (total_hours * 60 + seconds / 60 % 60) * 60 + seconds % 60;
            out += date_number(whole, k.width, s);
            break;
        }
        case Token::ampm: {
            const bool pm = h24 >= 12;
            const std::string& w = k.text;
            if (w.size() == 9 || (s.chinese && w.size() == 5)) out += pm ? GBK_XIAWU : GBK_SHANGWU;
            else if (w.size() == 5) out += pm ? "PM" : "AM";
            else out += pm ? w.substr(2, 1) : w.substr(0, 1);
            break;
        }
        default:
            break;
        }
    }
    return out;
}

// The best fraction n/d for f in [0, 1) with d of at most max_d: the last
// convergent of its continued fraction that fits, or the semiconvergent
// past it when that is closer.
void best_fraction(double f, long long max_d, long long& n, long long& d) {
    long long p0 = 0, q0 = 1, p1 = 1, q1 = 0;
    double x = f;
    for (int step = 0; step < 64; ++step) {
        const double a_real = std::floor(x);
        if (a_real > static_cast<double>(max_d)) break;
        const long long a = static_cast<long long>(a_real);
        const long long p2 = a * p1 + p0, q2 = a * q1 + q0;
        if (q2 > max_d) {
            const long long k = (max_d - q0) / q1;
            const long long ps = p0 + k * p1, qs = q0 + k * q1;
            if (std::fabs(f - static_cast<double>(ps) / static_cast<double>(qs)) <
                std::fabs(f - static_cast<double>(p1) / static_cast<double>(q1))) {
                p1 = ps;
                q1 = qs;
            }
            break;
        }
        p0 = p1, q0 = q1, p1 = p2, q1 = q2;
        const double rest = x - a_real;
        if (rest < 1e-12) break;
        x = 1 / rest;
    }
    n = p1;
    d = q1;
}

// A fraction section (# ?/?, ?/?, # ?/4): the whole part in its places,
// then numerator and denominator. A whole number shows no fraction, and the
// alignment spaces of ? places print nothing.
std::string format_fraction(double value, const Section& s, bool minus) {
    const double v = std::fabs(value);
    if (v >= 1e15) return general(value);
    const bool whole_part = s.whole_places > 0;
    long long w = whole_part ? static_cast<long long>(std::floor(v)) : 0;
    const double f = v - static_cast<double>(w);
    long long n = 0, d = 1;
    if (s.fixed_denominator > 0) {
        d = s.fixed_denominator;
        n = std::llround(f * static_cast<double>(d));
    } else {
        long long max_d = 1;
        for (int k = 0; k < s.denominator_places; ++k) max_d *= 10;
        best_fraction(f, max_d - 1, n, d);
    }
    if (whole_part && n == d) {
        ++w;
        n = 0;
    }
    const bool show_fraction = !(whole_part && n == 0);
    bool zero_place = false;
    for (const Token& t : s.tokens) zero_place = zero_place || (t.kind == Token::digit && t.text[0] == '0');
    const std::string whole_text = w != 0 || !show_fraction || zero_place ? std::to_string(w) : std::string();
    std::string out = minus ? "-" : "";
    enum { before_whole, after_whole, in_fraction, after_fraction } at = before_whole;
    std::string between; // the text between the whole part and the numerator
    for (const Token& t : s.tokens) {
        switch (t.kind) {
        case Token::digit:
            if (at == before_whole) {
                out += whole_text;
                at = after_whole;
            }
            break;
        case Token::literal:
        case Token::comma:
            if (at == after_whole) between += t.text;
            else if (at != in_fraction || show_fraction) out += t.text;
            break;
        case Token::numerator:
            if (at == in_fraction) break;
            if (show_fraction) {
                if (!whole_text.empty()) out += between;
                out += padded(n, s.numerator_zeros);
            }
            at = in_fraction;
            break;
        case Token::denominator:
            if (show_fraction) out += padded(d, s.denominator_zeros);
            at = after_fraction;
            break;
        default:
            break;
        }
    }
    return out;
}

std::string format_plain(double value, const Section& s, bool minus) {
    Decimal dec = decimal_of(value);
    if (!dec.digits.empty()) dec.point += s.scale;
    const bool in_exp_section = s.exp_places > 0 || std::any_of(s.tokens.begin(), s.tokens.end(), [](const Token& t) {
        return t.kind == Token::exponent;
    });
    std::string whole, frac;
    int exponent = 0;
    if (in_exp_section && !dec.digits.empty()) {
        const int group = std::max(s.whole_places, 1);
        const auto attempt = [&](int x) { // x: the exponent of the leading digit
            // With # places the exponent is a multiple of their count
            // (##0.0E+0 is engineering notation); with 0 places the mantissa
            // fills them all.
            if (s.exp_hash && group > 1) exponent = (x >= 0 ? x / group : -((-x + group - 1) / group)) * group;
            else exponent = x - (group - 1);
            Decimal m = dec;
            m.point -= exponent;
            round_fixed(m, s.frac_places, whole, frac);
            return x - exponent + 1; // whole digits the mantissa should have
        };
        const int x = dec.point - 1;
        // 9.995 in 0.00E+00 rounds to 10.00: the leading digit moved a place.
        const int expected = attempt(x);
        if (static_cast<int>(whole.size()) > expected) attempt(x + 1);
    } else {
        round_fixed(dec, s.frac_places, whole, frac);
    }

    // The whole part's digits go to its places from the right; the leftmost
    // place takes whatever digits are left over. The spaces that ? places
    // stand for only align a column, like _ padding: they print nothing.
    std::string out = minus ? "-" : "";
    int place = 0; // whole places seen so far
    int frac_index = 0;
    int exp_index = 0;
    bool in_frac = false, in_exp = false;
    const int len = static_cast<int>(whole.size());
    const std::string exp_digits = std::to_string(exponent < 0 ? -exponent : exponent);
    const int exp_len = static_cast<int>(exp_digits.size());
    // Last fraction place that shows: trailing zeros under # and ? go.
    int last_frac = s.frac_places;
    while (last_frac > 0 && s.frac_kinds[static_cast<std::size_t>(last_frac - 1)] != '0' &&
           frac[static_cast<std::size_t>(last_frac - 1)] == '0')
        --last_frac;
    auto put_digit = [&](int pos_from_right, char digit) {
        out += digit;
        if (s.thousands && pos_from_right > 0 && pos_from_right % 3 == 0) out += ',';
    };
    for (const Token& t : s.tokens) {
        switch (t.kind) {
        case Token::literal:
        case Token::comma:
            out += t.text;
            break;
        case Token::general_:
            out += general(value);
            break;
        case Token::point:
            // Without places before the point a whole part still shows.
            if (s.whole_places == 0)
                for (int k = len - 1; k >= 0; --k) put_digit(k, whole[static_cast<std::size_t>(len - 1 - k)]);
            in_frac = true;
            out += '.';
            break;
        case Token::exponent:
            in_frac = false;
            in_exp = true;
            out += 'E';
            if (exponent < 0) out += '-';
            else if (t.text == "+") out += '+';
            break;
        case Token::digit: {
            const char kind = t.text[0];
            if (in_exp) {
                const int from_right = s.exp_places - 1 - exp_index;
                if (exp_index == 0 && exp_len > s.exp_places) out += exp_digits.substr(0, static_cast<std::size_t>(exp_len - s.exp_places));
                if (from_right < exp_len) out += exp_digits[static_cast<std::size_t>(exp_len - 1 - from_right)];
                else if (kind == '0') out += '0';
                ++exp_index;
            } else if (in_frac) {
                if (frac_index < last_frac) out += frac[static_cast<std::size_t>(frac_index)];
                ++frac_index;
            } else {
                const int from_right = s.whole_places - 1 - place; // this place's digit position
                if (place == 0)
                    for (int k = len - 1; k > from_right; --k) put_digit(k, whole[static_cast<std::size_t>(len - 1 - k)]);
                if (from_right < len) put_digit(from_right, whole[static_cast<std::size_t>(len - 1 - from_right)]);
                else if (kind == '0') put_digit(from_right, '0');
                ++place;
            }
            break;
        }
        default:
            break;
        }
    }
    return out;
}

bool holds(const Section& s, double v) {
    const std::string_view op(s.op);
    if (op == "<") return v < s.operand;
    if (op == ">") return v > s.operand;
    if (op == "=") return v == s.operand;
    if (op == "<=") return v <= s.operand;
    if (op == ">=") return v >= s.operand;
    if (op == "<>") return v != s.operand;
    return false;
}

// A section's literals alone ("-" for zero in an accounting format).
std::string literals(const Section& s, bool minus) {
    std::string out = minus ? "-" : "";
    for (const Token& t : s.tokens)
        if (t.kind == Token::literal || t.kind == Token::comma) out += t.text;
    return out;
}

// A number in a section chosen for it.
std::string show(double value, const Section& s, bool minus, bool date1904) {
    if (s.is_date) return format_date(value, s, date1904);
    if (s.text_at && !s.any_digit) return general(value);
    const int numerals_style = s.foreign ? 0 : s.dbnum;
    std::string out;
    if (!s.any_digit && !s.any_general) {
        out = literals(s, minus);
    } else if (s.any_general && !s.any_digit) {
        for (const Token& t : s.tokens) {
            if (t.kind == Token::general_) {
                const std::string g = general(minus || value >= 0 ? value : -value);
                out += numerals_style ? in_numerals(g, numerals_style) : g;
            } else if (t.kind == Token::literal || t.kind == Token::comma) {
                out += t.text;
            }
        }
        return out;
    } else if (s.fraction) {
        out = format_fraction(value, s, minus);
    } else {
        out = format_plain(value, s, minus);
    }
    return numerals_style ? in_numerals(out, numerals_style) : out;
}

} // namespace

NumberFormat::NumberFormat(std::string_view code) {
    if (code.empty() || (code.size() == 7 && starts_with_nocase(code, 0, "general"))) return;
    general_ = false;
    const std::vector<std::string_view> parts = split_sections(code);
    for (std::size_t k = 0; k < parts.size() && k < 4; ++k) sections_.push_back(parse_section(parts[k]));
    // The text section: a fourth one, or a last one that holds @. It is not
    // for numbers.
    numeric_ = sections_.size();
    if (numeric_ == 4) {
        numeric_ = 3;
        text_ = &sections_[3];
    } else if (sections_.back().text_at) {
        text_ = &sections_.back();
        if (numeric_ > 1) --numeric_;
    }
}

NumberFormat::~NumberFormat() = default;
NumberFormat::NumberFormat(NumberFormat&&) noexcept = default;
NumberFormat& NumberFormat::operator=(NumberFormat&&) noexcept = default;

bool NumberFormat::is_date() const { return !sections_.empty() && sections_[0].is_date; }

std::string NumberFormat::number(double value, bool date1904) const {
    if (general_) return rt::sheet::general_text(value);
    if (!std::isfinite(value)) return "#NUM!";
    const Section* chosen = &sections_[0];
    bool minus = value < 0;
    if (sections_[0].condition || (numeric_ > 1 && sections_[1].condition)) {
        // Conditions pick the section; the second is the rest, or tested
        // itself, then the third is the rest. A value no section is for
        // shows as General.
        if (sections_[0].condition && holds(sections_[0], value)) chosen = &sections_[0];
        else if (numeric_ > 1 && (!sections_[1].condition || holds(sections_[1], value))) chosen = &sections_[1];
        else if (numeric_ > 2) chosen = &sections_[2];
        else if (numeric_ > 1) chosen = &sections_[1];
        else return rt::sheet::general_text(value);
        // Only the first section shows a minus of its own.
        minus = value < 0 && chosen == &sections_[0];
    } else if (value < 0 && numeric_ >= 2) {
        chosen = &sections_[1];
        minus = false;
    } else if (value == 0 && numeric_ >= 3) {
        chosen = &sections_[2];
    }
    return show(value, *chosen, minus, date1904);
}

std::string NumberFormat::text(std::string_view value) const {
    if (text_ == nullptr) return std::string(value);
    std::string out;
    for (const Token& t : text_->tokens) {
        if (t.kind == Token::text_at) out += value;
        else if (t.kind == Token::literal || t.kind == Token::comma) out += t.text;
    }
    return out;
}

FormatTable::FormatTable() {
    formats_.push_back(std::make_unique<NumberFormat>());
    index_.emplace(std::string(), general_index);
}

std::size_t FormatTable::add(const std::string& code) {
    const auto [it, added] = index_.emplace(code, formats_.size());
    if (added) formats_.push_back(std::make_unique<NumberFormat>(code));
    return it->second;
}

std::string format_number(double value, const std::string& code, bool date1904) {
    return NumberFormat(code).number(value, date1904);
}

std::string format_text(const std::string& value, const std::string& code) { return NumberFormat(code).text(value); }

std::string general_text(double value) { return general(value); }

std::string builtin_format_code(int id) {
    // The built-in formats as a workbook of the Chinese (PRC) locale shows
    // them; ids without a code of their own are General.
    switch (id) {
    case 1: return "0";
    case 2: return "0.00";
    case 3: return "#,##0";
    case 4: return "#,##0.00";
    case 5: return "\"\xA3\xA4\"#,##0;\"\xA3\xA4\"\\-#,##0"; // ￥
    case 6: return "\"\xA3\xA4\"#,##0;[Red]\"\xA3\xA4\"\\-#,##0";
    case 7: return "\"\xA3\xA4\"#,##0.00;\"\xA3\xA4\"\\-#,##0.00";
    case 8: return "\"\xA3\xA4\"#,##0.00;[Red]\"\xA3\xA4\"\\-#,##0.00";
    case 9: return "0%";
    case 10: return "0.00%";
    case 11: return "0.00E+00";
    case 12: return "# ?/?";
    case 13: return "# ?\?/?\?";
    case 14: return "yyyy/m/d";
    case 15: return "d-mmm-yy";
    case 16: return "d-mmm";
    case 17: return "mmm-yy";
    case 18: return "h:mm AM/PM";
    case 19: return "h:mm:ss AM/PM";
    case 20: return "h:mm";
    case 21: return "h:mm:ss";
    case 22: return "yyyy/m/d h:mm";
    case 27: case 36: case 50: case 52: case 57: return "yyyy\"" GBK_NIAN "\"m\"" GBK_YUE "\"";
    case 28: case 29: case 51: case 53: case 54: case 58: return "m\"" GBK_YUE "\"d\"" GBK_RI "\"";
    case 30: return "m-d-yy";
    case 31: return "yyyy\"" GBK_NIAN "\"m\"" GBK_YUE "\"d\"" GBK_RI "\"";
    case 32: return "h\"" GBK_SHI "\"mm\"" GBK_FEN "\"";
    case 33: return "h\"" GBK_SHI "\"mm\"" GBK_FEN "\"ss\"" GBK_MIAO "\"";
    case 34: case 55: return GBK_SHANGWU "/" GBK_XIAWU "h\"" GBK_SHI "\"mm\"" GBK_FEN "\"";
    case 35: case 56: return GBK_SHANGWU "/" GBK_XIAWU "h\"" GBK_SHI "\"mm\"" GBK_FEN "\"ss\"" GBK_MIAO "\"";
    case 37: return "#,##0 ;(#,##0)";
    case 38: return "#,##0 ;[Red](#,##0)";
    case 39: return "#,##0.00;(#,##0.00)";
    case 40: return "#,##0.00;[Red](#,##0.00)";
    case 41: return "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)";
    case 42: return "_(\"\xA3\xA4\"* #,##0_);_(\"\xA3\xA4\"* \\(#,##0\\);_(\"\xA3\xA4\"* \"-\"_);_(@_)";
    case 43: return "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)";
    case 44: return "_(\"\xA3\xA4\"* #,##0.00_);_(\"\xA3\xA4\"* \\(#,##0.00\\);_(\"\xA3\xA4\"* \"-\"??_);_(@_)";
    case 45: return "mm:ss";
    case 46: return "[h]:mm:ss";
    case 47: return "mmss.0";
    case 48: return "##0.0E+0";
    case 49: return "@";
    default: return "";
    }
}

// ---- A format code's text in GBK --------------------------------------------

namespace {

// Stands for a sign GBK cannot hold while the code is converted: a control
// character, which no format code needs, so one in the code is taken for
// such a sign too.
constexpr char unheld_mark = '\x01';

// The code with every sign it holds in GBK's place, the unheld ones marked.
std::string code_in_gbk(std::string_view utf8) {
    std::string prepared;
    prepared.reserve(utf8.size() + utf8.size() / 2);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\xC2' && i + 1 < utf8.size() && utf8[i + 1] == '\xA5') {
            prepared += "\xEF\xBF\xA5"; // U+FFE5, GBK's full-width yen
            ++i;
        } else {
            prepared += utf8[i];
        }
    }
    return utf8_to_gbk(prepared, std::string_view(&unheld_mark, 1));
}

} // namespace

std::string format_code_gbk(std::string_view utf8) {
    const std::string gbk = code_in_gbk(utf8);
    // A marked sign is a "?" as a literal: bare it needs an escape, while
    // inside quotes or brackets, or after an escape, padding or fill mark,
    // it is one already.
    std::string code;
    code.reserve(gbk.size() + gbk.size() / 2);
    char closing = 0;     // '"' or ']' while inside quotes or brackets
    bool taken = false;   // the character after \ ! _ *
    for (std::size_t i = 0; i < gbk.size();) {
        const std::size_t n = char_len_at(gbk, i);
        const char c = gbk[i];
        if (c == unheld_mark) code += closing || taken ? "?" : "\\?";
        else code.append(gbk, i, n);
        i += n;
        if (taken) taken = false;
        else if (closing) closing = c == closing ? 0 : closing;
        else if (c == '"') closing = '"';
        else if (c == '[') closing = ']';
        else if (c == '\\' || c == '!' || c == '_' || c == '*') taken = true;
    }
    if (code.size() == 7) {
        std::string lower = code;
        for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (lower == "general") code.clear();
    }
    return code;
}

} // namespace rt::sheet
