#include "runtime/datetime.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <tuple>

namespace rt {
namespace {

using size_type = std::string_view::size_type;

std::string_view trim_spaces(std::string_view s) {
    size_type b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// Up to max_digits decimal digits from i; null when none stands there.
std::optional<int> read_number(std::string_view s, size_type& i, size_type max_digits, size_type* count = nullptr) {
    size_type start = i;
    int v = 0;
    while (i < s.size() && i - start < max_digits && std::isdigit(static_cast<unsigned char>(s[i])))
        v = v * 10 + (s[i++] - '0');
    if (count) *count = i - start;
    if (i == start) return std::nullopt;
    return v;
}

std::optional<Date> parse_date(std::string_view s) {
    s = trim_spaces(s);
    size_type i = 0;
    std::optional<int> y, m, d;
    if (s.size() == 8 && s.find_first_not_of("0123456789") == std::string_view::npos) {
        y = read_number(s, i, 4);
        m = read_number(s, i, 2);
        d = read_number(s, i, 2);
    } else {
        size_type n = 0;
        y = read_number(s, i, 4, &n);
        if (!y || n != 4 || i >= s.size()) return std::nullopt;
        char sep = s[i];
        if (sep != '-' && sep != '/' && sep != '.') return std::nullopt;
        ++i;
        m = read_number(s, i, 2);
        if (!m || i >= s.size() || s[i] != sep) return std::nullopt;
        ++i;
        d = read_number(s, i, 2);
    }
    if (!y || !m || !d || i != s.size() || !IsValidDate(*y, *m, *d)) return std::nullopt;
    return Date{*y, *m, *d};
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_type k = 0; k < a.size(); ++k)
        if (std::toupper(static_cast<unsigned char>(a[k])) != std::toupper(static_cast<unsigned char>(b[k])))
            return false;
    return true;
}

std::optional<Time> parse_time(std::string_view s) {
    s = trim_spaces(s);
    int meridiem = 0; // 1 AM, 2 PM
    if (s.size() > 2) {
        std::string_view tail = s.substr(s.size() - 2);
        if (equals_ignoring_case(tail, "AM")) meridiem = 1;
        if (equals_ignoring_case(tail, "PM")) meridiem = 2;
        if (meridiem) s = trim_spaces(s.substr(0, s.size() - 2));
    }
    size_type i = 0;
    std::optional<int> h = read_number(s, i, 2);
    if (!h || i >= s.size() || s[i] != ':') return std::nullopt;
    ++i;
    std::optional<int> m = read_number(s, i, 2);
    int sec = 0, ms = 0;
    if (!m) return std::nullopt;
    if (i < s.size() && s[i] == ':') {
        ++i;
        std::optional<int> sv = read_number(s, i, 2);
        if (!sv) return std::nullopt;
        sec = *sv;
        if (i < s.size() && s[i] == '.') {
            ++i;
            size_type n = 0;
            std::optional<int> f = read_number(s, i, 6, &n);
            if (!f) return std::nullopt;
            int micro = *f;
            for (size_type k = n; k < 6; ++k) micro *= 10;
            ms = micro / 1000;
        }
    }
    if (i != s.size()) return std::nullopt;
    int hour = *h;
    if (meridiem) {
        if (hour < 1 || hour > 12) return std::nullopt;
        if (meridiem == 1 && hour == 12) hour = 0;
        if (meridiem == 2 && hour < 12) hour += 12;
    }
    if (hour > 23 || *m > 59 || sec > 59) return std::nullopt;
    return Time{hour, *m, sec, ms};
}

// printf's "%0*d", without printf: every log entry and every request
// formats the clock.
std::string pad(int v, int width) {
    if (v < 0) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%0*d", width, v);
        return buf;
    }
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0);
    std::string out(static_cast<std::size_t>(std::max(width, n)), '0');
    for (int i = 0; i < n; ++i) out[out.size() - 1 - static_cast<std::size_t>(i)] = digits[i];
    return out;
}

// The one formatter behind the three String forms; a date alone formats its
// time codes as 00, a time alone its date codes as 1900-01-01.
std::string format(const DateTime& dt, std::string_view f) {
    std::string out;
    char previous = 0; // the last code letter written ('h' makes "mm" minutes)
    for (size_type i = 0; i < f.size();) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f[i])));
        size_type n = 1;
        while (i + n < f.size() && std::tolower(static_cast<unsigned char>(f[i + n])) == c) ++n;
        bool code = true;
        switch (c) {
        case 'y': out += n >= 4 ? pad(dt.year, 4) : pad(dt.year % 100, 2); break;
        case 'm': {
            size_type next = f.find_first_not_of(" :.", i + n);
            bool minute = previous == 'h' ||
                          (next != std::string_view::npos && std::tolower(static_cast<unsigned char>(f[next])) == 's');
            out += pad(minute ? dt.minute : dt.month, n >= 2 ? 2 : 1);
            break;
        }
        case 'd': out += pad(dt.day, n >= 2 ? 2 : 1); break;
        case 'h': out += pad(dt.hour, n >= 2 ? 2 : 1); break;
        case 's': out += pad(dt.second, n >= 2 ? 2 : 1); break;
        case 'f': {
            std::string micro = pad(dt.millisecond * 1000, 6);
            out += micro.substr(0, n > 6 ? 6 : n);
            break;
        }
        default:
            code = false;
            out.append(f.substr(i, n));
        }
        if (code) previous = c;
        i += n;
    }
    return out;
}

} // namespace

bool operator==(const DateTime& a, const DateTime& b) { return (a <=> b) == 0; }

std::strong_ordering operator<=>(const DateTime& a, const DateTime& b) {
    return std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second, a.millisecond) <=>
           std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second, b.millisecond);
}

Date Today() { return ToDate(clock().now()); }
DateTime Now() { return clock().now(); }

Date ToDate(const DateTime& dt) { return {dt.year, dt.month, dt.day}; }
Time ToTime(const DateTime& dt) { return {dt.hour, dt.minute, dt.second, dt.millisecond}; }
DateTime ToDateTime(const Date& d, const Time& t) {
    return {d.year, d.month, d.day, t.hour, t.minute, t.second, t.millisecond};
}

bool IsValidDate(int year, int month, int day) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool IsDate(std::string_view text) { return parse_date(text).has_value(); }
bool IsTime(std::string_view text) { return parse_time(text).has_value(); }
Date ToDate(std::string_view text) { return parse_date(text).value_or(Date{}); }
Time ToTime(std::string_view text) { return parse_time(text).value_or(Time{}); }

DateTime ToDateTime(std::string_view text) {
    text = trim_spaces(text);
    size_type space = text.find(' ');
    std::optional<Date> d = parse_date(text.substr(0, space));
    if (!d) return {};
    if (space == std::string_view::npos) return ToDateTime(*d);
    std::optional<Time> t = parse_time(text.substr(space + 1));
    if (!t) return {};
    return ToDateTime(*d, *t);
}

std::string String(const Date& d, std::string_view f) { return format(ToDateTime(d), f); }
std::string String(const Time& t, std::string_view f) { return format(ToDateTime(Date{}, t), f); }
std::string String(const DateTime& dt, std::string_view f) { return format(dt, f); }

} // namespace rt
