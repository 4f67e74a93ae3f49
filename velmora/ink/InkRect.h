#pragma once

#include <cstdint>

// Half-open rectangle in pixels: [left, right) x [top, bottom).
struct InkRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
};
