#pragma once

#include "InkRect.h"

#include <cstdint>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

class InkTarget;

// Pen and background of the live ink; colours are COLORREF (0x00BBGGRR).
struct InkStyle {
    int32_t penWidth = 32;
    uint32_t penColor = 0x000000;
    uint32_t backgroundColor = 0xEBEBEB;
    bool transparent = false;
};

// The off-screen raster of the drawing area (0x00RRGGBB pixels), the ink drawn on it from pen
// samples, the bounding box of that ink, and the copy of what changed into the caller's window.
class InkSurface {
public:
    InkSurface() = default;
    ~InkSurface();
    InkSurface(const InkSurface &) = delete;
    InkSurface &operator=(const InkSurface &) = delete;

    // False for a size <= 0 or when the raster cannot be had; nothing is kept then.
    bool allocate(int width, int height, const InkStyle &style, InkTarget *target);
    void release();
    bool isAllocated() const { return m_surface != nullptr; }

    void fillBackground();
    void showAll();

    void addPenPoint(int pressure, int x, int y);
    // 0 drawn or nothing to draw, -1 window gone, -10 a negative coordinate.
    int drawStrokeSegment(int pressure, int x1, int y1, int x2, int y2);

    // Forgets the ink box and the stroke; the pixels stay.
    void resetInk();
    // Ink is a box with something drawn in it: a touch without a stroke leaves no mark.
    bool hasInk() const { return m_drawn && m_minX != -1 && m_maxX != -1 && m_minY != -1 && m_maxY != -1; }
    // The ink box grown by 4 px and clipped to the surface; false without ink.
    bool inkBounds(InkRect &bounds) const;
    int32_t minX() const { return m_minX; }
    int32_t maxX() const { return m_maxX; }
    int32_t minY() const { return m_minY; }
    int32_t maxY() const { return m_maxY; }

    // Changes with every change of the pixels or the ink box, so a picture can tell it is stale.
    uint64_t revision() const { return m_revision; }

    int width() const { return m_width; }
    int height() const { return m_height; }
    // Row stride in pixels.
    int stride() const { return m_stride; }
    const uint32_t *pixels() const;

private:
    void extendInkBox(int x, int y);
    void strokeLine(double width, bool antialias, int x1, int y1, int x2, int y2);
    void show(const InkRect &region);

    cairo_surface_t *m_surface = nullptr;
    cairo_t *m_cairo = nullptr;
    InkTarget *m_target = nullptr;
    InkStyle m_style;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;

    int32_t m_minX = -1, m_maxX = -1, m_minY = -1, m_maxY = -1;
    bool m_drawn = false;
    bool m_strokeStarted = false;
    int m_prevX = 0, m_prevY = 0;
    int m_prevPressure = 0;
    uint64_t m_revision = 0;
};
