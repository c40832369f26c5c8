// Dates and times of the runtime. rt::DateTime (runtime/services.h) is what
// the clock answers; rt::Date and rt::Time are its two halves.
//
// Formats are the runtime's display masks: "yyyy" "yy" year, "mm" "m" month,
// "dd" "d" day, "hh" "h" hour (00-23), "mm" "m" right after an hour code
// minute, "ss" "s" second, "f" to "ffffff" fraction of the second; other
// bytes are copied. The system uses "yyyy-mm-dd", "yyyymmddhhmmss" and
// "yyyy-mm-dd hh:mm:ss.fff".
#pragma once

#include "runtime/services.h"
#include "runtime/value.h"

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace rt {

struct Date {
    int year = 1900, month = 1, day = 1;
    friend auto operator<=>(const Date&, const Date&) = default;
};

struct Time {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    friend auto operator<=>(const Time&, const Time&) = default;
};

using ndate = std::optional<Date>;
using ntime = std::optional<Time>;
using ndatetime = std::optional<DateTime>;

bool operator==(const DateTime& a, const DateTime& b);
std::strong_ordering operator<=>(const DateTime& a, const DateTime& b);

// The current date, and the current date and time, from rt::clock().
Date Today();
DateTime Now();

// Parts.
Date ToDate(const DateTime& dt);
Time ToTime(const DateTime& dt);
DateTime ToDateTime(const Date& d, const Time& t = {});

// Reading texts. A date is year, month and day joined by "-", "/" or ".",
// or the eight digits yyyymmdd; a time is hh:mm, hh:mm:ss or hh:mm:ss.f...
// (up to six fraction digits), optionally followed by " AM" or " PM"; a
// datetime is a date, optionally a space and a time. A text that is no valid
// date gives 1900-01-01, no valid time 00:00:00, as the runtime answers.
bool IsDate(std::string_view text);
bool IsTime(std::string_view text);
Date ToDate(std::string_view text);
Time ToTime(std::string_view text);
DateTime ToDateTime(std::string_view text);

// Formatting.
std::string String(const Date& d, std::string_view format = "yyyy-mm-dd");
std::string String(const Time& t, std::string_view format = "hh:mm:ss");
std::string String(const DateTime& dt, std::string_view format = "yyyy-mm-dd hh:mm:ss");

// True for a day of the Gregorian calendar from year 1 to 9999.
bool IsValidDate(int year, int month, int day);

} // namespace rt
