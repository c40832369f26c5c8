// The one place where GBK text meets Unicode. Everything inside the program
// is GBK (code page 936); widgets, file names, the clipboard and URLs given to
// the browser are converted here and nowhere else.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// Bytes that do not form a GBK character become U+FFFD.
std::string gbk_to_utf8(std::string_view gbk);
// Characters that GBK cannot hold become "?".
std::string utf8_to_gbk(std::string_view utf8);

// Text that arrives in a Unicode encoding (a file that declares one): a
// character GBK cannot hold, and bytes that are no character of the
// encoding, become `unheld`, which the caller picks so that it can tell
// them from a "?" of the text itself. A byte-order mark is the caller's to
// remove; one left in the text is a character GBK cannot hold.
std::string utf8_to_gbk(std::string_view utf8, std::string_view unheld);
enum class ByteOrder { little, big };
std::string utf16_to_gbk(std::string_view utf16, ByteOrder order, std::string_view unheld);
// The same decoding of UTF-16 to UTF-8, for text that is looked at before it
// is made GBK: a unit that is no character (an unpaired surrogate) becomes
// `unheld`.
std::string utf16_to_utf8(std::string_view utf16, ByteOrder order, std::string_view unheld);

// File names: GB18030, which is byte for byte GBK for every GBK character
// and gives every other character a four-byte form, so a name on disk that
// GBK cannot hold still comes back to the same file.
std::string gb18030_to_utf8(std::string_view gb);
std::string utf8_to_gb18030(std::string_view utf8);

// A lead byte (0x81-0xFE) followed by a trail byte (0x40-0x7E, 0x80-0xFE)
// is one double-byte character.
inline bool is_lead_byte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
inline bool is_trail_byte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFE);
}
// Byte length of the character that starts at byte index i (1 or 2).
inline std::size_t char_len_at(std::string_view s, std::size_t i) {
    if (i + 1 < s.size() && is_lead_byte(static_cast<unsigned char>(s[i])) &&
        is_trail_byte(static_cast<unsigned char>(s[i + 1])))
        return 2;
    return 1;
}

} // namespace rt
