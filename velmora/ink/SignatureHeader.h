#pragma once

#include "InkRect.h"

#include <array>
#include <cstdint>
#include <vector>

// The 48-byte little-endian header in front of the recorded pen points.
class SignatureHeader {
public:
    static constexpr int kSize = 48;
    static constexpr uint16_t kPadRangeX = 10206;
    static constexpr uint16_t kPadRangeY = 7422;

    using Bytes = std::array<uint8_t, kSize>;

    // Everything but the magic stays zero when the window is gone.
    static Bytes windowGone();
    // `window` in screen coordinates; the drawing area's place is given relative to the monitor
    // that holds most of the window.
    static Bytes build(const InkRect &window, const std::vector<InkRect> &monitors,
                       int32_t surfaceWidth, int32_t surfaceHeight, int32_t originX,
                       int32_t originY);
};
