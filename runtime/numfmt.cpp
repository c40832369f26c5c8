#include "runtime/numfmt.h"

#include "runtime/spreadsheet.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace rt::sheet {

namespace {

// GBK bytes of the few Chinese words the built-in formats and the morning and
// afternoon marker use. This file is also compiled for the fuzz targets, which
// have no GBK execution charset, so they are written as escapes.
#define GBK_NIAN "\xC4\xEA"   // 年
#define GBK_YUE "\xD4\xC2"    // 月
#define GBK_RI "\xC8\xD5"     // 日
#define GBK_SHI "\xCA\xB1"    // 时
#define GBK_FEN "\xB7\xD6"    // 分
#define GBK_MIAO "\xC3\xEB"   // 秒
#define GBK_SHANGWU "\xC9\xCF\xCE\xE7" // 上午
#define GBK_XIAWU "\xCF\xC2\xCE\xE7"   // 下午

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
    const int kept = d.digits.empty() ? -1 : d.point + keep; // digits of d that stay
    if (kept >= 0) {
        for (int i = 0; i < kept; ++i) run += i < static_cast<int>(d.digits.size()) ? d.digits[static_cast<std::size_t>(i)] : '0';
        if (kept < static_cast<int>(d.digits.size()) && d.digits[static_cast<std::size_t>(kept)] >= '5') {
            int i = static_cast<int>(run.size()) - 1;
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

// The General text: whole numbers in plain digits, others with at most 15
// significant digits, and never more than 15 significant digits in either
// (an 18-digit number shows its last digits as zeros, as the sheet does).
std::string general(double value) {
    if (!std::isfinite(value)) return "#NUM!";
    const Decimal d = decimal_of(value);
    if (d.digits.empty()) return "0";
    const bool whole = d.point >= 15 || (d.point > 0 && d.digits.find_first_not_of('0', static_cast<std::size_t>(d.point)) ==
                                                            std::string::npos);
    if (whole && d.point <= 300) {
        std::string out = value < 0 ? "-" : "";
        out += d.digits.substr(0, static_cast<std::size_t>(std::min(d.point, 15)));
        if (d.point > 15) out.append(static_cast<std::size_t>(d.point - 15), '0');
        return out;
    }
    return number_text(value);
}

// One section of a format code, split into what it prints.
struct Token {
    enum Kind { literal, digit, point, exponent, general_, year, month, day, hour, minute, second, ampm, elapsed } kind;
    std::string text; // literal: the text; digit: '0', '#' or '?'; exponent: "+" or "-"; ampm: the marker as written
    int width = 0;    // date and time parts: how many letters
};

struct Section {
    std::vector<Token> tokens;
    bool is_date = false;
    bool thousands = false;
    int scale = 0;   // powers of ten: +2 per %, -3 per trailing comma
    bool text_only = false; // holds @: a number shows as General
    bool condition = false;
    char op[3] = {0, 0, 0};
    double operand = 0;
};

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
    if (!s.tokens.empty() && s.tokens.back().kind == Token::literal && s.tokens.back().width == 0) s.tokens.back().text += text;
    else s.tokens.push_back({Token::literal, std::string(text)});
}

// A bracket's inside: a currency ([$sym-locale]), a condition ([>100]),
// elapsed time ([h]); colours and anything else print nothing.
void parse_bracket(Section& s, std::string_view inside) {
    if (!inside.empty() && inside[0] == '$') {
        const std::size_t dash = inside.find('-', 1);
        add_literal(s, inside.substr(1, dash == std::string_view::npos ? std::string_view::npos : dash - 1));
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
    if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos &&
        inside.find_first_not_of(std::string(1, inside[0]) + static_cast<char>(inside[0] ^ 0x20)) ==
            std::string_view::npos) {
        s.tokens.push_back({Token::elapsed, std::string(1, lower(inside[0])), static_cast<int>(inside.size())});
        s.is_date = true;
    }
}

Section parse_section(std::string_view code) {
    Section s;
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
            s.text_only = true;
            ++i;
        } else if (is_digit_placeholder(c)) {
            s.tokens.push_back({Token::digit, std::string(1, c)});
            ++i;
        } else if (c == '.' && !seen_point && !s.is_date) {
            seen_point = true;
            s.tokens.push_back({Token::point, ""});
            ++i;
        } else if (c == '%') {
            s.scale += 2;
            add_literal(s, "%");
            ++i;
        } else if (c == ',') {
            s.tokens.push_back({Token::literal, ","}); // decided below: grouping, scaling or text
            s.tokens.back().width = -1;
            ++i;
        } else if (l == 'e' && i + 1 < code.size() && (code[i + 1] == '+' || code[i + 1] == '-')) {
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
            const Token::Kind kind = l == 'y' ? Token::year : l == 'm' ? Token::month : l == 'd' ? Token::day
                                     : l == 'h' ? Token::hour : Token::second;
            s.tokens.push_back({kind, "", static_cast<int>(n)});
            s.is_date = true;
            i += n;
        } else if (c == '.' && s.is_date && i + 1 < code.size() && code[i + 1] == '0') {
            // Fractions of a second: shown as written digits of zero.
            std::size_t n = 1;
            while (i + n < code.size() && code[i + n] == '0') ++n;
            add_literal(s, "." + std::string(n - 1, '0'));
            i += n;
        } else {
            const std::size_t n = char_len(code, i);
            add_literal(s, code.substr(i, n));
            i += n;
        }
    }
    // A month next to an hour or a second is a minute.
    for (std::size_t k = 0; k < s.tokens.size(); ++k) {
        if (s.tokens[k].kind != Token::month || s.tokens[k].width > 2) continue;
        bool minute = false;
        for (std::size_t b = k; b-- > 0;) {
            const Token::Kind kind = s.tokens[b].kind;
            if (kind == Token::literal) continue;
            minute = kind == Token::hour || (kind == Token::elapsed && s.tokens[b].text == "h");
            break;
        }
        for (std::size_t a = k + 1; !minute && a < s.tokens.size(); ++a) {
            const Token::Kind kind = s.tokens[a].kind;
            if (kind == Token::literal) continue;
            minute = kind == Token::second || (kind == Token::elapsed && s.tokens[a].text == "s");
            break;
        }
        if (minute) s.tokens[k].kind = Token::minute;
    }
    // Commas: between digit places of the whole part they group thousands;
    // right after the last digit place of the whole part each divides by a
    // thousand; elsewhere they are text.
    if (!s.is_date) {
        std::size_t end_whole = s.tokens.size(), end_number = s.tokens.size();
        for (std::size_t k = s.tokens.size(); k-- > 0;) {
            if (s.tokens[k].kind == Token::point) end_whole = k;
            if (s.tokens[k].kind == Token::exponent) end_whole = end_number = k;
        }
        bool digit_before = false;
        for (std::size_t k = 0; k < end_number; ++k) {
            Token& t = s.tokens[k];
            if (t.kind == Token::digit) digit_before = true;
            if (t.kind != Token::literal || t.width != -1 || !digit_before) continue;
            bool digit_after = false;
            for (std::size_t a = k + 1; a < end_whole; ++a)
                if (s.tokens[a].kind == Token::digit) digit_after = true;
            std::size_t next = k + 1;
            while (next < s.tokens.size() && s.tokens[next].kind == Token::literal && s.tokens[next].width == -1) ++next;
            if (k < end_whole && digit_after) {
                s.thousands = true;
                t.text.clear();
            } else if (next == s.tokens.size() || s.tokens[next].kind != Token::digit) {
                s.scale -= 3;
                t.text.clear();
            }
        }
        for (Token& t : s.tokens) t.width = t.kind == Token::literal ? 0 : t.width;
    }
    return s;
}

