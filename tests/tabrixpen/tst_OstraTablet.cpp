#include "OstraTablet.h"
#include "PacketSink.h"
#include "TabletDiscovery.h"
#include "TabletModels.h"
#include "SimFixture.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"
#include "sim/SimTabletModel.h"

#include <QtTest>

#include <cstring>
#include <unistd.h>

using namespace platform;

// The tablet object against simulated tablets: discovery, open and close, delivery, context
// and clearing the surface.
class tst_OstraTablet : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void simulatorModelsAreSupported();
    void discoveryOrderAndMatching();
    void noTablet();
    void openTwiceRestartsAndSendsStartReports();
    void packetsReachTheCallbackInOrder();
    void pollingCompetesForPackets();
    void failedOpenClosesTheFile_data();
    void failedOpenClosesTheFile();
    void contextWhileOpen();
    void clearSurface_data();
    void clearSurface();
    void unplugMidStroke();
    void callbackIds();
    void rotationNormalisation_data();
    void rotationNormalisation();

private:
    int plug(const char *model);
    SimTabletModel modelFor(int code) const;

    SimFixture m_sim;
};

namespace {

SimBytes pen(uint8_t status, uint16_t x, uint16_t y, uint16_t pressure)
{
    return {0x02, 0x41, status, uint8_t(x), uint8_t(x >> 8), uint8_t(y), uint8_t(y >> 8), uint8_t(pressure), uint8_t(pressure >> 8)};
}

SimBytes command(uint8_t a, uint8_t b, size_t length = 9)
{
    SimBytes report(length, 0);
    report[0] = 0x09;
    report[1] = a;
    report[2] = b;
    return report;
}

std::vector<SimBytes> outputs(const DevSim &sim, int id)
{
    std::vector<SimBytes> reports;
    for (const SimRecord &record : sim.records(id))
        if (record.kind == SimRecord::Output)
            reports.push_back(record.data);
    return reports;
}

} // namespace

void tst_OstraTablet::init()
{
    QVERIFY(m_sim.start());
    PacketSink::reset();
}

void tst_OstraTablet::cleanup()
{
    m_sim.stop();
}

int tst_OstraTablet::plug(const char *model)
{
    return m_sim->plug(*SimModelCatalog::make(model));
}

SimTabletModel tst_OstraTablet::modelFor(int code) const
{
    SimTabletModel model;
    model.productId = TabletModels::productIdOf(code);
    return model;
}

void tst_OstraTablet::simulatorModelsAreSupported()
{
    QCOMPARE(SimTabletModel::VendorId, TabletModels::VendorId);
    QCOMPARE(TabletModels::table().size(), size_t(14));
    QCOMPARE(SimModelCatalog::make("tablet")->productId, TabletModels::productIdOf(1000));
    QCOMPARE(SimModelCatalog::make("tablet-wide")->productId, TabletModels::productIdOf(2001));
    const auto slate = SimModelCatalog::make("slate");
    QVERIFY(TabletModels::hasWritingSurface(QString::fromStdU16String(slate->strings.at(2)).toUtf8().constData()));
}

void tst_OstraTablet::discoveryOrderAndMatching()
{
    SimDeviceDesc otherRevision = modelFor(1001).desc();
    otherRevision.revision = 1;
    SimDeviceDesc otherInterface = modelFor(1001).desc();
    otherInterface.interfaceNumber = 0;
    SimDeviceDesc twoCollections = modelFor(1001).desc();
    twoCollections.collections.push_back(twoCollections.collections.front());
    m_sim->plug(otherRevision);
    m_sim->plug(otherInterface);
    m_sim->plug(twoCollections);
    QVERIFY(TabletDiscovery::listPresentDevicePaths().empty());

    const int high = m_sim->plug(modelFor(2001).desc());
    const int low = m_sim->plug(modelFor(1000).desc());
    const auto paths = TabletDiscovery::listPresentDevicePaths();
    QCOMPARE(paths, (std::vector<std::string>{m_sim->path(low, 0), m_sim->path(high, 0)}));
    QCOMPARE(TabletDiscovery::findDevicePathByHardwareId("HID\\VID_2B57&PID_0201&REV_0000&MI_02"), m_sim->path(high, 0));
    QCOMPARE(TabletDiscovery::findDevicePathByHardwareId("HID\\VID_2B57&PID_0201&REV_0000&MI_03"), std::string());

    OstraTablet tablet;
    QCOMPARE(tablet.open(), 1);
    QCOMPARE(m_sim->openHandles(low), 1);
    QCOMPARE(m_sim->openHandles(high), 0);
}

