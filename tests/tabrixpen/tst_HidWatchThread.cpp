#include "NotifyMatcher.h"
#include "OstraTablet.h"
#include "TabletModels.h"
#include "SimFixture.h"
#include "sim/DevSim.h"
#include "sim/SimTabletModel.h"

#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace platform;

// Arrivals and removals of supported tablets reach the notify callback, on threads of their
// own; everything else is ignored.
class tst_HidWatchThread : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void matching_data();
    void matching();
    void interfaceNames();
    void arrivalAndRemoval();
    void clearedCallbackHearsNothing();
    void quickSecondCallStartsNoSecondWatch();
    void restartsWhenTheWatchEnded();
    void unloadWaitsForReportsInFlight();

private:
    SimFixture m_sim;
};

namespace {

struct Heard {
    int value;
    std::thread::id thread;
};

std::mutex heardLock;
std::condition_variable heardChanged;
std::vector<Heard> heard;

void TABRIX_STDCALL listen(int value)
{
    std::lock_guard<std::mutex> guard(heardLock);
    heard.push_back({value, std::this_thread::get_id()});
    heardChanged.notify_all();
}

std::atomic<bool> slowEntered{false};

void TABRIX_STDCALL listenSlowly(int value)
{
    slowEntered = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    listen(value);
}

std::vector<Heard> waitHeard(size_t count, int boundMs = 5000)
{
    std::unique_lock<std::mutex> guard(heardLock);
    heardChanged.wait_for(guard, std::chrono::milliseconds(boundMs), [count] { return heard.size() >= count; });
    return heard;
}

SimDeviceDesc tabletDesc(int modelCode)
{
    SimTabletModel model;
    model.productId = TabletModels::productIdOf(modelCode);
    return model.desc();
}

} // namespace

void tst_HidWatchThread::init()
{
    QVERIFY(m_sim.start());
    std::lock_guard<std::mutex> guard(heardLock);
    heard.clear();
}

void tst_HidWatchThread::cleanup()
{
    m_sim.stop();
}

void tst_HidWatchThread::matching_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    const char *guid = "#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    QTest::newRow("lower-case name") << QString("\\\\?\\hid#vid_2b57&pid_0103&mi_02") + guid << 1003;
    QTest::newRow("upper-case name") << QString("\\\\?\\HID#VID_2B57&PID_0205&MI_02") + guid << 2005;
    QTest::newRow("with a collection part") << QString("\\\\?\\hid#vid_2b57&pid_0103&mi_02&col01") + guid << 0;
    QTest::newRow("foreign vendor") << QString("\\\\?\\hid#vid_046d&pid_0103&mi_02") + guid << 0;
    QTest::newRow("unknown product") << QString("\\\\?\\hid#vid_2b57&pid_0999&mi_02") + guid << 0;
    QTest::newRow("other interface") << QString("\\\\?\\hid#vid_2b57&pid_0103&mi_00") + guid << 0;
    QTest::newRow("no interface part") << QString("\\\\?\\hid#vid_2b57&pid_0103") + guid << 0;
    QTest::newRow("cut short") << QString("\\\\?\\hid#vid_2b") << 0;
    QTest::newRow("empty") << QString() << 0;
}

void tst_HidWatchThread::matching()
{
    QFETCH(QString, name);
    QTEST(NotifyMatcher::match(name.toStdString(), TabletModels::table()), "code");
}

void tst_HidWatchThread::interfaceNames()
{
    HidDeviceInfo info;
    info.vendorId = 0x2B57;
    info.productId = 0x01AB;
    info.interfaceNumber = 2;
    QCOMPARE(NotifyMatcher::deviceNameOf(info).substr(0, 32), std::string("\\\\?\\hid#vid_2b57&pid_01ab&mi_02#"));
    info.collectionCount = 2;
    info.collectionIndex = 1;
    QCOMPARE(NotifyMatcher::deviceNameOf(info).substr(0, 38), std::string("\\\\?\\hid#vid_2b57&pid_01ab&mi_02&col02#"));
    info.interfaceNumber = -1;
    QVERIFY(NotifyMatcher::deviceNameOf(info).find("mi_") == std::string::npos);
}

void tst_HidWatchThread::arrivalAndRemoval()
{
    OstraTablet tablet;
    QVERIFY(tablet.setNotifyCallback(&listen) > 0);
    QVERIFY(tablet.hidWatchRunning());

    SimDeviceDesc foreign = tabletDesc(1000);
    foreign.vendorId = 0x046D;
    SimDeviceDesc withCollections = tabletDesc(1001);
    withCollections.collections.push_back(withCollections.collections.front());
    m_sim->plug(foreign);
    m_sim->plug(withCollections);
    const int id = m_sim->plug(tabletDesc(2002));
    m_sim->unplug(id);

    const auto events = waitHeard(2);
    QCOMPARE(events.size(), size_t(2));
    // Each report comes on a thread of its own, so the two may come in either order.
    QCOMPARE(events[0].value + events[1].value, 1);
    QVERIFY(events[0].thread != std::this_thread::get_id());
    QVERIFY(events[1].thread != std::this_thread::get_id());
    QCOMPARE(waitHeard(3, 200).size(), size_t(2));   // nothing from the other two devices
}

void tst_HidWatchThread::clearedCallbackHearsNothing()
{
    OstraTablet tablet;
    const int64_t id = tablet.setNotifyCallback(&listen);
    tablet.clearCallback(id);
    QVERIFY(tablet.hidWatchRunning());           // clearing does not stop the watch
    m_sim->plug(tabletDesc(1000));
    QCOMPARE(waitHeard(1, 300).size(), size_t(0));
    tablet.setNotifyCallback(&listen);
    m_sim->plug(tabletDesc(1001));
    QCOMPARE(waitHeard(1).size(), size_t(1));
}

void tst_HidWatchThread::quickSecondCallStartsNoSecondWatch()
{
    OstraTablet tablet;
    std::thread first([&] { tablet.setNotifyCallback(&listenSlowly); });
    std::thread second([&] { tablet.setNotifyCallback(&listen); });
    first.join();
    second.join();
    tablet.setNotifyCallback(&listen);
    QCOMPARE(m_sim->monitors(), 1);
    m_sim->plug(tabletDesc(1000));
    const auto events = waitHeard(1);
    QCOMPARE(events.size(), size_t(1));
    QCOMPARE(waitHeard(2, 300).size(), size_t(1));   // one watch, one report
}

void tst_HidWatchThread::restartsWhenTheWatchEnded()
{
    OstraTablet tablet;
    tablet.setNotifyCallback(&listen);
    // The simulator goes away and comes back: the watch ends, the next call starts it again.
    m_sim.stop();
    QTRY_VERIFY(!tablet.hidWatchRunning());
    QVERIFY(m_sim.start());
    tablet.setNotifyCallback(&listen);
    QVERIFY(tablet.hidWatchRunning());
    m_sim->plug(tabletDesc(1000));
    QCOMPARE(waitHeard(1).size(), size_t(1));
}

void tst_HidWatchThread::unloadWaitsForReportsInFlight()
{
    {
        OstraTablet tablet;
        tablet.setNotifyCallback(&listenSlowly);
        slowEntered = false;
        m_sim->plug(tabletDesc(1000));
        QTRY_VERIFY(slowEntered);   // unload while the report is still in the callback
    }
    // The callback finished before the tablet object went (ASan watches for the rest).
    QCOMPARE(waitHeard(1, 0).size(), size_t(1));
}

QTEST_APPLESS_MAIN(tst_HidWatchThread)
#include "tst_HidWatchThread.moc"
