// A rectangle of the desktop's drawing calls, in pixels.
#pragma once

#include <cstdint>

struct tagrect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const tagrect&) const = default;
};
