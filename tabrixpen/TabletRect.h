#pragma once

#include <cstdint>

// A rectangle in desktop pixels, right and bottom exclusive.
struct TabletRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};