std::string two(long long v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02lld", v);
    return buf;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civil(long long z, int& y, int& m, int& d) {
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

const char* const month_names[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const day_names[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::string format_date(double value, const Section& s, bool date1904) {
    // Outside the days a sheet can show, the value shows as a number.
    if (!std::isfinite(value) || value < 0 || value >= (date1904 ? 2957004 : 2958466)) return general(value);
    long long days = static_cast<long long>(std::floor(value));
    long long seconds = std::llround((value - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    int y = 1900, m = 1, d = 0, weekday = 6;
    if (date1904) {
        civil(days - 24107, y, m, d);
        weekday = static_cast<int>(((days - 24107) % 7 + 11) % 7);
    } else if (days == 0) {
        y = 1900, m = 1, d = 0, weekday = 6;
    } else if (days == 60) {
        y = 1900, m = 2, d = 29, weekday = 3; // the 1900 system's 29th of February that never was
    } else {
        const long long d1970 = days - 25569 + (days < 60 ? 1 : 0);
        civil(d1970, y, m, d);
        weekday = static_cast<int>((d1970 % 7 + 11) % 7);
    }
    bool twelve = false;
    for (const Token& t : s.tokens) twelve = twelve || t.kind == Token::ampm;
    const long long h24 = seconds / 3600;
    const long long total_hours = days * 24 + h24;
    std::string out;
    for (const Token& t : s.tokens) {
        switch (t.kind) {
        case Token::literal:
        case Token::digit:
            out += t.text;
            break;
        case Token::year:
            out += t.width <= 2 ? two(y % 100) : std::to_string(y);
            break;
        case Token::month:
            if (t.width == 1) out += std::to_string(m);
            else if (t.width == 2) out += two(m);
            else if (t.width == 3) out += std::string(month_names[m - 1], 3);
            else if (t.width == 5) out += month_names[m - 1][0];
            else out += month_names[m - 1];
            break;
        case Token::day:
            if (t.width == 1) out += std::to_string(d);
            else if (t.width == 2) out += two(d);
            else if (t.width == 3) out += std::string(day_names[weekday], 3);
            else out += day_names[weekday];
            break;
        case Token::hour: {
            long long h = h24;
            if (twelve) h = h % 12 == 0 ? 12 : h % 12;
            out += t.width >= 2 ? two(h) : std::to_string(h);
            break;
        }
        case Token::minute:
            out += t.width >= 2 ? two(seconds / 60 % 60) : std::to_string(seconds / 60 % 60);
            break;
        case Token::second:
            out += t.width >= 2 ? two(seconds % 60) : std::to_string(seconds % 60);
            break;
        case Token::elapsed: {
            const long long whole = t.text == "h" ? total_hours
                                    : t.text == "m" ? total_hours * 60 + seconds / 60 % 60
                                                    : (total_hours * 60 + seconds / 60 % 60) * 60 + seconds % 60;
            std::string n = std::to_string(whole);
            if (static_cast<int>(n.size()) < t.width) n.insert(0, static_cast<std::size_t>(t.width) - n.size(), '0');
            out += n;
            break;
        }
        case Token::ampm: {
            const bool pm = h24 >= 12;
            const std::string& w = t.text;
            if (w.size() == 9) out += pm ? GBK_XIAWU : GBK_SHANGWU;
            else if (w.size() == 5) out += pm ? w.substr(3, 2) : w.substr(0, 2);
            else out += pm ? w.substr(2, 1) : w.substr(0, 1);
            break;
        }
        default:
            break;
        }
    }
    return out;
}

std::string format_plain(double value, const Section& s, bool minus) {
    int whole_places = 0, frac_places = 0, exp_places = 0;
    bool in_frac = false, in_exp = false;
    std::string exp_sign;
    for (const Token& t : s.tokens) {
        if (t.kind == Token::point) in_frac = true;
        else if (t.kind == Token::exponent) {
            in_exp = true;
            exp_sign = t.text;
        } else if (t.kind == Token::digit) {
            if (in_exp) ++exp_places;
            else if (in_frac) ++frac_places;
            else ++whole_places;
        }
    }
    Decimal dec = decimal_of(value);
    if (!dec.digits.empty()) dec.point += s.scale;

    std::string whole, frac;
    int exponent = 0;
    if (in_exp && !dec.digits.empty()) {
        bool hash = false;
        for (const Token& t : s.tokens)
            if (t.kind == Token::digit && t.text == "#") hash = true;
        const int group = std::max(whole_places, 1);
        const auto attempt = [&](int x) { // x: the exponent of the leading digit
            // With # places the exponent is a multiple of their count
            // (##0.0E+0 is engineering notation); with 0 places the mantissa
            // fills them all.
            if (hash && group > 1) exponent = (x >= 0 ? x / group : -((-x + group - 1) / group)) * group;
            else exponent = x - (group - 1);
            Decimal m = dec;
            m.point -= exponent;
            round_fixed(m, frac_places, whole, frac);
            return x - exponent + 1; // whole digits the mantissa should have
        };
        const int x = dec.point - 1;
        // 9.995 in 0.00E+00 rounds to 10.00: the leading digit moved a place.
        const int expected = attempt(x);
        if (static_cast<int>(whole.size()) > expected) attempt(x + 1);
    } else {
        round_fixed(dec, frac_places, whole, frac);
    }

    // The whole part's digits go to its places from the right; the leftmost
    // place takes whatever digits are left over. The spaces that ? places
    // stand for only align a column, like _ padding: they print nothing.
    std::string out = minus ? "-" : "";
    int place = 0; // whole places seen so far
    int frac_index = 0;
    int exp_index = 0;
    in_frac = in_exp = false;
    const int len = static_cast<int>(whole.size());
    std::string exp_digits = std::to_string(exponent < 0 ? -exponent : exponent);
    const int exp_len = static_cast<int>(exp_digits.size());
    // Last fraction place that shows: trailing zeros under # and ? go.
    int last_frac = frac_places;
    {
        std::vector<char> kinds;
        bool f = false;
        for (const Token& t : s.tokens) {
            if (t.kind == Token::point) f = true;
            else if (t.kind == Token::exponent) f = false;
            else if (t.kind == Token::digit && f) kinds.push_back(t.text[0]);
        }
        while (last_frac > 0 && kinds[static_cast<std::size_t>(last_frac - 1)] != '0' &&
               frac[static_cast<std::size_t>(last_frac - 1)] == '0')
            --last_frac;
    }
    auto put_digit = [&](int pos_from_right, char digit) {
        out += digit;
        if (s.thousands && pos_from_right > 0 && pos_from_right % 3 == 0) out += ',';
    };
    for (const Token& t : s.tokens) {
        switch (t.kind) {
        case Token::literal:
            out += t.text;
            break;
        case Token::general_:
            out += general(value);
            break;
        case Token::point:
            // Without places before the point a whole part still shows.
            if (whole_places == 0)
                for (int k = len - 1; k >= 0; --k) put_digit(k, whole[static_cast<std::size_t>(len - 1 - k)]);
            in_frac = true;
            out += '.';
            break;
        case Token::exponent:
            in_frac = false;
            in_exp = true;
            out += 'E';
            if (exponent < 0) out += '-';
            else if (exp_sign == "+") out += '+';
            break;
        case Token::digit: {
            const char kind = t.text[0];
            if (in_exp) {
                const int from_right = exp_places - 1 - exp_index;
                if (exp_index == 0 && exp_len > exp_places) out += exp_digits.substr(0, static_cast<std::size_t>(exp_len - exp_places));
                if (from_right < exp_len) out += exp_digits[static_cast<std::size_t>(exp_len - 1 - from_right)];
                else if (kind == '0') out += '0';
                ++exp_index;
            } else if (in_frac) {
                if (frac_index < last_frac) out += frac[static_cast<std::size_t>(frac_index)];
                ++frac_index;
            } else {
                const int from_right = whole_places - 1 - place; // this place's digit position
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

} // namespace

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

std::string general_text(double value) { return general(value); }

std::string format_number(double value, const std::string& code, bool date1904) {
    if (code.empty() || (code.size() == 7 && starts_with_nocase(code, 0, "general"))) return general(value);
    if (!std::isfinite(value)) return "#NUM!";
    const std::vector<std::string_view> parts = split_sections(code);
    std::vector<Section> sections;
    for (std::size_t k = 0; k < parts.size() && k < 4; ++k) sections.push_back(parse_section(parts[k]));
    // The text section (a fourth one, or one holding @) is not for numbers.
    std::size_t numeric = sections.size();
    if (numeric == 4) numeric = 3;
    if (numeric > 1 && sections[numeric - 1].text_only) --numeric;
    if (numeric == 0) return general(value);

    const Section* chosen = &sections[0];
    bool minus = value < 0;
    if (sections[0].condition || (numeric > 1 && sections[1].condition)) {
        // Conditions pick the section; the second is the rest, or tested
        // itself, then the third is the rest.
        if (sections[0].condition && holds(sections[0], value)) chosen = &sections[0];
        else if (numeric > 1 && (!sections[1].condition || holds(sections[1], value))) chosen = &sections[1];
        else if (numeric > 2) chosen = &sections[2];
        else if (numeric > 1) chosen = &sections[1];
        // Only the first section shows a minus of its own.
        minus = value < 0 && chosen == &sections[0];
    } else if (value < 0 && numeric >= 2) {
        chosen = &sections[1];
        minus = false;
    } else if (value == 0 && numeric >= 3) {
        chosen = &sections[2];
    }
    const Section& s = *chosen;
    if (s.text_only && !s.is_date) {
        bool any_digit = false;
        for (const Token& t : s.tokens) any_digit = any_digit || t.kind == Token::digit;
        if (!any_digit) return general(value);
    }
    if (s.is_date) return format_date(value, s, date1904);
    bool any_digit = false, any_general = false;
    for (const Token& t : s.tokens) {
        any_digit = any_digit || t.kind == Token::digit;
        any_general = any_general || t.kind == Token::general_;
    }
    if (!any_digit && !any_general) {
        // Text alone ("-" for zero in an accounting format): no number shows.
        std::string out = minus ? "-" : "";
        for (const Token& t : s.tokens) out += t.text;
        return out;
    }
    if (any_general && !any_digit) {
        std::string out;
        for (const Token& t : s.tokens)
            out += t.kind == Token::general_ ? general(minus || value >= 0 ? value : -value) : t.text;
        return out;
    }
    // Fractions (# ?/?) are not drawn as fractions: General shows the value.
    for (const Token& t : s.tokens)
        if (t.kind == Token::literal && t.text.find('/') != std::string::npos) return general(value);
    return format_plain(value, s, minus);
}

// ---- A format code's text in GBK --------------------------------------------

} // namespace rt::sheet

#include "runtime/gbk.h"

namespace rt::sheet {

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
