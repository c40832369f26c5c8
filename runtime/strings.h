// The runtime's string built-ins, under their original names (rt::Len,
// rt::Mid, rt::Pos ...), so that program code reads like the system.
//
// A text is GBK bytes. Lengths, positions and pieces count bytes; the first
// byte is position 1. Three rules keep GBK text whole:
//   - Pos and LastPos never report a match that begins on the trail byte of
//     a double-byte character ("乕A]" is 81 5B 41 5D and holds no "[A]");
//   - Upper and Lower fold only ASCII letters that are not trail bytes, so a
//     folded text is exactly as long as the original, byte for byte aligned;
//   - Pos(s, "") is 0, so every search loop ends.
// Trim removes the space (byte 32) only; tabs and line breaks stay.
//
// The plain forms take std::string_view and cannot meet a null. Where a
// caller holds an rt::nstring, the nullable forms below answer null for a
// null text, as the original runtime does.
#pragma once

#include "runtime/decimal.h"
#include "runtime/value.h"

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace rt {

// ---- lengths and pieces (bytes) -------------------------------------------
std::int32_t Len(std::string_view s);
// n bytes from the left / right; n <= 0 gives "", n past the end the whole text.
std::string Left(std::string_view s, std::int32_t n);
std::string Right(std::string_view s, std::int32_t n);
// From byte `start` to the end, or `length` bytes from there. A start below 1
// or past the end, or a length below 1, gives "".
std::string Mid(std::string_view s, std::int32_t start);
std::string Mid(std::string_view s, std::int32_t start, std::int32_t length);

// ---- searching (bytes, case counts) ----------------------------------------
// First occurrence of target that begins at or after `start`; 0 when there is
// none, when target is empty, or when start is below 1 or past the end.
std::int32_t Pos(std::string_view s, std::string_view target, std::int32_t start = 1);
// Last occurrence that begins at or before `start` (0: the last byte; past
// the end counts as the last byte); 0 when none, target empty, start < 0.
std::int32_t LastPos(std::string_view s, std::string_view target, std::int32_t start = 0);

// Successive searches of one target in one text, each answering what Pos
// answers. While the starts do not go back, the text is walked only once,
// which keeps replace-all and split loops linear on long texts. The text
// and the target must outlive the scanner.
class PosScanner {
public:
    PosScanner(std::string_view s, std::string_view target);
    std::int32_t next(std::int32_t start);

private:
    std::string_view s_, target_;
    bool check_;                 // the target's first byte could be a trail byte
    std::size_t boundary_ = 0;   // a character start at or before every later match
    std::size_t last_from_ = 0;
};

// ---- changing ---------------------------------------------------------------
// Characters in reverse order; a double-byte character stays whole.
std::string Reverse(std::string_view s);
// Replaces n bytes from `start` by `replacement`. A start past the end
// appends; a start below 1 or an n below 0 leaves the text as it was.
std::string Replace(std::string_view s, std::int32_t start, std::int32_t n, std::string_view replacement);
std::string Trim(std::string_view s);
// Whether Trim would leave nothing: empty or spaces only.
bool IsBlank(std::string_view s);
std::string LeftTrim(std::string_view s);
std::string RightTrim(std::string_view s);
std::string Upper(std::string_view s);
std::string Lower(std::string_view s);
// The first letter of every word in upper case, the other letters in lower
// case. A word starts at an ASCII letter that follows anything but an ASCII
// letter or digit; double-byte characters are left alone.
std::string WordCap(std::string_view s);
// `chars` repeated and cut to n bytes; "" for n <= 0 or empty chars.
std::string Fill(std::string_view chars, std::int32_t n);
std::string Space(std::int32_t n);
// The value 0-255 of the first byte; 0 for the empty text.
std::int32_t Asc(std::string_view s);
// The byte of the low 8 bits of code; "" when that byte is 0 (a text holds
// no NUL).
std::string Char(std::int32_t code);

// The runtime's pattern match, on bytes: "^" and "$" anchor, "." any byte,
// "[...]" a set with ranges ("a-z") and "[^...]" its complement, "*", "+" and
// "?" repeat the item before, "\" makes the next byte literal (inside a set
// too, so "\0-9" is the range 0 to 9). Without "^" the pattern may match
// anywhere. A malformed pattern (an unclosed set) matches nothing.
bool Match(std::string_view s, std::string_view pattern);

// ---- numbers ----------------------------------------------------------------
// The number test: spaces around, an optional sign, digits with at most one
// ".", an optional exponent ("1e5"); at least one digit. "" and "1 2" fail.
bool IsNumber(std::string_view s);
// Long and Integer read a whole number: spaces, sign, digits, stopping at the
// first other byte ("12.7" gives 12, "12ab" 12); 0 when no digit starts the
// text or the value does not fit.
std::int32_t Long(std::string_view s);
std::int16_t Integer(std::string_view s);
// Double, Real and Dec read the longest number at the start of the text
// (after spaces); 0 when there is none.
double Double(std::string_view s);
float Real(std::string_view s);
decimal Dec(std::string_view s);

std::string String(double v); // at most 15 significant digits: "1.5", "100", "-0.25"
template <std::integral T>
std::string String(T v) { return std::to_string(v); }
std::string String(bool) = delete; // the runtime has no text of a boolean
std::string String(const decimal& v);
// A number mask: "0" a digit always shown, "#" a digit shown when needed, one
// "." for the decimal point, any "," to group thousands; other bytes are
// copied. "0.00" gives "3.50"; "#,##0" gives "1,234". Rounded half away from 0.
std::string String(double v, std::string_view format);

// ---- characters (GBK) -------------------------------------------------------
// A lead byte 0x81-0xFE followed by 0x40-0x7E or 0x80-0xFE is one character;
// every other byte is one character of its own.
std::int32_t CharCount(std::string_view s);
// Byte position (1-based) at which character number char_pos (1-based)
// begins; Len(s) + 1 when char_pos is past the last character; 0 below 1.
std::int32_t CharToByte(std::string_view s, std::int32_t char_pos);
// Character number at the byte position (1-based); a trail byte belongs to
// the character of its lead byte.
std::int32_t ByteToChar(std::string_view s, std::int32_t byte_pos);
// Character-counting Left and Mid: never split a double-byte character.
std::string LeftChars(std::string_view s, std::int32_t n);
std::string MidChars(std::string_view s, std::int32_t start);
std::string MidChars(std::string_view s, std::int32_t start, std::int32_t length);
// True when byte position pos (1-based) is the second byte of a character.
bool IsTrailAt(std::string_view s, std::int32_t pos);

// Walks a text character by character; the text must outlive the walk (a
// temporary string handed to it dies before the loop runs):
//   for (std::string_view ch : rt::GbkChars(text)) ...
class GbkChars {
public:
    explicit GbkChars(std::string_view s) : s_(s) {}
    class iterator {
    public:
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        iterator() = default;
        iterator(std::string_view s, std::size_t i) : s_(s), i_(i) {}
        std::string_view operator*() const;
        iterator& operator++();
        iterator operator++(int) { iterator t = *this; ++*this; return t; }
        bool operator==(const iterator& o) const { return i_ == o.i_; }
        std::size_t byte_index() const { return i_; } // 0-based
    private:
        std::string_view s_;
        std::size_t i_ = 0;
    };
    iterator begin() const { return {s_, 0}; }
    iterator end() const { return {s_, s_.size()}; }

private:
    std::string_view s_;
};

// ---- nullable forms: a null text gives null ---------------------------------
template <class S>
concept NullableText = std::same_as<std::remove_cvref_t<S>, nstring>;

template <NullableText S> nlong Len(const S& s) { return s ? nlong(Len(*s)) : null; }
template <NullableText S> nstring Left(const S& s, std::int32_t n) { return s ? nstring(Left(*s, n)) : null; }
template <NullableText S> nstring Right(const S& s, std::int32_t n) { return s ? nstring(Right(*s, n)) : null; }
template <NullableText S> nstring Mid(const S& s, std::int32_t start) { return s ? nstring(Mid(*s, start)) : null; }
template <NullableText S> nstring Mid(const S& s, std::int32_t start, std::int32_t length) {
    return s ? nstring(Mid(*s, start, length)) : null;
}
template <NullableText S> nlong Pos(const S& s, const nstring& target, std::int32_t start = 1) {
    return s && target ? nlong(Pos(*s, *target, start)) : null;
}
template <NullableText S> nstring Trim(const S& s) { return s ? nstring(Trim(*s)) : null; }
template <NullableText S> nstring LeftTrim(const S& s) { return s ? nstring(LeftTrim(*s)) : null; }
template <NullableText S> nstring RightTrim(const S& s) { return s ? nstring(RightTrim(*s)) : null; }
template <NullableText S> nstring Upper(const S& s) { return s ? nstring(Upper(*s)) : null; }
template <NullableText S> nstring Lower(const S& s) { return s ? nstring(Lower(*s)) : null; }
template <NullableText S> nbool IsNumber(const S& s) { return s ? nbool(IsNumber(*s)) : null; }
template <NullableText S> nlong Long(const S& s) { return s ? nlong(Long(*s)) : null; }
template <NullableText S> nint Integer(const S& s) { return s ? nint(Integer(*s)) : null; }
template <NullableText S> ndouble Double(const S& s) { return s ? ndouble(Double(*s)) : null; }
template <NullableText S> ndecimal Dec(const S& s) { return s ? ndecimal(Dec(*s)) : null; }

// A null number gives a null text.
inline nstring String(const nlong& v) { return v ? nstring(String(*v)) : null; }
inline nstring String(const ndouble& v) { return v ? nstring(String(*v)) : null; }

} // namespace rt
