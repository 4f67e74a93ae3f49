#include "DisplayGeometry.h"
#include "TabrixPen.h"
#include "SimFixture.h"
#include "sim/DevSim.h"

#include <QtTest>

using namespace platform;

Q_DECLARE_METATYPE(std::vector<DisplayInfo>)

// Primary and pen display among the simulator's displays, and the export that reports the
// pen display.
class tst_DisplayGeometry : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void penDisplay_data();
    void penDisplay();
    void primaryDisplay();
    void screenRectExport();

private:
    SimFixture m_sim;
};

namespace {

DisplayInfo display(const char *name, int x, int y, int width, int height, int modeWidth, const char *monitor)
{
    DisplayInfo info;
    info.name = name;
    info.x = x;
    info.y = y;
    info.width = width;
    info.height = height;
    info.modeWidth = modeWidth;
    info.modeHeight = modeWidth ? height * modeWidth / (width ? width : 1) : 0;
    info.monitorId = monitor;
    return info;
}

const DisplayInfo Office = display("DP-1", 0, 0, 1920, 1080, 1920, "DEL40F0");

} // namespace

void tst_DisplayGeometry::init()
{
    QVERIFY(m_sim.start());
}

void tst_DisplayGeometry::cleanup()
{
    m_sim.stop();
}

void tst_DisplayGeometry::penDisplay_data()
{
    QTest::addColumn<std::vector<DisplayInfo>>("desktop");
    QTest::addColumn<float>("scale");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");

    QTest::newRow("listed monitor") << std::vector<DisplayInfo>{Office, display("HDMI-1", 1920, 0, 1920, 1080, 1920, "TBX1601")}
                                    << 1.0f << 1920 << 3840;
    QTest::newRow("scaled desktop") << std::vector<DisplayInfo>{Office, display("HDMI-1", 1920, 0, 1280, 800, 2560, "TBX2201")}
                                    << 2.0f << 1920 << 3200;
    QTest::newRow("id with a suffix") << std::vector<DisplayInfo>{display("HDMI-1", 0, 0, 1600, 900, 1600, "XTBX1302Z")}
                                      << 1.0f << 0 << 1600;
    QTest::newRow("first listed one wins") << std::vector<DisplayInfo>{display("A", 0, 0, 800, 600, 800, "TBX2701"),
                                                                       display("B", 800, 0, 800, 600, 800, "TBX1301")}
                                           << 1.0f << 0 << 800;
    QTest::newRow("width 0 is skipped") << std::vector<DisplayInfo>{display("A", 0, 0, 0, 600, 800, "TBX1601"),
                                                                    display("B", 800, 0, 400, 300, 800, "TBX1601")}
                                        << 2.0f << 800 << 1200;
    QTest::newRow("no listed monitor") << std::vector<DisplayInfo>{Office, display("HDMI-1", 1920, 0, 1920, 1080, 1920, "TBX9999")}
                                       << 0.0f << -7 << -7;
    QTest::newRow("no displays") << std::vector<DisplayInfo>{} << 0.0f << -7 << -7;
}

void tst_DisplayGeometry::penDisplay()
{
    QFETCH(std::vector<DisplayInfo>, desktop);
    m_sim->setDisplays(desktop);
    TabletRect rect{-7, -7, -7, -7};
    QTEST(DisplayGeometry::getPenDisplayRect(rect), "scale");
    QTEST(rect.left, "left");
    QTEST(rect.right, "right");
}

void tst_DisplayGeometry::primaryDisplay()
{
    TabletRect rect{1, 2, 3, 4};
    m_sim->setDisplays({display("HDMI-1", 1920, 0, 1920, 1080, 1920, "TBX1601")});
    DisplayGeometry::getPrimaryDisplayRect(rect);
    QCOMPARE(rect.right, 3);   // nothing at (0, 0): unchanged

    // The mode's pixels count, not the scaled desktop's.
    m_sim->setDisplays({display("HDMI-1", 1920, 0, 1920, 1080, 1920, "TBX1601"), display("DP-1", 0, 0, 1280, 720, 2560, "")});
    DisplayGeometry::getPrimaryDisplayRect(rect);
    QCOMPARE(rect.left, 0);
    QCOMPARE(rect.top, 0);
    QCOMPARE(rect.right, 2560);
    QCOMPARE(rect.bottom, 1440);
}

void tst_DisplayGeometry::screenRectExport()
{
    int left = -7, top = -7, right = -7, bottom = -7;
    float scale = -7;
    m_sim->setDisplays({Office});
    QCOMPARE(TabrixGetScreenRect(&left, &top, &right, &bottom, &scale), -1000);
    QCOMPARE(left + top + right + bottom, -28);
    QCOMPARE(scale, -7.0f);

    m_sim->setDisplays({Office, display("HDMI-1", 1920, 0, 1280, 800, 1280, "TBX1602")});
    QCOMPARE(TabrixGetScreenRect(&left, &top, &right, &bottom, &scale), 1);
    QCOMPARE(left, 1920);
    QCOMPARE(top, 0);
    QCOMPARE(right, 3200);
    QCOMPARE(bottom, 800);
    QCOMPARE(scale, 1.0f);
}

QTEST_APPLESS_MAIN(tst_DisplayGeometry)
#include "tst_DisplayGeometry.moc"
