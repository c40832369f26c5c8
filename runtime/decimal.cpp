#include "runtime/decimal.h"

namespace rt {
decimal::decimal(std::int64_t whole) : mantissa_(whole) {}
decimal::decimal(__int128 m, int s) : mantissa_(m), scale_(s) {}
std::optional<decimal> decimal::parse(std::string_view) { return decimal(); }
decimal decimal::from_double(double) { return decimal(); }
double decimal::to_double() const { return 0; }
std::string decimal::to_string() const { return "0"; }
decimal decimal::operator-() const { return *this; }
decimal operator+(const decimal& a, const decimal&) { return a; }
decimal operator-(const decimal& a, const decimal&) { return a; }
decimal operator*(const decimal& a, const decimal&) { return a; }
decimal operator/(const decimal& a, const decimal&) { return a; }
bool operator==(const decimal&, const decimal&) { return true; }
std::strong_ordering operator<=>(const decimal&, const decimal&) { return std::strong_ordering::equal; }
void decimal::normalise() {}
} // namespace rt
