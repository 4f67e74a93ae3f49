#include "InkSurface.h"

#include "InkTarget.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kInkMargin = 4;

void setColorRef(cairo_t *cr, uint32_t colorRef)
{
    cairo_set_source_rgb(cr, (colorRef & 0xFF) / 255.0, ((colorRef >> 8) & 0xFF) / 255.0,
                         ((colorRef >> 16) & 0xFF) / 255.0);
}

} // namespace

InkSurface::~InkSurface()
{
    release();
}

bool InkSurface::allocate(int width, int height, const InkStyle &style, InkTarget *target)
{
    release();
    if (width <= 0 || height <= 0)
        return false;
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_t *cr = cairo_create(surface);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        return false;
    }
    m_surface = surface;
    m_cairo = cr;
    m_target = target;
    m_style = style;
    m_width = width;
    m_height = height;
    m_stride = cairo_image_surface_get_stride(surface) / 4;
    resetInk();
    return true;
}

void InkSurface::release()
{
    if (m_cairo)
        cairo_destroy(m_cairo);
    if (m_surface)
        cairo_surface_destroy(m_surface);
    m_cairo = nullptr;
    m_surface = nullptr;
    m_target = nullptr;
    m_width = m_height = m_stride = 0;
    ++m_revision;
}

const uint32_t *InkSurface::pixels() const
{
    if (!m_surface)
        return nullptr;
    cairo_surface_flush(m_surface);
    return reinterpret_cast<const uint32_t *>(cairo_image_surface_get_data(m_surface));
}

void InkSurface::fillBackground()
{
    if (!m_cairo)
        return;
    cairo_save(m_cairo);
    cairo_set_operator(m_cairo, CAIRO_OPERATOR_SOURCE);
    setColorRef(m_cairo, m_style.backgroundColor);
    cairo_paint(m_cairo);
    cairo_restore(m_cairo);
    ++m_revision;
}

void InkSurface::showAll()
{
    show({0, 0, m_width, m_height});
}

void InkSurface::show(const InkRect &region)
{
    if (!m_surface || !m_target || region.isEmpty())
        return;
    const uint32_t rgbKey = ((m_style.backgroundColor & 0xFF) << 16)
            | (m_style.backgroundColor & 0xFF00) | ((m_style.backgroundColor >> 16) & 0xFF);
    m_target->show(pixels(), m_stride, region, m_style.transparent, rgbKey);
}

void InkSurface::resetInk()
{
    m_minX = m_maxX = m_minY = m_maxY = -1;
    m_drawn = false;
    m_strokeStarted = false;
    m_prevX = m_prevY = 0;
    m_prevPressure = 0;
    ++m_revision;
}

void InkSurface::addPenPoint(int pressure, int x, int y)
{
    if (!m_strokeStarted) {
        // The first sample only places the pen.
        m_strokeStarted = true;
        m_prevPressure = pressure;
    } else if (pressure < 1) {
        m_prevPressure = 0;
    } else if (m_prevPressure < 1) {
        drawStrokeSegment(pressure, x, y, x, y);
        m_prevPressure = pressure;
    } else {
        const int smoothed = m_prevPressure * 60 / 100 + pressure * 40 / 100;
        drawStrokeSegment(pressure, m_prevX, m_prevY, x, y);
        m_prevPressure = smoothed;
    }
    m_prevX = x;
    m_prevY = y;
}

void InkSurface::extendInkBox(int x, int y)
{
    if (m_minX == -1 || x < m_minX)
        m_minX = x;
    if (m_maxX == -1 || x > m_maxX)
        m_maxX = x;
    if (m_minY == -1 || y < m_minY)
        m_minY = y;
    if (m_maxY == -1 || y > m_maxY)
        m_maxY = y;
    ++m_revision;
}

int InkSurface::drawStrokeSegment(int pressure, int x1, int y1, int x2, int y2)
{
    if (!m_surface || !m_target || !m_target->isWindow())
        return -1;
    if (pressure == 0)
        return 0;
    // A negative point would poison the box's -1 "no ink" marks.
    if (x1 < 0 || y1 < 0 || x2 < 0 || y2 < 0)
        return -10;
    extendInkBox(x2, y2);
    if (x1 == x2 && y1 == y2)
        return 0;

    // A negative pen width from a hand-edited settings file draws the thinnest line.
    const double width = static_cast<double>(std::max(0, m_style.penWidth)) * pressure / 4096.0;
    strokeLine(width, true, x1, y1, x2, y2);
    strokeLine(std::max(1.0, std::trunc(width)), false, x1, y1, x2, y2);
    m_drawn = true;
    ++m_revision;

    // Only the pixels near the segment changed, so only they are copied.
    const int margin = static_cast<int>(std::ceil(std::max(width, 1.0) / 2.0)) + 2;
    InkRect region{std::min(x1, x2) - margin, std::min(y1, y2) - margin,
                   std::max(x1, x2) + margin + 1, std::max(y1, y2) + margin + 1};
    region.left = std::max(region.left, 0);
    region.top = std::max(region.top, 0);
    region.right = std::min(region.right, m_width);
    region.bottom = std::min(region.bottom, m_height);
    show(region);
    return 0;
}

void InkSurface::strokeLine(double width, bool antialias, int x1, int y1, int x2, int y2)
{
    cairo_t *cr = m_cairo;
    cairo_save(cr);
    cairo_set_antialias(cr, antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, width);
    // The smooth line has flat ends, the hard one round ends once it is wider than a pixel.
    cairo_set_line_cap(cr, antialias || width <= 1.0 ? CAIRO_LINE_CAP_BUTT : CAIRO_LINE_CAP_ROUND);
    setColorRef(cr, m_style.penColor);
    // Integer points name pixel centres.
    cairo_move_to(cr, x1 + 0.5, y1 + 0.5);
    cairo_line_to(cr, x2 + 0.5, y2 + 0.5);
    cairo_stroke(cr);
    cairo_restore(cr);
}

bool InkSurface::inkBounds(InkRect &bounds) const
{
    if (!hasInk())
        return false;
    bounds.left = m_minX < kInkMargin ? 0 : m_minX - kInkMargin;
    bounds.top = m_minY < kInkMargin ? 0 : m_minY - kInkMargin;
    bounds.right = static_cast<int32_t>(std::min<int64_t>(m_width, int64_t(m_maxX) + kInkMargin));
    bounds.bottom = static_cast<int32_t>(std::min<int64_t>(m_height, int64_t(m_maxY) + kInkMargin));
    return true;
}
