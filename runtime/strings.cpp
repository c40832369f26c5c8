#include "runtime/strings.h"

namespace rt {
std::int32_t Len(std::string_view s) { return static_cast<std::int32_t>(s.size()); }
std::string Left(std::string_view, std::int32_t) { return {}; }
std::string Right(std::string_view, std::int32_t) { return {}; }
std::string Mid(std::string_view, std::int32_t) { return {}; }
std::string Mid(std::string_view, std::int32_t, std::int32_t) { return {}; }
std::int32_t Pos(std::string_view, std::string_view, std::int32_t) { return 0; }
std::int32_t LastPos(std::string_view, std::string_view, std::int32_t) { return 0; }
std::string Reverse(std::string_view s) { return std::string(s); }
std::string Replace(std::string_view s, std::int32_t, std::int32_t, std::string_view) { return std::string(s); }
std::string Trim(std::string_view s) { return std::string(s); }
std::string LeftTrim(std::string_view s) { return std::string(s); }
std::string RightTrim(std::string_view s) { return std::string(s); }
std::string Upper(std::string_view s) { return std::string(s); }
std::string Lower(std::string_view s) { return std::string(s); }
std::string WordCap(std::string_view s) { return std::string(s); }
std::string Fill(std::string_view, std::int32_t) { return {}; }
std::string Space(std::int32_t) { return {}; }
std::int32_t Asc(std::string_view) { return 0; }
std::string Char(std::int32_t) { return {}; }
bool Match(std::string_view, std::string_view) { return false; }
bool IsNumber(std::string_view) { return false; }
std::int32_t Long(std::string_view) { return 0; }
std::int16_t Integer(std::string_view) { return 0; }
double Double(std::string_view) { return 0; }
float Real(std::string_view) { return 0; }
decimal Dec(std::string_view) { return {}; }
std::string String(double) { return {}; }
std::string String(const decimal&) { return {}; }
std::string String(double, std::string_view) { return {}; }
std::int32_t CharCount(std::string_view) { return 0; }
std::int32_t CharToByte(std::string_view, std::int32_t) { return 0; }
std::int32_t ByteToChar(std::string_view, std::int32_t) { return 0; }
std::string LeftChars(std::string_view, std::int32_t) { return {}; }
std::string MidChars(std::string_view, std::int32_t) { return {}; }
std::string MidChars(std::string_view, std::int32_t, std::int32_t) { return {}; }
bool IsTrailAt(std::string_view, std::int32_t) { return false; }
std::string_view GbkChars::iterator::operator*() const { return s_.substr(i_, 1); }
GbkChars::iterator& GbkChars::iterator::operator++() { ++i_; return *this; }
} // namespace rt
