// A size of the desktop's drawing calls, in pixels: arg1 the width, arg2 the height.
#pragma once

#include <cstdint>

struct lpsize {
    std::int32_t arg1 = 0;
    std::int32_t arg2 = 0;
};
