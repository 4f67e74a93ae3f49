#include "StrokeGeometry.h"

#include <QtTest>

Q_DECLARE_METATYPE(PenPoint)

class tst_strokegeometry : public QObject
{
    Q_OBJECT

private slots:
    void curvePoints_data()
    {
        QTest::addColumn<PenPoint>("from");
        QTest::addColumn<PenPoint>("to");
        QTest::newRow("move") << PenPoint{10, 20, 100} << PenPoint{110, -30, 700};
        QTest::newRow("zero length") << PenPoint{5, 5, 100} << PenPoint{5, 5, 300};
    }

    // The controls lie on the chord: the points lie on the segment at fixed fractions.
    void curvePoints()
    {
        QFETCH(PenPoint, from);
        QFETCH(PenPoint, to);
        const double fractions[] = {0.0928, 0.1904, 0.2916, 0.3952, 0.5, 0.6048, 0.7084, 0.8096, 0.9072};
        const QVector<PenPoint> points = StrokeGeometry::curvePoints(from, to);
        QCOMPARE(points.size(), 9);
        for (int i = 0; i < 9; ++i) {
            QVERIFY2(qAbs(points[i].x - (from.x + fractions[i] * (to.x - from.x))) < 1e-4, qPrintable(QString::number(i)));
            QVERIFY2(qAbs(points[i].y - (from.y + fractions[i] * (to.y - from.y))) < 1e-4, qPrintable(QString::number(i)));
            QCOMPARE(points[i].pressure, to.pressure);
        }
    }

    void smoothing()
    {
        QCOMPARE(StrokeGeometry::smooth(QPointF(10, 20), QPointF(60, -30)), QPointF(20, 10));
    }

    void penWidth_data()
    {
        QTest::addColumn<int>("pressure");
        QTest::addColumn<float>("range");
        QTest::addColumn<float>("width");
        QTest::newRow("none") << 0 << 8191.0f << 1.0f;
        QTest::newRow("full") << 8191 << 8191.0f << 4.0f;
        QTest::newRow("half") << 500 << 1000.0f << 2.5f;
    }

    void penWidth()
    {
        QFETCH(int, pressure);
        QFETCH(float, range);
        QFETCH(float, width);
        QCOMPARE(StrokeGeometry::penWidth(pressure, range, 1.0f, 4.0f), width);
    }

    void inkBounds()
    {
        QImage picture(50, 40, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        QVERIFY(StrokeGeometry::inkBounds(picture).isNull());
        picture.setPixel(7, 30, qRgba(0, 0, 0, 1));
        picture.setPixel(20, 3, qRgba(0, 0, 0, 255));
        QCOMPARE(StrokeGeometry::inkBounds(picture), QRect(QPoint(7, 3), QPoint(20, 30)));
    }

    void cropBox_data()
    {
        QTest::addColumn<QRect>("ink");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("box");
        const QSize canvas(500, 250);
        // Margins of 10, then widened toward the canvas's 2:1.
        QTest::newRow("wide ink grows in height") << QRect(100, 100, 100, 10) << canvas << QRect(90, 75, 120, 60);
        QTest::newRow("tall ink grows in width") << QRect(200, 100, 10, 100) << canvas << QRect(85, 90, 240, 120);
        QTest::newRow("ink on the border stays inside") << QRect(0, 0, 10, 250) << canvas << QRect(0, 0, 260, 250);
        QTest::newRow("all ink") << QRect(0, 0, 500, 250) << canvas << QRect(0, 0, 500, 250);
        // A picture larger than the canvas keeps its ink wherever it lies.
        QTest::newRow("larger picture") << QRect(600, 300, 100, 10) << QSize(1000, 500) << QRect(590, 275, 120, 60);
    }

    void cropBox()
    {
        QFETCH(QRect, ink);
        QFETCH(QSize, picture);
        QFETCH(QRect, box);
        QCOMPARE(StrokeGeometry::cropBox(ink, picture, QSize(500, 250)), box);
    }
};

QTEST_APPLESS_MAIN(tst_strokegeometry)
#include "tst_strokegeometry.moc"
