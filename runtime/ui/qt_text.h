// GBK text at the widget edge. Every text that a widget shows or gives back
// passes through these two functions, which use the project's one converter.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace rt {

// GBK bytes to a QString.
QString qstr(std::string_view gbk);
// A QString to GBK bytes; characters outside GBK become "?".
std::string gbk(const QString& text);
// True when GBK holds every character of `text`.
bool gbk_holds(const QString& text);

// Number of characters in a GBK text (a double-byte character counts 1).
std::size_t char_count(std::string_view gbk);
// Byte index in `gbk` where the character with the 0-based index `chars` starts
// (the text's length when it has fewer characters).
std::size_t byte_of_char(std::string_view gbk, std::size_t chars);
// Number of whole characters in the first `bytes` bytes of `gbk` (a byte
// position inside a double-byte character counts that character).
std::size_t chars_in_bytes(std::string_view gbk, std::size_t bytes);

} // namespace rt
