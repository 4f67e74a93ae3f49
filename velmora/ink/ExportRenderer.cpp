#include "ExportRenderer.h"

#include <algorithm>

std::unique_ptr<ExportImage> ExportRenderer::render(const uint32_t *pixels, int stride,
                                                    int surfaceWidth, int surfaceHeight,
                                                    const ExportPlacement &placement,
                                                    uint32_t backgroundColorRef)
{
    if (!pixels)
        return nullptr;
    const uint32_t backgroundRgb = ((backgroundColorRef & 0xFF) << 16)
            | (backgroundColorRef & 0xFF00) | ((backgroundColorRef >> 16) & 0xFF);
    std::unique_ptr<ExportImage> image =
            ExportImage::create(placement.width, placement.height, backgroundRgb);
    if (!image)
        return nullptr;
    const InkRect &s = placement.source;
    const int left = std::max(s.left, 0);
    const int top = std::max(s.top, 0);
    const int right = std::min(s.right, surfaceWidth);
    const int bottom = std::min(s.bottom, surfaceHeight);
    for (int y = top; y < bottom; ++y) {
        const uint32_t *row = pixels + size_t(y) * stride;
        for (int x = left; x < right; ++x) {
            const uint32_t rgb = row[x] & 0xFFFFFF;
            if (rgb != backgroundRgb)
                image->setPixel(placement.left + (x - s.left), placement.top + (y - s.top),
                                0xFF000000u | rgb);
        }
    }
    return image;
}
