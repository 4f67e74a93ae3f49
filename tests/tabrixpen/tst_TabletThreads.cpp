#include "OstraTablet.h"
#include "PacketSink.h"
#include "SimFixture.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QtTest>

#include <atomic>
#include <thread>

using namespace platform;

// The program opens and closes the tablet on its device thread and clears the surface on its
// main thread; callbacks may call back in. None of it may race, deadlock or leak a handle.
class tst_TabletThreads : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openCloseClearFromThreeThreads();
    void callbackCallingBackIn();

private:
    SimFixture m_sim;
};

namespace {

OstraTablet *reentrantTablet = nullptr;
std::atomic<int> reentrantOpen{0};
std::atomic<int> reentrantCalls{0};

int TABRIX_STDCALL callingBack(TABLET_PACKET packet)
{
    reentrantTablet->clearTabletSurface();
    reentrantTablet->close();                       // refused on the dispatch thread
    reentrantOpen = reentrantTablet->open();
    TABLET_PACKET polled;
    reentrantTablet->getPacket(&polled);
    ++reentrantCalls;
    return PacketSink::callback(packet);
}

} // namespace

void tst_TabletThreads::init()
{
    QVERIFY(m_sim.start());
    PacketSink::reset();
}

void tst_TabletThreads::cleanup()
{
    m_sim.stop();
}

void tst_TabletThreads::openCloseClearFromThreeThreads()
{
    const int id = m_sim->plug(*SimModelCatalog::make("slate"));
    OstraTablet tablet;
    tablet.setPacketCallback(&PacketSink::callback);
    std::atomic<bool> feeding{true};
    std::thread feeder([&] {
        uint16_t x = 0;
        while (feeding) {
            m_sim->sendInput(id, {0x02, 0x41, 0xA1, uint8_t(x), uint8_t(x >> 8), 0, 0, 0, 0});
            ++x;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::atomic<int> opened{0}, cleared{0};
    auto worker = [&](int role) {
        for (int i = 0; i < 12; ++i) {
            if (role == 0) {
                opened += tablet.open() == 1;
            } else if (role == 1) {
                tablet.close();
            } else {
                cleared += tablet.clearTabletSurface();
                TABLET_PACKET packet;
                const int polled = tablet.getPacket(&packet);
                QVERIFY(polled == 1 || polled == -1000 || polled == -1003);
            }
        }
    };
    std::thread a(worker, 0), b(worker, 1), c(worker, 2);
    a.join();
    b.join();
    c.join();
    QVERIFY(opened > 0);

    // Whatever the interleaving, the tablet ends in a sound state.
    tablet.close();
    QCOMPARE(m_sim->openHandles(id), 0);
    QCOMPARE(tablet.open(), 1);
    QCOMPARE(m_sim->openHandles(id), 1);
    PacketSink::reset();
    QVERIFY(PacketSink::waitFor(5).size() >= 5);
    feeding = false;
    feeder.join();
    tablet.close();
    QCOMPARE(m_sim->openHandles(id), 0);
    // Every clear that reported success reached the tablet (a slow one may arrive too late to
    // count as success).
    int clears = 0;
    for (const SimRecord &record : m_sim->records(id))
        clears += record.data.size() > 1 && record.data[1] == 0x0F;
    QVERIFY(clears >= cleared.load());
}

void tst_TabletThreads::callbackCallingBackIn()
{
    const int id = m_sim->plug(*SimModelCatalog::make("slate"));
    OstraTablet tablet;
    reentrantTablet = &tablet;
    tablet.setPacketCallback(&callingBack);
    QCOMPARE(tablet.open(), 1);
    for (int i = 0; i < 20; ++i)
        m_sim->sendInput(id, {0x02, 0x41, 0xA0, uint8_t(i), 0, 0, 0, 0, 0});
    QVERIFY(PacketSink::waitFor(1).size() >= 1);
    tablet.close();                                  // while callbacks may still be running
    QVERIFY(reentrantCalls > 0);
    QCOMPARE(reentrantOpen.load(), -1000);
    QCOMPARE(m_sim->openHandles(id), 0);
    reentrantTablet = nullptr;
}

QTEST_APPLESS_MAIN(tst_TabletThreads)
#include "tst_TabletThreads.moc"
