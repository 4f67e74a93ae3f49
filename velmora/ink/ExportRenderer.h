#pragma once

#include "ExportImage.h"
#include "ExportLayout.h"

#include <cstdint>
#include <memory>

// Lifts the ink off the surface into a picture: background pixels become transparent
// background, every other pixel is copied opaque.
class ExportRenderer {
public:
    // Null when the placement's size is no size for a picture.
    static std::unique_ptr<ExportImage> render(const uint32_t *pixels, int stride,
                                               int surfaceWidth, int surfaceHeight,
                                               const ExportPlacement &placement,
                                               uint32_t backgroundColorRef);
};
