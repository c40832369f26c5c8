// Layout units. Windows and controls are designed, placed, sized and report
// mouse positions in layout units; only the widgets see pixels. One fixed
// conversion serves the whole program: 4.5 units a pixel across and 4 units
// a pixel down, as a desktop at 96 dpi gives them.
#pragma once

namespace rt {

inline constexpr double units_per_px_x = 4.5;
inline constexpr double units_per_px_y = 4.0;

// Rounded to the nearest pixel or unit.
int units_to_px_x(int units);
int units_to_px_y(int units);
int px_to_units_x(int px);
int px_to_units_y(int px);

// The command bar measures in twips: 15 to a pixel at 96 dpi.
inline constexpr long twips_per_px = 15;

// value * per_thousand / 1000 to the nearest whole unit: the frame's fitting
// rules turn the command bar's twips into layout units with such factors.
int scaled(long value, int per_thousand);

// A rectangle in layout units: position in the parent's work space and size.
struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

} // namespace rt
