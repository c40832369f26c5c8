#include "core/f_formvalue.h"

#include <cstring>

std::string f_formvalue(const std::string& value) {
    // A request's numbers run to some 48 KB and seldom hold any of the three
    // bytes: such a value is copied whole, and otherwise the runs between
    // them are.
    if (!std::memchr(value.data(), '%', value.size()) && !std::memchr(value.data(), '&', value.size()) &&
        !std::memchr(value.data(), '+', value.size()))
        return value;
    std::string out;
    out.reserve(value.size() + 16);
    std::size_t from = 0;
    for (std::size_t at = 0; at < value.size(); ++at) {
        const char c = value[at];
        if (c != '%' && c != '&' && c != '+') continue;
        out.append(value, from, at - from);
        out += c == '%' ? "%25" : c == '&' ? "%26" : "%2B";
        from = at + 1;
    }
    out.append(value, from, std::string::npos);
    return out;
}
