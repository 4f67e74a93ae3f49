#pragma once

#include "InkTarget.h"

#include <cstddef>
#include <vector>

// A window kept in memory: it applies every copy to its own pixels, so tests can compare what
// the signer would see.
class FakeInkWindow : public InkTarget {
public:
    FakeInkWindow(int width, int height, uint32_t initialRgb = 0x123456)
        : width(width), height(height), pixels(std::size_t(width) * height, initialRgb)
    {
    }

    bool isWindow() override { return alive; }

    void show(const uint32_t *source, int stride, const InkRect &region, bool colourKeyed,
              uint32_t keyRgb) override
    {
        regions.push_back(region);
        for (int y = region.top; y < region.bottom; ++y) {
            for (int x = region.left; x < region.right; ++x) {
                const uint32_t rgb = source[std::size_t(y) * stride + x] & 0xFFFFFF;
                if (!colourKeyed || rgb != keyRgb)
                    pixels[std::size_t(y) * width + x] = rgb;
            }
        }
    }

    bool screenPlacement(InkRect &window, std::vector<InkRect> &monitorRects) override
    {
        if (!alive)
            return false;
        window = screenRect;
        monitorRects = monitors;
        return true;
    }

    uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }

    int width;
    int height;
    bool alive = true;
    std::vector<uint32_t> pixels;
    std::vector<InkRect> regions;
    InkRect screenRect{100, 50, 900, 530};
    std::vector<InkRect> monitors{{0, 0, 1920, 1080}};
};
