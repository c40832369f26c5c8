#include "runtime/datetime.h"

namespace rt {
bool operator==(const DateTime&, const DateTime&) { return true; }
std::strong_ordering operator<=>(const DateTime&, const DateTime&) { return std::strong_ordering::equal; }
Date Today() { return {}; }
DateTime Now() { return clock().now(); }
Date ToDate(const DateTime&) { return {}; }
Time ToTime(const DateTime&) { return {}; }
DateTime ToDateTime(const Date&, const Time&) { return {}; }
bool IsDate(std::string_view) { return false; }
bool IsTime(std::string_view) { return false; }
Date ToDate(std::string_view) { return {}; }
Time ToTime(std::string_view) { return {}; }
DateTime ToDateTime(std::string_view) { return {}; }
std::string String(const Date&, std::string_view) { return {}; }
std::string String(const Time&, std::string_view) { return {}; }
std::string String(const DateTime&, std::string_view) { return {}; }
bool IsValidDate(int, int, int) { return false; }
} // namespace rt
