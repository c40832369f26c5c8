#include "runtime/cellvalue.h"

#include "runtime/strings.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace rt {

namespace {

bool whole_in_range(double v, double lo, double hi, std::int64_t& out) {
    if (!std::isfinite(v)) return false;
    const double t = std::trunc(v);
    if (t < lo || t > hi) return false;
    out = static_cast<std::int64_t>(t);
    return true;
}

bool coerce_number(ColType type, const Any& value, Any& stored) {
    if (!value.is_number()) return false;
    const double d = *value.number();
    std::int64_t whole = 0;
    switch (type) {
    case ColType::Number:
    case ColType::Double: stored = d; return std::isfinite(d);
    case ColType::Real: stored = static_cast<float>(d); return std::isfinite(d);
    case ColType::Decimal: {
        const ndecimal dec = value.to_decimal(); // null past 38 digits
        if (!dec) return false;
        stored = *dec;
        return true;
    }
    case ColType::Long:
        if (!whole_in_range(d, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(), whole))
            return false;
        stored = static_cast<std::int32_t>(whole);
        return true;
    case ColType::Int:
        if (!whole_in_range(d, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max(), whole))
            return false;
        stored = static_cast<std::int16_t>(whole);
        return true;
    case ColType::ULong:
        if (!whole_in_range(d, 0, std::numeric_limits<std::uint32_t>::max(), whole)) return false;
        stored = static_cast<std::uint32_t>(whole);
        return true;
    default: return false;
    }
}

// Spaces around, an optional sign and digits only.
bool whole_number_text(std::string_view s) {
    std::size_t i = 0, j = s.size();
    while (i < j && s[i] == ' ') ++i;
    while (j > i && s[j - 1] == ' ') --j;
    if (i < j && (s[i] == '+' || s[i] == '-')) ++i;
    if (i == j || j - i > 18) return false;
    for (; i < j; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool datetime_text(std::string_view s) {
    if (IsDate(s)) return true;
    const std::size_t sp = s.find(' ');
    if (sp == std::string_view::npos) return false;
    return IsDate(s.substr(0, sp)) && IsTime(trimmed(s.substr(sp + 1)));
}

} // namespace

bool coerce_cell(const ColumnDef& column, const Any& value, Any& stored) {
    if (value.is_null()) {
        stored = Any();
        return true;
    }
    switch (column.type) {
    case ColType::Char: {
        const std::string* s = value.get<std::string>();
        if (!s || (column.length > 0 && s->size() > static_cast<std::size_t>(column.length))) return false;
        stored = *s;
        return true;
    }
    case ColType::Date:
        if (!value.get<Date>()) return false;
        stored = value;
        return true;
    case ColType::DateTime:
        if (const Date* d = value.get<Date>()) {
            stored = ToDateTime(*d);
            return true;
        }
        if (!value.get<DateTime>()) return false;
        stored = value;
        return true;
    case ColType::Time:
        if (!value.get<Time>()) return false;
        stored = value;
        return true;
    default:
        return coerce_number(column.type, value, stored);
    }
}

bool parse_cell(const ColumnDef& column, std::string_view field, Any& stored) {
    if (field.empty()) {
        stored = Any();
        return true;
    }
    switch (column.type) {
    case ColType::Char:
        if (column.length > 0 && field.size() > static_cast<std::size_t>(column.length)) return false;
        stored = std::string(field);
        return true;
    case ColType::Number:
    case ColType::Double:
    case ColType::Real:
        if (!IsNumber(field)) return false;
        return coerce_number(column.type, Any(Double(field)), stored);
    case ColType::Decimal: {
        const ndecimal d = decimal::parse(field);
        if (!d) return false;
        stored = *d;
        return true;
    }
    case ColType::Long:
    case ColType::Int:
    case ColType::ULong:
        if (!whole_number_text(field)) return false;
        return coerce_number(column.type, Any(Double(field)), stored);
    case ColType::Date: {
        const std::string_view t = trimmed(field);
        if (!IsDate(t)) return false;
        stored = ToDate(t);
        return true;
    }
    case ColType::DateTime: {
        const std::string_view t = trimmed(field);
        if (!datetime_text(t)) return false;
        stored = ToDateTime(t);
        return true;
    }
    case ColType::Time: {
        const std::string_view t = trimmed(field);
        if (!IsTime(t)) return false;
        stored = ToTime(t);
        return true;
    }
    }
    return false;
}

void retrieved_cell(const ColumnDef& column, const Any& value, Any& stored) {
    bool ok = false;
    const std::string* s = value.get<std::string>();
    if (s && column.type != ColType::Char)
        ok = parse_cell(column, *s, stored);
    else if (!s && column.type == ColType::Char && !value.is_null())
        ok = coerce_cell(column, Any(String(value)), stored); // a number read into a text column
    else
        ok = coerce_cell(column, value, stored);
    if (!ok) stored = Any();
}

} // namespace rt
