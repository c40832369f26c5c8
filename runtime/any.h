// The runtime's `any`: a value of one of the runtime's types, or null. Grids
// hand cells out and take them in as such values, so that callers can move
// values between stores without knowing the column types.
#pragma once

#include "runtime/datetime.h"
#include "runtime/decimal.h"
#include "runtime/value.h"

#include <cstdint>
#include <string>
#include <variant>

namespace rt {

class Any {
public:
    enum class Kind { Null, String, Boolean, Int, Long, ULong, Double, Real, Decimal, Date, Time, DateTime };

    Any() = default;
    Any(std::nullopt_t) {}
    Any(std::string v) : v_(std::move(v)) {}
    Any(const char* v) : v_(std::string(v)) {}
    Any(bool v) : v_(v) {}
    Any(std::int16_t v) : v_(v) {}
    Any(std::int32_t v) : v_(v) {}
    Any(std::uint32_t v) : v_(v) {}
    Any(double v) : v_(v) {}
    Any(float v) : v_(v) {}
    Any(const decimal& v) : v_(v) {}
    Any(const Date& v) : v_(v) {}
    Any(const Time& v) : v_(v) {}
    Any(const DateTime& v) : v_(v) {}
    // Nullable values: null stays null.
    template <class T>
    Any(const std::optional<T>& v) {
        if (v) *this = Any(*v);
    }

    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool is_null() const { return v_.index() == 0; }
    // A number of any of the numeric kinds.
    bool is_number() const;

    // The value when it is of that kind, otherwise nullptr.
    template <class T>
    const T* get() const { return std::get_if<T>(&v_); }

    // Numeric kinds as a double / a decimal; null for other kinds.
    ndouble number() const;
    ndecimal to_decimal() const;

    friend bool operator==(const Any& a, const Any& b) { return a.v_ == b.v_; }

private:
    // The order of the alternatives is the order of Kind.
    std::variant<std::monostate, std::string, bool, std::int16_t, std::int32_t, std::uint32_t, double, float,
                 decimal, Date, Time, DateTime>
        v_;
};

// String of a value: numbers in plain decimal, a date "yyyy-mm-dd", a time
// "hh:mm:ss", a datetime "yyyy-mm-dd hh:mm:ss"; null for null and for a
// boolean, which the runtime gives no text.
nstring String(const Any& v);

} // namespace rt
