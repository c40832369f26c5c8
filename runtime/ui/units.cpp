#include "runtime/ui/units.h"

#include <cmath>

namespace rt {

int units_to_px_x(int units) { return static_cast<int>(std::lround(units / units_per_px_x)); }
int units_to_px_y(int units) { return static_cast<int>(std::lround(units / units_per_px_y)); }
int px_to_units_x(int px) { return static_cast<int>(std::lround(px * units_per_px_x)); }
int px_to_units_y(int px) { return static_cast<int>(std::lround(px * units_per_px_y)); }

int scaled(long value, int per_thousand) {
    return static_cast<int>(std::lround(static_cast<double>(value) * per_thousand / 1000.0));
}

} // namespace rt
