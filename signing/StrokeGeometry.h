#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QVector>

// One sampled or interpolated pen point in canvas pixels, with the raw device pressure.
struct PenPoint
{
    double x = 0;
    double y = 0;
    int pressure = 0;
};

// The arithmetic of handwriting: how pen samples become a stroke, how wide it is drawn and
// which part of a picture holds the signature.
class StrokeGeometry
{
public:
    // A sample inside a stroke is pulled toward the stroke's last point to calm the jitter.
    static QPointF smooth(const QPointF &last, const QPointF &sample);
    // Nine points on the cubic from `from` to `to` whose controls lie on the chord at 0.3 and
    // 0.7, at t = 0.1 ... 0.9, each with the new sample's pressure.
    static QVector<PenPoint> curvePoints(const PenPoint &from, const PenPoint &to);
    // Width at a pressure, growing linearly from minWidth (0) to maxWidth (pressureRange).
    static float penWidth(int pressure, float pressureRange, float minWidth, float maxWidth);

    // The smallest rectangle holding every pixel with alpha; null without ink.
    static QRect inkBounds(const QImage &picture);
    // The part of a picture to enlarge to the canvas: the ink with a margin of 10 pixels,
    // widened toward the canvas's aspect, kept inside the picture.
    static QRect cropBox(const QRect &ink, const QSize &picture, const QSize &canvas);
};
