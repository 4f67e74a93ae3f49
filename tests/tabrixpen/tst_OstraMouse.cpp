#include "OstraMouse.h"
#include "SimFixture.h"
#include "sim/DevSim.h"

#include <QtTest>

#include <atomic>
#include <climits>
#include <condition_variable>
#include <mutex>

using namespace platform;

// Pen-to-mouse emulation: placement on the displays, the records it injects, and its thread.
class tst_OstraMouse : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void placement_data();
    void placement();
    void pointsOutsideTheTabletAreClamped();
    void nothingIsPlacedWithoutAnArea_data();
    void nothingIsPlacedWithoutAnArea();
    void recordsForEachStatus();
    void doubleTapSnap_data();
    void doubleTapSnap();
    void zeroRangeInjectsNothing();
    void inactiveEventsAreDropped();
    void rectanglesFromTheDisplays();
    void narrowPrimaryFallsBackToTheScreen();

private:
    struct Recorder : MouseInputSink {
        void send(const MouseInput &input, const TabletRect &) override
        {
            std::lock_guard<std::mutex> guard(lock);
            records.push_back(input);
            changed.notify_all();
        }
        std::mutex lock;
        std::condition_variable changed;
        std::vector<MouseInput> records;
    };

    // Records sent so far once there are `count`, or after a bounded wait.
    std::vector<MouseInput> recorded(size_t count, int boundMs = 5000);
    void activateRecording(OstraMouse &mouse);

    SimFixture m_sim;
    std::shared_ptr<Recorder> m_recorder;
    std::atomic<int64_t> m_now{100000};
};

namespace {

// Base 2048 x 1024 and a 16384 x 8192 tablet: every factor is a power of two, so the single
// precision arithmetic is exact and the expected values are the Part's formulas worked by hand.
OstraMouse::Geometry geometry(bool map, int rotation)
{
    OstraMouse::Geometry g;
    g.maxX = 16384;
    g.maxY = 8192;
    g.base = {0, 0, 2048, 1024};
    g.pen = {2048, 0, 3072, 512};
    g.mapToPenDisplay = map;
    g.rotation = rotation;
    return g;
}

DisplayInfo display(const char *name, int x, int width, int height, const char *monitor)
{
    return DisplayInfo{name, x, 0, width, height, width, height, monitor};
}

bool same(const MouseInput &a, const MouseInput &b)
{
    return a.dx == b.dx && a.dy == b.dy && a.flags == b.flags;
}

} // namespace

void tst_OstraMouse::init()
{
    QVERIFY(m_sim.start());
    m_sim->setDisplays({display("DP-1", 0, 2048, 1024, "DEL40F0"), display("HDMI-1", 2048, 1024, 512, "TBX1601")});
    m_recorder = std::make_shared<Recorder>();
}

void tst_OstraMouse::cleanup()
{
    m_sim.stop();
}

std::vector<MouseInput> tst_OstraMouse::recorded(size_t count, int boundMs)
{
    std::unique_lock<std::mutex> guard(m_recorder->lock);
    m_recorder->changed.wait_for(guard, std::chrono::milliseconds(boundMs), [&] { return m_recorder->records.size() >= count; });
    return m_recorder->records;
}

void tst_OstraMouse::activateRecording(OstraMouse &mouse)
{
    std::shared_ptr<Recorder> recorder = m_recorder;
    mouse.setSinkFactory([recorder] {
        struct Forward : MouseInputSink {
            std::shared_ptr<Recorder> to;
            void send(const MouseInput &input, const TabletRect &base) override { to->send(input, base); }
        };
        auto forward = std::make_unique<Forward>();
        forward->to = recorder;
        return forward;
    });
    mouse.setClock([this] { return m_now.load(); });
    mouse.setTabletRange(16384, 8192);
    mouse.activate(true);
}

