#include "MouseInputSink.h"
#include "OstraMouse.h"
#include "platform/Displays.h"
#include "platform/PointerInjector.h"

#include <QtTest>

#include <X11/Xlib.h>

// The pointer on a real X server, moved through XTest and read back.
class tst_PointerXvfb : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void movesTheRealPointer();
    void penDragLandsOnThePrimaryDisplay();

private:
    QPoint pointer();
    Display *m_display = nullptr;
};

void tst_PointerXvfb::initTestCase()
{
    qunsetenv("INKWARDEN_DEVSIM");
    m_display = XOpenDisplay(nullptr);
    QVERIFY(m_display);
}

QPoint tst_PointerXvfb::pointer()
{
    Window root, child;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return QPoint(rootX, rootY);
}

void tst_PointerXvfb::movesTheRealPointer()
{
    auto injector = platform::PointerInjector::open();
    QVERIFY(injector);
    injector->moveTo(123, 456);
    QTRY_COMPARE(pointer(), QPoint(123, 456));
    injector->moveTo(1900, 20);
    QTRY_COMPARE(pointer(), QPoint(1900, 20));
}

void tst_PointerXvfb::penDragLandsOnThePrimaryDisplay()
{
    const auto displays = platform::displays::enumerate();
    QVERIFY(!displays.empty());
    OstraMouse mouse;
    mouse.setTabletRange(16384, 8192);
    mouse.activate(true);
    const OstraMouse::Geometry geometry = mouse.geometry();
    QCOMPARE(geometry.base.right - geometry.base.left, 1920);
    QCOMPARE(geometry.base.bottom - geometry.base.top, 1080);
    mouse.pushEvent(8192, 4096, 2);   // the tablet's centre
    QTRY_COMPARE(pointer(), QPoint(960, 540));
    mouse.activate(false);
}

QTEST_APPLESS_MAIN(tst_PointerXvfb)
#include "tst_PointerXvfb.moc"