void tst_OstraTablet::noTablet()
{
    OstraTablet tablet;
    TABLET_PACKET packet;
    TABLET_CONTEXT context;
    QCOMPARE(tablet.getPacket(nullptr), -1002);
    QCOMPARE(tablet.getPacket(&packet), -1000);
    QCOMPARE(tablet.getContext(nullptr), -1002);
    QCOMPARE(tablet.getContext(&context), -1000);
    QCOMPARE(tablet.open(), -1000);
    QVERIFY(!tablet.clearTabletSurface());
    tablet.close();
    QCOMPARE(tablet.getPacket(&packet), -1000);
}

void tst_OstraTablet::openTwiceRestartsAndSendsStartReports()
{
    const int id = plug("tablet");
    OstraTablet tablet;
    tablet.setPacketCallback(&PacketSink::callback);
    QCOMPARE(tablet.open(), 1);
    QCOMPARE(tablet.open(), 1);
    QCOMPARE(m_sim->openHandles(id), 1);
    const std::vector<SimBytes> start{command(0x01, 0x04), command(0x02, 0x02)};
    QCOMPARE(outputs(*m_sim, id), (std::vector<SimBytes>{start[0], start[1], start[0], start[1]}));

    tablet.close();
    QCOMPARE(m_sim->openHandles(id), 0);
    TABLET_PACKET packet;
    QCOMPARE(tablet.getPacket(&packet), -1000);

    QCOMPARE(tablet.open(), 1);
    QCOMPARE(tablet.getPacket(&packet), -1003);
    QVERIFY(m_sim->sendInput(id, pen(0xA0, 10, 20, 0)));
    const auto received = PacketSink::waitFor(1);
    QCOMPARE(received.size(), size_t(1));
    QCOMPARE(received[0].x, 10);
}

void tst_OstraTablet::packetsReachTheCallbackInOrder()
{
    const int id = plug("tablet");
    OstraTablet tablet;
    QCOMPARE(tablet.setPacketCallback(&PacketSink::callback), int64_t(reinterpret_cast<uintptr_t>(&PacketSink::callback)));
    QCOMPARE(tablet.open(), 1);
    const int strokes = 300;
    m_sim->sendInput(id, pen(0xA0, 0, 0, 0));
    for (int i = 0; i < strokes; ++i)
        m_sim->sendInput(id, pen(0xA1, uint16_t(i), uint16_t(2 * i), uint16_t(i % 4096)));
    m_sim->sendInput(id, pen(0xA0, 0, 0, 0));
    m_sim->sendInput(id, {0x02, 0x42, 0x01, 0x01, 0x04, 0x00});
    const auto received = PacketSink::waitFor(size_t(strokes) + 3);
    QCOMPARE(received.size(), size_t(strokes) + 3);
    QCOMPARE(received[1].status, 1);
    for (int i = 0; i < strokes; ++i) {
        QCOMPARE(received[size_t(i) + 1].x, i);
        QCOMPARE(received[size_t(i) + 1].y, 2 * i);
    }
    QCOMPARE(received[2].status, 2);
    QCOMPARE(received[size_t(strokes) + 1].status, 3);
    QCOMPARE(received.back().type, 1);
    QCOMPARE(received.back().keyNumber, 3);
}

void tst_OstraTablet::pollingCompetesForPackets()
{
    const int id = plug("tablet");
    OstraTablet tablet;
    QCOMPARE(tablet.open(), 1);
    const int total = 200;
    for (int i = 0; i < total; ++i)
        m_sim->sendInput(id, pen(0xA0, uint16_t(i), 0, 0));
    // No callback: the dispatch thread still takes packets, so polling gets some or none;
    // nothing is delivered twice and nothing comes out of order.
    int polled = 0, last = -1;
    TABLET_PACKET packet;
    for (int tries = 0; tries < 2000 && polled < total; ++tries) {
        const int result = tablet.getPacket(&packet);
        QVERIFY(result == 1 || result == -1003);
        if (result == 1) {
            QVERIFY(packet.x > last);
            last = packet.x;
            ++polled;
        } else {
            QTest::qWait(1);
        }
    }
    QVERIFY(polled <= total);
}

