#include "FakeInkWindow.h"
#include "InkSurface.h"

#include <QtTest>

namespace {

constexpr uint32_t kBackground = 0xEBEBEB;
constexpr uint32_t kInk = 0xFF0000; // COLORREF 0x0000FF

InkStyle style(bool transparent = false, int penWidth = 32)
{
    InkStyle s;
    s.penWidth = penWidth;
    s.penColor = 0x0000FF;
    s.backgroundColor = kBackground;
    s.transparent = transparent;
    return s;
}

uint32_t surfaceAt(const InkSurface &surface, int x, int y)
{
    return surface.pixels()[size_t(y) * surface.stride() + x] & 0xFFFFFF;
}

int inkPixels(const InkSurface &surface)
{
    int count = 0;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            count += surfaceAt(surface, x, y) != kBackground;
    return count;
}

struct Setup {
    Setup(int w = 200, int h = 100, const InkStyle &s = style()) : window(w, h)
    {
        QVERIFY(surface.allocate(w, h, s, &window));
        surface.fillBackground();
        surface.showAll();
        window.regions.clear();
    }
    FakeInkWindow window;
    InkSurface surface;
};

} // namespace

class TestInkSurface : public QObject {
    Q_OBJECT

private slots:
    void refusesSizesItCannotHold_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("zero width") << 0 << 10;
        QTest::newRow("zero height") << 10 << 0;
        QTest::newRow("negative") << -5 << 10;
        QTest::newRow("beyond the raster limit") << 40000 << 10;
    }
    void refusesSizesItCannotHold()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        FakeInkWindow window(1, 1);
        InkSurface surface;
        QVERIFY(!surface.allocate(width, height, style(), &window));
        QVERIFY(!surface.isAllocated());
        QVERIFY(!surface.pixels());
        // Drawing on it is refused, not a crash.
        QCOMPARE(surface.drawStrokeSegment(500, 1, 1, 5, 5), -1);
    }

    void firstSampleDrawsNothing()
    {
        Setup s;
        s.surface.addPenPoint(1023, 10, 10);
        QVERIFY(!s.surface.hasInk());
        QCOMPARE(inkPixels(s.surface), 0);
        QVERIFY(s.window.regions.empty());
    }

    void pressureZeroSplitsTheStroke()
    {
        Setup s;
        s.surface.addPenPoint(500, 10, 50);
        s.surface.addPenPoint(500, 50, 50);
        s.surface.addPenPoint(0, 100, 50);
        s.surface.addPenPoint(500, 150, 50); // touches down: no line back to the lift
        s.surface.addPenPoint(500, 190, 50);
        QCOMPARE(surfaceAt(s.surface, 30, 50), kInk);
        QCOMPARE(surfaceAt(s.surface, 170, 50), kInk);
        for (int x = 60; x < 145; ++x)
            QCOMPARE(surfaceAt(s.surface, x, 50), kBackground);
        QCOMPARE(s.surface.minX(), 50);
        QCOMPARE(s.surface.maxX(), 190);
    }

    void samePointTwiceExtendsTheBox()
    {
        Setup s;
        s.surface.addPenPoint(500, 30, 40);
        s.surface.addPenPoint(500, 30, 40);
        // A touch is no ink yet.
        QVERIFY(!s.surface.hasInk());
        QCOMPARE(s.surface.minX(), 30);
        QCOMPARE(s.surface.maxX(), 30);
        QCOMPARE(s.surface.minY(), 40);
        QCOMPARE(s.surface.maxY(), 40);
        QCOMPARE(inkPixels(s.surface), 0);
        QVERIFY(s.window.regions.empty());
    }

    void pressureOneDrawsEveryOtherSegment()
    {
        Setup s;
        for (int x = 10; x <= 50; x += 10)
            s.surface.addPenPoint(1, x, 10);
        // Drawn: 10-20 and 30-40; the smoothed pressure falls to 0 after each.
        QCOMPARE(s.window.regions.size(), size_t(2));
        QCOMPARE(surfaceAt(s.surface, 15, 10), kInk);
        QCOMPARE(surfaceAt(s.surface, 25, 10), kBackground);
        QCOMPARE(surfaceAt(s.surface, 35, 10), kInk);
        QCOMPARE(surfaceAt(s.surface, 45, 10), kBackground);
    }

    void negativeCoordinatesLeaveTheBoxAlone_data()
    {
        QTest::addColumn<int>("x1");
        QTest::addColumn<int>("y1");
        QTest::addColumn<int>("x2");
        QTest::addColumn<int>("y2");
        QTest::newRow("start x") << -1 << 5 << 10 << 10;
        QTest::newRow("start y") << 5 << -1 << 10 << 10;
        QTest::newRow("end x") << 5 << 5 << -3 << 10;
        QTest::newRow("end y") << 5 << 5 << 10 << -3;
    }
    void negativeCoordinatesLeaveTheBoxAlone()
    {
        QFETCH(int, x1);
        QFETCH(int, y1);
        QFETCH(int, x2);
        QFETCH(int, y2);
        Setup s;
        QCOMPARE(s.surface.drawStrokeSegment(500, x1, y1, x2, y2), -10);
        QVERIFY(!s.surface.hasInk());
        QCOMPARE(inkPixels(s.surface), 0);
    }

    void goneWindowStopsDrawing()
    {
        Setup s;
        s.window.alive = false;
        QCOMPARE(s.surface.drawStrokeSegment(500, 10, 10, 50, 50), -1);
        QVERIFY(!s.surface.hasInk());
        QCOMPARE(inkPixels(s.surface), 0);
        QVERIFY(s.window.regions.empty());
    }

    void strokeWidthFollowsPressure_data()
    {
        QTest::addColumn<int>("penWidth");
        QTest::addColumn<int>("pressure");
        QTest::addColumn<int>("minRows");
        QTest::addColumn<int>("maxRows");
        QTest::newRow("full pressure at 32 is 8 px") << 32 << 1024 << 8 << 10;
        QTest::newRow("full pressure at 64 is 16 px") << 64 << 1024 << 16 << 18;
        QTest::newRow("thinner than a pixel still shows") << 1 << 100 << 1 << 2;
        QTest::newRow("negative width is the thinnest") << -64 << 1024 << 1 << 1;
    }
    void strokeWidthFollowsPressure()
    {
        QFETCH(int, penWidth);
        QFETCH(int, pressure);
        QFETCH(int, minRows);
        QFETCH(int, maxRows);
        Setup s(200, 100, style(false, penWidth));
        QCOMPARE(s.surface.drawStrokeSegment(pressure, 20, 50, 180, 50), 0);
        int rows = 0;
        for (int y = 0; y < 100; ++y)
            rows += surfaceAt(s.surface, 100, y) != kBackground;
        QVERIFY2(rows >= minRows && rows <= maxRows, qPrintable(QString::number(rows)));
        QCOMPARE(surfaceAt(s.surface, 100, 50), kInk);
    }

    void regionCopiesShowWhatAWholeCopyShows_data()
    {
        QTest::addColumn<bool>("transparent");
        QTest::newRow("opaque") << false;
        QTest::newRow("colour keyed") << true;
    }
    void regionCopiesShowWhatAWholeCopyShows()
    {
        QFETCH(bool, transparent);
        Setup s(320, 200, style(transparent));
        FakeInkWindow whole(320, 200);
        whole.show(s.surface.pixels(), s.surface.stride(), {0, 0, 320, 200}, transparent,
                   kBackground);
        uint32_t seed = 7;
        auto next = [&seed](int range) {
            seed = seed * 1103515245u + 12345u;
            return int((seed >> 8) % uint32_t(range));
        };
        for (int i = 0; i < 400; ++i) {
            const int pressure = next(8) == 0 ? 0 : next(1024);
            s.surface.addPenPoint(pressure, next(340) - 10, next(220) - 10);
        }
        whole.show(s.surface.pixels(), s.surface.stride(), {0, 0, 320, 200}, transparent,
                   kBackground);
        QVERIFY(inkPixels(s.surface) > 0);
        QVERIFY(s.window.pixels == whole.pixels);
        for (const InkRect &r : s.window.regions) {
            QVERIFY(r.left >= 0 && r.top >= 0 && r.right <= 320 && r.bottom <= 200);
            QVERIFY(!r.isEmpty());
        }
    }

    void colourKeyLeavesTheWindowsOwnPixels()
    {
        Setup s(200, 100, style(true));
        QVERIFY(std::all_of(s.window.pixels.begin(), s.window.pixels.end(),
                            [](uint32_t p) { return p == 0x123456; }));
        s.surface.addPenPoint(800, 20, 20);
        s.surface.addPenPoint(800, 150, 80);
        int inked = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 200; ++x) {
                const uint32_t own = surfaceAt(s.surface, x, y);
                QCOMPARE(s.window.at(x, y), own == kBackground ? 0x123456u : own);
                inked += own != kBackground;
            }
        }
        QVERIFY(inked > 100);
    }

    void inkBoundsKeepAMarginInsideTheSurface()
    {
        Setup s(200, 100);
        InkRect bounds;
        QVERIFY(!s.surface.inkBounds(bounds));
        s.surface.drawStrokeSegment(500, 2, 1, 2, 1);
        s.surface.drawStrokeSegment(500, 2, 1, 198, 99);
        QVERIFY(s.surface.inkBounds(bounds));
        QCOMPARE(bounds.left, 0);
        QCOMPARE(bounds.top, 0);
        QCOMPARE(bounds.right, 200);
        QCOMPARE(bounds.bottom, 100);
        s.surface.resetInk();
        s.surface.drawStrokeSegment(500, 50, 40, 50, 40);
        s.surface.drawStrokeSegment(500, 50, 40, 60, 45);
        QVERIFY(s.surface.inkBounds(bounds));
        QCOMPARE(bounds.left, 46);
        QCOMPARE(bounds.top, 36);
        QCOMPARE(bounds.right, 64);
        QCOMPARE(bounds.bottom, 49);
    }
};

QTEST_APPLESS_MAIN(TestInkSurface)
#include "tst_inksurface.moc"
