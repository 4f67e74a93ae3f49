#include "TagGeometry.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdlib>

int TagGeometry::preferredDisplayWidth(const QSize &basePageSize)
{
    if (!basePageSize.isValid() || basePageSize.width() <= 0)
        return 0;
    return std::max(1, qRound(basePageSize.width() * 0.5));
}

int TagGeometry::displayWidth(int viewportWidth, const QSize &basePageSize)
{
    const int preferred = preferredDisplayWidth(basePageSize);
    if (viewportWidth < 1)
        return preferred > 0 ? preferred : FallbackDisplayWidth;
    int width = viewportWidth > DisplayWidthReserve ? viewportWidth - DisplayWidthReserve : viewportWidth;
    if (preferred > 0 && preferred < width)
        width = preferred;
    return width;
}

int TagGeometry::hitTestEdges(const QRect &r, const QPoint &p)
{
    if (!r.adjusted(-EdgeZone, -EdgeZone, EdgeZone, EdgeZone).contains(p))
        return -1;
    int edges = 0;
    if (std::abs(p.x() - r.left()) <= EdgeZone)
        edges |= Left;
    if (std::abs(p.x() - r.right()) <= EdgeZone)
        edges |= Right;
    if (std::abs(p.y() - r.top()) <= EdgeZone)
        edges |= Top;
    if (std::abs(p.y() - r.bottom()) <= EdgeZone)
        edges |= Bottom;
    if (edges != 0)
        return edges;
    return r.contains(p) ? 0 : -1;
}

Qt::CursorShape TagGeometry::cursorForEdges(int edges)
{
    switch (edges) {
    case Left:
    case Right:
        return Qt::SizeHorCursor;
    case Top:
    case Bottom:
        return Qt::SizeVerCursor;
    case Left | Top:
    case Right | Bottom:
        return Qt::SizeFDiagCursor;
    case Right | Top:
    case Left | Bottom:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::SizeAllCursor;
    }
}

QRect TagGeometry::moved(const QRect &r, const QPoint &delta, const QSize &bounds)
{
    QRect m = r.translated(delta);
    const QRect area(QPoint(0, 0), bounds);
    if (m.left() < 0)
        m.moveLeft(0);
    if (m.top() < 0)
        m.moveTop(0);
    if (m.right() > area.right())
        m.moveRight(area.right());
    if (m.bottom() > area.bottom())
        m.moveBottom(area.bottom());
    return m;
}

QRect TagGeometry::resized(const QRect &r, int edges, const QPoint &pointer, const QSize &bounds)
{
    // The far edge stays put; the dragged one stops where the tag would drop below the
    // minimum size (right/bottom are the last pixel inside, hence the - 1).
    int left = r.left();
    int top = r.top();
    int right = r.right();
    int bottom = r.bottom();
    if (edges & Left)
        left = std::min(pointer.x(), r.right() - (MinResizeWidth - 1));
    if (edges & Right)
        right = std::max(pointer.x(), r.left() + (MinResizeWidth - 1));
    if (edges & Top)
        top = std::min(pointer.y(), r.bottom() - (MinResizeHeight - 1));
    if (edges & Bottom)
        bottom = std::max(pointer.y(), r.top() + (MinResizeHeight - 1));
    const QRect area(QPoint(0, 0), bounds);
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, area.right());
    bottom = std::min(bottom, area.bottom());
    return QRect(QPoint(left, top), QPoint(right, bottom)).normalized();
}

QRect TagGeometry::centredTag(const QSize &label, const QPoint &centre, int configuredWidth, int configuredHeight)
{
    const int lw = label.width();
    const int lh = label.height();
    const int w = std::min(std::max(configuredWidth, MinNewWidth), std::max(lw - 2 * CentreMargin, MinNewWidth));
    const int h = std::min(std::max(configuredHeight, MinNewHeight), std::max(lh - 2 * CentreMargin, MinNewHeight));
    const int x = std::max(CentreMargin, std::min(centre.x() - w / 2, std::max(CentreMargin, lw - CentreMargin - w)));
    const int y = std::max(CentreMargin, std::min(centre.y() - h / 2, std::max(CentreMargin, lh - CentreMargin - h)));
    return QRect(x, y, w, h);
}

int TagGeometry::nearestRect(const QVector<QRect> &rects, const QPoint &p, int fallback)
{
    int best = fallback;
    qint64 bestDistance = -1;
    for (int i = 0; i < rects.size(); ++i) {
        const QRect &g = rects.at(i);
        if (g.contains(p))
            return i;
        const qint64 dx = p.x() < g.left() ? qint64(g.left()) - p.x() : (p.x() > g.right() ? qint64(p.x()) - g.right() : 0);
        const qint64 dy = p.y() < g.top() ? qint64(g.top()) - p.y() : (p.y() > g.bottom() ? qint64(p.y()) - g.bottom() : 0);
        if (bestDistance < 0 || dx + dy < bestDistance) {
            bestDistance = dx + dy;
            best = i;
        }
    }
    return best;
}
