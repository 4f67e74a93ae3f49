#include "StrokeGeometry.h"

#include <algorithm>

QPointF StrokeGeometry::smooth(const QPointF &last, const QPointF &sample)
{
    return QPointF(0.8 * last.x() + 0.2 * sample.x(), 0.8 * last.y() + 0.2 * sample.y());
}

QVector<PenPoint> StrokeGeometry::curvePoints(const PenPoint &from, const PenPoint &to)
{
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    const double c1x = from.x + 0.3 * dx, c1y = from.y + 0.3 * dy;
    const double c2x = from.x + 0.7 * dx, c2y = from.y + 0.7 * dy;
    QVector<PenPoint> points;
    points.reserve(9);
    // t stays in single precision and is advanced by 0.1: exactly nine steps below 1.
    for (float t = 0.1f; t < 1.0f; t += 0.1f) {
        const float u = 1.0f - t;
        const float w0 = u * u * u;
        const float w1 = 3 * u * u * t;
        const float w2 = 3 * u * t * t;
        const float w3 = t * t * t;
        points.append({w0 * from.x + w1 * c1x + w2 * c2x + w3 * to.x, w0 * from.y + w1 * c1y + w2 * c2y + w3 * to.y,
                       to.pressure});
    }
    return points;
}

float StrokeGeometry::penWidth(int pressure, float pressureRange, float minWidth, float maxWidth)
{
    return float(quint32(pressure)) / pressureRange * (maxWidth - minWidth) + minWidth;
}

QRect StrokeGeometry::inkBounds(const QImage &picture)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    int minX = argb.width(), maxX = -1, minY = argb.height(), maxY = -1;
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) == 0)
                continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    if (minX > maxX || minY > maxY)
        return QRect();
    return QRect(QPoint(minX, minY), QPoint(maxX, maxY));
}

QRect StrokeGeometry::cropBox(const QRect &ink, const QSize &picture, const QSize &canvas)
{
    const int margin = 10;
    int left = std::max(ink.left() - margin, 0);
    int right = std::min(ink.right() + margin, picture.width() - 1);
    int top = std::max(ink.top() - margin, 0);
    int bottom = std::min(ink.bottom() + margin, picture.height() - 1);

    const double aspect = double(canvas.width()) / double(canvas.height());
    const int w = right - left + 1;
    const int h = bottom - top + 1;
    if (double(w) / double(h) > aspect) {
        const int e = (int(w / aspect) - h) / 2;
        top = std::max(top - e, 0);
        bottom = std::min(bottom + e, picture.height() - 1);
    } else {
        const int e = (int(h * aspect) - w) / 2;
        left = std::max(left - e, 0);
        right = std::min(right + e, picture.width() - 1);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}
