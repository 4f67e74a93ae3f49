#pragma once

#include "InkTarget.h"

#include <cstdint>
#include <memory>
#include <vector>

typedef struct xcb_connection_t xcb_connection_t;

// The caller's X11 window, reached over a connection of our own: the "is it a window" test, its
// place on the screen and its monitors, and the copy of surface regions into it.
class X11InkWindow : public InkTarget {
public:
    // Null when there is no display or the id names no window.
    static std::unique_ptr<X11InkWindow> open(uint64_t window);
    ~X11InkWindow() override;
    X11InkWindow(const X11InkWindow &) = delete;
    X11InkWindow &operator=(const X11InkWindow &) = delete;

    bool isWindow() override;
    void show(const uint32_t *pixels, int stride, const InkRect &region, bool colourKeyed,
              uint32_t keyRgb) override;
    bool screenPlacement(InkRect &window, std::vector<InkRect> &monitors) override;

    // The window's rectangle in root coordinates; false when it is gone.
    bool screenRect(InkRect &rect);
    // The monitors' rectangles in root coordinates (the whole screen when the server lists none).
    std::vector<InkRect> monitors();
    // Waits until the server has handled every request sent so far.
    void sync();

private:
    X11InkWindow() = default;
    bool describe();
    std::vector<uint8_t> packPixels(const uint32_t *pixels, int stride, const InkRect &region,
                                    uint32_t &rowBytes) const;
    std::vector<uint8_t> packMask(const uint32_t *pixels, int stride, const InkRect &region,
                                  uint32_t keyRgb, uint32_t &rowBytes) const;
    void putImage(uint32_t drawable, uint32_t gc, uint8_t depth, const InkRect &region,
                  uint32_t rowBytes, const std::vector<uint8_t> &data);
    void dropEvents();

    xcb_connection_t *m_connection = nullptr;
    uint32_t m_window = 0;
    uint32_t m_root = 0;
    uint32_t m_gc = 0;
    uint8_t m_depth = 0;
    uint8_t m_bitsPerPixel = 0;
    uint8_t m_scanlinePad = 32;
    uint8_t m_bitmapPad = 32;
    bool m_msbFirst = false;
    bool m_bitmapMsbFirst = false;
    uint32_t m_redMask = 0, m_greenMask = 0, m_blueMask = 0;
    uint64_t m_maxRequestBytes = 0;
};
