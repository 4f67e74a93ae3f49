#pragma once

#include "InkRect.h"

#include <cstdint>
#include <vector>

// Where the live ink is shown: the caller's window.
class InkTarget {
public:
    virtual ~InkTarget() = default;
    // False once the window has gone away; drawing then stops silently.
    virtual bool isWindow() = 0;
    // Copies one region of a 0x00RRGGBB surface to the same place in the window; with a
    // colour key, pixels of that colour leave the window's own pixels alone.
    virtual void show(const uint32_t *pixels, int stride, const InkRect &region,
                      bool colourKeyed, uint32_t keyRgb) = 0;
    // The window's rectangle and the monitors' rectangles, all in screen coordinates; false
    // when the window is gone.
    virtual bool screenPlacement(InkRect &window, std::vector<InkRect> &monitors) = 0;
};
