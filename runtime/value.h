// Values of the runtime. A text is GBK bytes in a std::string; a value that
// may be null says so in its type. Null is neither "" nor 0 nor false.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rt {

// Raw bytes (files, HTTP bodies, zip entries). Same storage as a text, but
// the name tells the reader that no character rules apply.
using blob = std::string;

using nstring = std::optional<std::string>;
using nint = std::optional<std::int16_t>;  // 16-bit "integer"
using nlong = std::optional<std::int32_t>; // 32-bit "long"
using ndouble = std::optional<double>;
using nbool = std::optional<bool>;

inline constexpr std::nullopt_t null = std::nullopt;

// A null-aware view used where the runtime treats null text as empty.
inline const std::string& or_empty(const nstring& s) {
    static const std::string empty;
    return s ? *s : empty;
}

} // namespace rt