void tst_OstraMouse::placement_data()
{
    QTest::addColumn<bool>("map");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("X");
    QTest::addColumn<int>("Y");

    QTest::newRow("0") << false << 0 << 4096 << 2048 << 16383 << 16383;
    QTest::newRow("90 keeps the base factors") << false << 90 << 4096 << 2048 << 24575 << 32767;
    QTest::newRow("180") << false << 180 << 4096 << 2048 << 49151 << 49151;
    QTest::newRow("270 may leave the primary display") << false << 270 << 4096 << 2048 << 8191 << 98302;
    QTest::newRow("180 top-left to bottom-right") << false << 180 << 0 << 0 << 65535 << 65535;
    QTest::newRow("pen display 0") << true << 0 << 4096 << 2048 << 73726 << 8191;
    QTest::newRow("pen display 90") << true << 90 << 4096 << 2048 << 90110 << 8191;
    QTest::newRow("pen display 180") << true << 180 << 4096 << 2048 << 90110 << 24575;
    QTest::newRow("pen display 270") << true << 270 << 4096 << 2048 << 73726 << 24575;
}

void tst_OstraMouse::placement()
{
    QFETCH(bool, map);
    QFETCH(int, rotation);
    QFETCH(int, x);
    QFETCH(int, y);
    int32_t X = 0, Y = 0;
    QVERIFY(OstraMouse::position(geometry(map, rotation), x, y, X, Y));
    QTEST(int(X), "X");
    QTEST(int(Y), "Y");

    // Mapping asked for but no pen display found: base factors, no offset.
    OstraMouse::Geometry noPen = geometry(true, rotation);
    noPen.pen = {};
    int32_t plainX = 0, plainY = 0;
    QVERIFY(OstraMouse::position(noPen, x, y, X, Y));
    QVERIFY(OstraMouse::position(geometry(false, rotation), x, y, plainX, plainY));
    QCOMPARE(X, plainX);
    QCOMPARE(Y, plainY);
}

void tst_OstraMouse::pointsOutsideTheTabletAreClamped()
{
    int32_t X = 0, Y = 0, edgeX = 0, edgeY = 0;
    QVERIFY(OstraMouse::position(geometry(false, 90), INT_MAX, INT_MIN, X, Y));
    QVERIFY(OstraMouse::position(geometry(false, 90), 16384, 0, edgeX, edgeY));
    QCOMPARE(X, edgeX);
    QCOMPARE(Y, edgeY);
    // A pen display far off in the desktop stays within the int range.
    OstraMouse::Geometry far = geometry(true, 0);
    far.pen = {INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX};
    far.base = {0, 0, 1, 1};
    QVERIFY(OstraMouse::position(far, 16384, 8192, X, Y));
    QCOMPARE(X, INT_MAX);
}

void tst_OstraMouse::nothingIsPlacedWithoutAnArea_data()
{
    QTest::addColumn<int>("maxX");
    QTest::addColumn<int>("maxY");
    QTest::addColumn<int>("baseWidth");
    QTest::addColumn<int>("baseHeight");
    QTest::newRow("tablet width 0") << 0 << 8192 << 2048 << 1024;
    QTest::newRow("tablet height 0") << 16384 << 0 << 2048 << 1024;
    QTest::newRow("base width 0") << 16384 << 8192 << 0 << 1024;
    QTest::newRow("base height 0") << 16384 << 8192 << 2048 << 0;
}

void tst_OstraMouse::nothingIsPlacedWithoutAnArea()
{
    QFETCH(int, maxX);
    QFETCH(int, maxY);
    QFETCH(int, baseWidth);
    QFETCH(int, baseHeight);
    OstraMouse::Geometry g = geometry(true, 90);
    g.maxX = maxX;
    g.maxY = maxY;
    g.base = {0, 0, baseWidth, baseHeight};
    int32_t X = 7, Y = 7;
    QVERIFY(!OstraMouse::position(g, 100, 100, X, Y));
}

