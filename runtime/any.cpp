#include "runtime/any.h"

#include "runtime/strings.h"

#include <cmath>
#include <cstdio>

namespace rt {

bool Any::is_number() const {
    switch (kind()) {
    case Kind::Int: case Kind::Long: case Kind::ULong: case Kind::Double: case Kind::Real: case Kind::Decimal:
        return true;
    default:
        return false;
    }
}

ndouble Any::number() const {
    switch (kind()) {
    case Kind::Int: return *get<std::int16_t>();
    case Kind::Long: return *get<std::int32_t>();
    case Kind::ULong: return *get<std::uint32_t>();
    case Kind::Double: return *get<double>();
    case Kind::Real: return *get<float>();
    case Kind::Decimal: return get<decimal>()->to_double();
    default: return null;
    }
}

ndecimal Any::to_decimal() const {
    switch (kind()) {
    case Kind::Int: return decimal(*get<std::int16_t>());
    case Kind::Long: return decimal(*get<std::int32_t>());
    case Kind::ULong: return decimal(static_cast<std::int64_t>(*get<std::uint32_t>()));
    case Kind::Double: {
        // A decimal holds 38 digits; a double past that (or not finite) has
        // no decimal value, which is null, never an exception.
        const double v = *get<double>();
        if (!std::isfinite(v) || std::fabs(v) >= 1e37) return null;
        return decimal::from_double(v);
    }
    case Kind::Real: return decimal::parse(*String(*this));
    case Kind::Decimal: return *get<decimal>();
    default: return null;
    }
}

// A real holds about seven significant digits; more would show the binary
// rounding (1.1 as 1.10000002384186).
static std::string real_text(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v));
    return String(Double(buf));
}

nstring String(const Any& v) {
    switch (v.kind()) {
    case Any::Kind::Null: return null;
    case Any::Kind::String: return *v.get<std::string>();
    case Any::Kind::Boolean: return null;
    case Any::Kind::Int: return String(*v.get<std::int16_t>());
    case Any::Kind::Long: return String(*v.get<std::int32_t>());
    case Any::Kind::ULong: return String(*v.get<std::uint32_t>());
    case Any::Kind::Double: return String(*v.get<double>());
    case Any::Kind::Real: return real_text(*v.get<float>());
    case Any::Kind::Decimal: return String(*v.get<decimal>());
    case Any::Kind::Date: return String(*v.get<Date>());
    case Any::Kind::Time: return String(*v.get<Time>());
    case Any::Kind::DateTime: return String(*v.get<DateTime>());
    }
    return null;
}

} // namespace rt
