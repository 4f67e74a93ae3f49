#include "ExportImage.h"

#include <new>

std::unique_ptr<ExportImage> ExportImage::create(int64_t width, int64_t height, uint32_t fill)
{
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide
        || width * height > kMaxPixels)
        return nullptr;
    try {
        std::vector<uint32_t> pixels(size_t(width * height), fill);
        return std::unique_ptr<ExportImage>(
                new ExportImage(int(width), int(height), std::move(pixels)));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

ExportImage::ExportImage(int width, int height, std::vector<uint32_t> &&pixels)
    : m_width(width), m_height(height), m_pixels(std::move(pixels))
{
}

void ExportImage::setPixel(int64_t x, int64_t y, uint32_t argb)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    m_pixels[size_t(y) * m_width + size_t(x)] = argb;
}

void ExportImage::rowBytes(int y, uint8_t *out, bool withAlpha) const
{
    const uint32_t *src = row(y);
    for (int x = 0; x < m_width; ++x) {
        *out++ = uint8_t(src[x] >> 16);
        *out++ = uint8_t(src[x] >> 8);
        *out++ = uint8_t(src[x]);
        if (withAlpha)
            *out++ = uint8_t(src[x] >> 24);
    }
}