void tst_OstraTablet::failedOpenClosesTheFile_data()
{
    QTest::addColumn<int>("fault");   // 0: refuse open, 1: no input report, 2: no range string, 3: no permission
    QTest::addColumn<int>("result");
    QTest::newRow("device cannot be opened") << 0 << -1001;
    QTest::newRow("permission refused") << 3 << -1001;
    QTest::newRow("input report length 0") << 1 << -1001;
    QTest::newRow("range string unreadable") << 2 << -1000;
}

void tst_OstraTablet::failedOpenClosesTheFile()
{
    QFETCH(int, fault);
    SimDeviceDesc desc = SimTabletModel().desc();
    if (fault == 1)
        desc.collections[0].inputLength = 0;
    if (fault == 2)
        desc.strings.erase(20);
    const int id = m_sim->plug(desc);
    if (fault == 0 || fault == 3)
        m_sim->setFault(id, fault == 0 ? SimFault::RefuseOpen : SimFault::DenyAccess);
    OstraTablet tablet;
    QTemporaryFile errors;
    QVERIFY(errors.open());
    const int standardError = ::dup(STDERR_FILENO);
    ::dup2(errors.handle(), STDERR_FILENO);
    const int opened = tablet.open();
    ::dup2(standardError, STDERR_FILENO);
    ::close(standardError);
    QTEST(opened, "result");
    QFile written(errors.fileName());
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll().contains("permission refused (EACCES)"), fault == 3);
    QCOMPARE(m_sim->openHandles(id), 0);
    TABLET_PACKET packet;
    QCOMPARE(tablet.getPacket(&packet), -1000);
    QVERIFY(!tablet.clearTabletSurface());
    TABLET_CONTEXT context;
    QCOMPARE(tablet.getContext(&context), fault == 0 || fault == 3 ? -1001 : fault == 2 ? -1000 : 1);
}

void tst_OstraTablet::contextWhileOpen()
{
    const int id = plug("tablet-wide");
    OstraTablet tablet;
    tablet.setPacketCallback(&PacketSink::callback);
    QCOMPARE(tablet.open(), 1);
    TABLET_CONTEXT context;
    QCOMPARE(tablet.getContext(&context), 1);
    QCOMPARE(context.maxX, 86000);
    QCOMPARE(context.maxY, 48400);
    QCOMPARE(QByteArray(context.productName), QByteArray("Tabrix Pen Display 16"));
    QCOMPARE(QByteArray(context.serial), QByteArray("TX4C016689")); // "TX4C0", then '1' + 256 * 'A'
    QCOMPARE(m_sim->openHandles(id), 1);                             // the temporary handle is gone again

    // Delivery goes on, with 24-bit coordinates.
    m_sim->sendInput(id, {0x02, 0x41, 0xA1, 0x10, 0x4F, 0x01, 0x20, 0xBD, 0x00, 0xFF, 0x07});
    const auto received = PacketSink::waitFor(1);
    QCOMPARE(received.size(), size_t(1));
    QCOMPARE(received[0].x, 0x014F10);
    QCOMPARE(received[0].y, 0x00BD20);
    QCOMPARE(received[0].pressure, 0x07FF);
}

void tst_OstraTablet::clearSurface_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("outputLength");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("surface model") << "Tabrix Slate 10" << 9 << false << true;
    QTest::newRow("longer output report") << "Tabrix Slate 12" << 16 << false << true;
    QTest::newRow("model without a surface") << "Tabrix Pen Tablet" << 9 << false << false;
    QTest::newRow("output report too short for the command") << "Tabrix Slate 10" << 2 << false << false;
    QTest::newRow("tablet does not answer") << "Tabrix Slate 10" << 9 << true << false;
}

