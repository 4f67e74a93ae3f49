#include "TagGeometry.h"

#include <QtTest>

class TagGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void displayWidth_data();
    void displayWidth();
    void hitTestEdges_data();
    void hitTestEdges();
    void cursorForEdges_data();
    void cursorForEdges();
    void resized_data();
    void resized();
};

void TagGeometryTest::displayWidth_data()
{
    QTest::addColumn<int>("viewport");
    QTest::addColumn<QSize>("base");
    QTest::addColumn<int>("width");
    const QSize a4(2480, 3508);
    QTest::newRow("1000 wide: viewport minus reserve") << 1000 << a4 << 904;
    QTest::newRow("3000 wide: 150 dpi") << 3000 << a4 << 1240;
    QTest::newRow("no width: 150 dpi") << 0 << a4 << 1240;
    QTest::newRow("no width, no page: fallback") << 0 << QSize() << 900;
    QTest::newRow("no width, zero-width page: fallback") << -5 << QSize(0, 100) << 900;
    QTest::newRow("exactly the reserve keeps all") << 96 << a4 << 96;
    QTest::newRow("one above the reserve") << 97 << a4 << 1;
    QTest::newRow("narrow page caps the width") << 1000 << QSize(1, 10) << 1;
    QTest::newRow("odd page width rounds") << 2000 << QSize(1001, 10) << 501;
    QTest::newRow("no page, wide viewport") << 3000 << QSize() << 2904;
}

void TagGeometryTest::displayWidth()
{
    QFETCH(int, viewport);
    QFETCH(QSize, base);
    QFETCH(int, width);
    QCOMPARE(TagGeometry::displayWidth(viewport, base), width);
}

void TagGeometryTest::hitTestEdges_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("edges");
    const QRect r(100, 100, 200, 100); // right 299, bottom 199
    QTest::newRow("inside, away from edges") << r << QPoint(200, 150) << 0;
    QTest::newRow("on left edge") << r << QPoint(100, 150) << 1;
    QTest::newRow("just outside left, in zone") << r << QPoint(90, 150) << 1;
    QTest::newRow("beyond zone") << r << QPoint(89, 150) << -1;
    QTest::newRow("right edge is last column") << r << QPoint(309, 150) << 2;
    QTest::newRow("top") << r << QPoint(200, 110) << 4;
    QTest::newRow("bottom") << r << QPoint(200, 189) << 8;
    QTest::newRow("top left") << r << QPoint(105, 95) << 5;
    QTest::newRow("top right") << r << QPoint(299, 100) << 6;
    QTest::newRow("bottom left") << r << QPoint(100, 199) << 9;
    QTest::newRow("bottom right") << r << QPoint(305, 205) << 10;
    QTest::newRow("far outside") << r << QPoint(600, 600) << -1;
    QTest::newRow("tiny tag grabs both sides") << QRect(0, 0, 15, 100) << QPoint(7, 50) << 3;
}

void TagGeometryTest::hitTestEdges()
{
    QFETCH(QRect, rect);
    QFETCH(QPoint, point);
    QFETCH(int, edges);
    QCOMPARE(TagGeometry::hitTestEdges(rect, point), edges);
}

void TagGeometryTest::cursorForEdges_data()
{
    QTest::addColumn<int>("edges");
    QTest::addColumn<int>("cursor");
    QTest::newRow("left") << 1 << int(Qt::SizeHorCursor);
    QTest::newRow("right") << 2 << int(Qt::SizeHorCursor);
    QTest::newRow("top") << 4 << int(Qt::SizeVerCursor);
    QTest::newRow("bottom") << 8 << int(Qt::SizeVerCursor);
    QTest::newRow("top left") << 5 << int(Qt::SizeFDiagCursor);
    QTest::newRow("bottom right") << 10 << int(Qt::SizeFDiagCursor);
    QTest::newRow("top right") << 6 << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom left") << 9 << int(Qt::SizeBDiagCursor);
    QTest::newRow("move") << 0 << int(Qt::SizeAllCursor);
    QTest::newRow("left and right") << 3 << int(Qt::SizeAllCursor);
    QTest::newRow("all four") << 15 << int(Qt::SizeAllCursor);
}

void TagGeometryTest::cursorForEdges()
{
    QFETCH(int, edges);
    QFETCH(int, cursor);
    QCOMPARE(int(TagGeometry::cursorForEdges(edges)), cursor);
}

void TagGeometryTest::resized_data()
{
    QTest::addColumn<QRect>("start");
    QTest::addColumn<int>("edges");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QRect>("result");
    const QRect minimal(100, 100, 96, 56);
    const QRect big(100, 100, 300, 200);
    QTest::newRow("minimal: left inwards stays") << minimal << 1 << QPoint(150, 0) << minimal;
    QTest::newRow("left past the right edge stops 96 before it") << big << 1 << QPoint(700, 0)
                                                                 << QRect(304, 100, 96, 200);
    QTest::newRow("corner shrinks to the minimum") << big << 5 << QPoint(390, 290) << QRect(304, 244, 96, 56);
    QTest::newRow("left clipped at 0") << big << 1 << QPoint(-50, 0) << QRect(0, 100, 400, 200);
    QTest::newRow("right clipped at last column") << big << 2 << QPoint(5000, 0) << QRect(100, 100, 700, 200);
    QTest::newRow("small tag grows to the minimum") << QRect(10, 10, 40, 20) << 10 << QPoint(20, 15)
                                                    << QRect(10, 10, 96, 56);
}

void TagGeometryTest::resized()
{
    QFETCH(QRect, start);
    QFETCH(int, edges);
    QFETCH(QPoint, pointer);
    QFETCH(QRect, result);
    QCOMPARE(TagGeometry::resized(start, edges, pointer, QSize(800, 600)), result);
}

QTEST_APPLESS_MAIN(TagGeometryTest)
#include "tst_taggeometry.moc"
