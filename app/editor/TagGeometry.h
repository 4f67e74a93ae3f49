#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVector>
#include <Qt>

// Display geometry of the tag editor: how wide the pages are shown, where a tag's edges are
// grabbed and where a moved or resized tag ends up. Plain functions of their inputs.
class TagGeometry
{
public:
    enum Edge { Left = 1, Right = 2, Top = 4, Bottom = 8 };

    static constexpr int DisplayWidthReserve = 96;
    static constexpr int FallbackDisplayWidth = 900;
    static constexpr int EdgeZone = 10;
    static constexpr int MinResizeWidth = 96;
    static constexpr int MinResizeHeight = 56;
    static constexpr int CentreMargin = 16;
    static constexpr int MinNewWidth = 32;
    static constexpr int MinNewHeight = 16;

    // 150 dpi: half the 300-dpi width of page 1, or 0 without a usable page size.
    static int preferredDisplayWidth(const QSize &basePageSize);
    static int displayWidth(int viewportWidth, const QSize &basePageSize);

    // Edge mask of point p against the tag rectangle r: -1 outside r grown by the edge zone,
    // 0 inside r away from every edge (a move), else the sum of the grabbed edges.
    static int hitTestEdges(const QRect &r, const QPoint &p);
    static Qt::CursorShape cursorForEdges(int edges);

    // r translated by delta and pushed back inside (0, 0, bounds), keeping its size.
    static QRect moved(const QRect &r, const QPoint &delta, const QSize &bounds);
    // r with the edges in the mask following the pointer, never below the minimum size,
    // then clipped to (0, 0, bounds).
    static QRect resized(const QRect &r, int edges, const QPoint &pointer, const QSize &bounds);

    // A new tag of the configured size centred on the point, kept off the label's edges.
    static QRect centredTag(const QSize &label, const QPoint &centre, int configuredWidth, int configuredHeight);

    // Index of the first rectangle holding p, else the nearest one (lower index on a tie);
    // fallback when the list is empty.
    static int nearestRect(const QVector<QRect> &rects, const QPoint &p, int fallback);
};
