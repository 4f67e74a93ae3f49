#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// The picture handed out: straight (not premultiplied) 0xAARRGGBB pixels, rows top down.
class ExportImage {
public:
    static constexpr int64_t kMaxSide = 32767;
    static constexpr int64_t kMaxPixels = int64_t(1) << 26;

    // Null for a size <= 0, beyond the limits, or when the memory cannot be had.
    static std::unique_ptr<ExportImage> create(int64_t width, int64_t height, uint32_t fill);

    int width() const { return m_width; }
    int height() const { return m_height; }
    uint32_t pixel(int x, int y) const { return m_pixels[size_t(y) * m_width + x]; }
    // Writes outside the picture are dropped.
    void setPixel(int64_t x, int64_t y, uint32_t argb);
    const uint32_t *row(int y) const { return m_pixels.data() + size_t(y) * m_width; }
    // Row y as R, G, B and, withAlpha, A bytes per pixel, into width() * 3 or 4 bytes at out.
    void rowBytes(int y, uint8_t *out, bool withAlpha) const;

private:
    ExportImage(int width, int height, std::vector<uint32_t> &&pixels);

    int m_width;
    int m_height;
    std::vector<uint32_t> m_pixels;
};
