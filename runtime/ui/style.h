// Fonts and colours as windows are designed with them: face names of the
// original desktop at point sizes, and the runtime's colour codes.
#pragma once

#include <QColor>
#include <QFont>

#include <cstdint>
#include <string>

namespace rt {

struct Font {
    std::string face = "MS Sans Serif"; // GBK face name as designed
    int points = 8;
    int weight = 400;                   // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    int charset = 0;                    // 0 ANSI, 134 GB2312
};

// The installed face that stands in for a designed one ("MS Sans Serif",
// "Arial", "宋体", ...) at the same point size.
QFont qfont(const Font& f);

// Colour codes: a code below 2^24 is an RGB value (red + green*256 +
// blue*65536); the system colours the designs use (window text 33554432,
// button face 67108864, window background 1073741824/1090519039, the
// application workspace 268435456, ...) map to the palette's colours.
QColor qcolor(std::int64_t code);
// RGB code of r, g, b as the runtime's RGB() gives it.
constexpr std::int64_t RGB(int r, int g, int b) { return r + g * 256 + b * 65536; }

namespace colours {
inline constexpr std::int64_t window_text = 33554432;
inline constexpr std::int64_t button_face = 67108864;
inline constexpr std::int64_t app_workspace = 268435456;
inline constexpr std::int64_t window_background = 1073741824;
inline constexpr std::int64_t transparent = 553648127;
} // namespace colours

} // namespace rt