void tst_OstraTablet::clearSurface()
{
    QFETCH(QString, name);
    QFETCH(int, outputLength);
    QFETCH(bool, silent);
    SimTabletModel model;
    model.productName = name.toStdU16String();
    model.outputLength = uint16_t(outputLength);
    const int id = m_sim->plug(model.desc());
    OstraTablet tablet;
    QCOMPARE(tablet.open(), 1);
    m_sim->clearRecords(id);
    if (silent)
        m_sim->setFault(id, SimFault::Silent);
    QTEST(tablet.clearTabletSurface(), "cleared");
    const auto sent = outputs(*m_sim, id);
    if (outputLength >= 3 && TabletModels::hasWritingSurface(name.toUtf8().constData()))
        QCOMPARE(sent, (std::vector<SimBytes>{command(0x0F, 0x01, size_t(outputLength))}));
    else
        QVERIFY(sent.empty());
    m_sim->setFault(id, SimFault::None);
    tablet.close();
    QVERIFY(!tablet.clearTabletSurface());
}

void tst_OstraTablet::unplugMidStroke()
{
    const int id = plug("tablet");
    OstraTablet tablet;
    tablet.setPacketCallback(&PacketSink::callback);
    QCOMPARE(tablet.open(), 1);
    m_sim->sendInput(id, pen(0xA1, 100, 100, 500));
    m_sim->sendInput(id, pen(0xA1, 110, 100, 500));
    QCOMPARE(PacketSink::waitFor(2).size(), size_t(2));
    QVERIFY(m_sim->unplug(id));
    QVERIFY(!tablet.clearTabletSurface());
    TABLET_PACKET packet;
    QCOMPARE(tablet.getPacket(&packet), -1003);   // still open until closed; nothing new arrives

    // Plugged in again: the pen is still taken as touching, so lifting it reads as up.
    const int again = plug("tablet");
    QCOMPARE(tablet.open(), 1);
    m_sim->sendInput(again, pen(0xA0, 120, 100, 0));
    const auto received = PacketSink::waitFor(3);
    QCOMPARE(received.size(), size_t(3));
    QCOMPARE(received[2].status, 3);
    tablet.close();
}

void tst_OstraTablet::callbackIds()
{
    struct Other {
        static int TABRIX_STDCALL packet(TABLET_PACKET) { return 0; }
        static void TABRIX_STDCALL notify(int) {}
    };
    const int id = plug("tablet");
    OstraTablet tablet;
    QCOMPARE(tablet.setPacketCallback(nullptr), int64_t(-1002));
    QCOMPARE(tablet.setNotifyCallback(nullptr), int64_t(-1002));
    const int64_t first = tablet.setPacketCallback(&Other::packet);
    const int64_t second = tablet.setPacketCallback(&PacketSink::callback);
    const int64_t notify = tablet.setNotifyCallback(&Other::notify);
    QCOMPARE(uint64_t(second), uint64_t(reinterpret_cast<uintptr_t>(&PacketSink::callback)));
    QCOMPARE(tablet.open(), 1);

    auto delivered = [&](int x) {
        m_sim->sendInput(id, pen(0xA0, uint16_t(x), 0, 0));
        return PacketSink::waitFor(PacketSink::count() + 1, 300).size();
    };
    tablet.clearCallback(first);            // replaced: clears nothing
    tablet.clearCallback(-1002);            // never an id
    tablet.clearCallback(notify);           // only the notify callback
    size_t before = PacketSink::count();
    QCOMPARE(delivered(1), before + 1);
    tablet.clearCallback(second);
    before = PacketSink::count();
    QCOMPARE(delivered(2), before);

    tablet.setPacketCallback(&PacketSink::callback);
    tablet.setNotifyCallback(&Other::notify);
    tablet.clearCallback(0);
    before = PacketSink::count();
    QCOMPARE(delivered(3), before);
    tablet.close();
}

void tst_OstraTablet::rotationNormalisation_data()
{
    QTest::addColumn<uint>("degrees");
    QTest::addColumn<int>("stored");
    QTest::newRow("0") << 0u << 0;
    QTest::newRow("89") << 89u << 0;
    QTest::newRow("90") << 90u << 90;
    QTest::newRow("359") << 359u << 270;
    QTest::newRow("450") << 450u << 90;
    QTest::newRow("largest unsigned") << 4294967295u << 180;   // 4294967295 % 360 = 255
}

void tst_OstraTablet::rotationNormalisation()
{
    QFETCH(uint, degrees);
    QTEST(OstraMouse::normaliseRotation(degrees), "stored");
}

QTEST_APPLESS_MAIN(tst_OstraTablet)
#include "tst_OstraTablet.moc"