void tst_OstraMouse::recordsForEachStatus()
{
    OstraMouse mouse;
    activateRecording(mouse);
    mouse.pushEvent(4096, 2048, 0);   // hover
    mouse.pushEvent(4096, 2048, 1);   // down
    mouse.pushEvent(8192, 4096, 2);   // drag
    mouse.pushEvent(8192, 4096, 3);   // up
    mouse.pushEvent(8192, 4096, 4);   // out of range: nothing
    mouse.pushEvent(0, 0, 0);
    const auto records = recorded(5);
    mouse.activate(false);
    const std::vector<MouseInput> expected{{16383, 16383, 0x8001}, {0, 0, 0x0002}, {32767, 32767, 0x8001},
                                           {0, 0, 0x8004}, {0, 0, 0x8001}};
    QCOMPARE(records.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        QVERIFY2(same(records[i], expected[i]), qPrintable(QString("record %1").arg(i)));
}

void tst_OstraMouse::doubleTapSnap_data()
{
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("snaps");
    // 8 tablet units a pixel; the reach is trunc(65535 / 2048 * 12) = 383 normalised units.
    QTest::newRow("400 ms, 5 px") << 400 << 5 << true;
    QTest::newRow("500 ms, 11 px") << 500 << 11 << true;
    QTest::newRow("600 ms, 5 px") << 600 << 5 << false;
    QTest::newRow("400 ms, 20 px") << 400 << 20 << false;
}

void tst_OstraMouse::doubleTapSnap()
{
    QFETCH(int, afterMs);
    QFETCH(int, pixels);
    QFETCH(bool, snaps);
    OstraMouse mouse;
    activateRecording(mouse);
    mouse.pushEvent(4096, 2048, 1);
    mouse.pushEvent(4096, 2048, 3);                // released at (16383, 16383)
    QCOMPARE(recorded(2).size(), size_t(2));
    m_now += afterMs;
    mouse.pushEvent(4096 + 8 * pixels, 2048 + 8 * pixels, 1);
    mouse.pushEvent(0, 0, 0);                      // a marker: everything before it was handled
    const auto records = recorded(snaps ? 5 : 4);
    mouse.activate(false);
    std::vector<MouseInput> tail(records.begin() + 2, records.end());
    if (snaps) {
        QCOMPARE(tail.size(), size_t(3));
        QVERIFY(same(tail[0], {16383, 16383, 0x8001}));
        QVERIFY(same(tail[1], {0, 0, 0x0002}));
    } else {
        QCOMPARE(tail.size(), size_t(2));
        QVERIFY(same(tail[0], {0, 0, 0x0002}));
    }
}

void tst_OstraMouse::zeroRangeInjectsNothing()
{
    OstraMouse mouse;
    activateRecording(mouse);
    mouse.setTabletRange(0, 0);
    for (int status = 0; status < 4; ++status)
        mouse.pushEvent(100, 100, status);
    QCOMPARE(recorded(1, 300).size(), size_t(0));
    mouse.activate(false);
}

void tst_OstraMouse::inactiveEventsAreDropped()
{
    OstraMouse mouse;
    activateRecording(mouse);
    mouse.activate(false);
    for (int i = 0; i < 100; ++i)
        mouse.pushEvent(i, i, 0);
    mouse.activate(true);
    mouse.activate(true);                          // already on: only the rectangles again
    QCOMPARE(recorded(1, 200).size(), size_t(0));  // nothing left over to inject
    mouse.pushEvent(0, 0, 2);
    QCOMPARE(recorded(1).size(), size_t(1));
    mouse.activate(false);
    mouse.activate(false);
    QVERIFY(!mouse.active());
}

void tst_OstraMouse::rectanglesFromTheDisplays()
{
    OstraMouse mouse;
    activateRecording(mouse);
    OstraMouse::Geometry g = mouse.geometry();
    QCOMPARE(g.base.right, 2048);
    QCOMPARE(g.pen.left, 2048);
    QCOMPARE(g.pen.bottom, 512);

    // The pen display goes away: the last one found is kept.
    m_sim->setDisplays({display("DP-1", 0, 2048, 1024, "DEL40F0")});
    mouse.activate(true);
    g = mouse.geometry();
    QCOMPARE(g.pen.left, 2048);
    mouse.activate(false);
}

void tst_OstraMouse::narrowPrimaryFallsBackToTheScreen()
{
    m_sim->setDisplays({display("DP-1", 0, 600, 400, ""), display("HDMI-1", 600, 1024, 512, "TBX1601")});
    OstraMouse mouse;
    activateRecording(mouse);
    const OstraMouse::Geometry g = mouse.geometry();
    mouse.activate(false);
    QCOMPARE(g.base.left, 0);
    QCOMPARE(g.base.right, 1624);
    QCOMPARE(g.base.bottom, 512);
}

QTEST_APPLESS_MAIN(tst_OstraMouse)
#include "tst_OstraMouse.moc"
