#include "platform/Hid.h"
#include "SimFixture.h"
#include "sim/DevSim.h"
#include "sim/SimTrace.h"

#include <QtTest>

#include <cstring>
#include <poll.h>

using namespace platform;

// The simulated HID backend against an in-process simulator: the same calls the libraries make.
class tst_SimHid : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void enumeratesEveryCollection();
    void inputReportsAreRoutedAndPadded();
    void readTimesOutWithoutInput();
    void outputReportsAreRecordedAndChecked();
    void featureAndStringRequests();
    void silentDeviceTimesOutAndRecovers();
    void refusedOpen();
    void unplugFailsOpenHandles();
    void monitorSeesArrivalAndRemoval();
    void traceText_data();
    void traceText();

private:
    SimDeviceDesc twoCollections() const;

    SimFixture m_sim;
};

void tst_SimHid::init()
{
    QVERIFY(m_sim.start());
}

void tst_SimHid::cleanup()
{
    m_sim.stop();
}

SimDeviceDesc tst_SimHid::twoCollections() const
{
    SimDeviceDesc desc;
    desc.vendorId = 0x1234;
    desc.productId = 0x5678;
    desc.revision = 0x0100;
    desc.interfaceNumber = 1;
    SimCollectionDesc pen{0x0D, 0x01, 10, 0, 0, {0x01}};
    SimCollectionDesc command{0xFF00, 0x0C, 8, 8, 64, {0x05}};
    desc.collections = {pen, command};
    desc.strings[2] = u"Pad";
    desc.onGetFeature = [](const SimRequest &request) -> std::optional<SimBytes> {
        if (request.data[0] != 0x05)
            return std::nullopt;
        return SimBytes{0x05, 0x00, 0x90, uint8_t(request.collection)};
    };
    desc.onOutput = [](const SimRequest &request) {
        // A command channel that answers each command with an input report.
        request.sim.sendInput(request.device, request.collection, {0x05, 0xAA, request.data[1]});
        return true;
    };
    return desc;
}

void tst_SimHid::enumeratesEveryCollection()
{
    QVERIFY(hid::simulated());
    QVERIFY(hid::enumerate().empty());
    const int id = m_sim->plug(twoCollections());
    const auto list = hid::enumerate();
    QCOMPARE(list.size(), size_t(2));
    QCOMPARE(list[0].hardwareId(), std::string("HID\\VID_1234&PID_5678&REV_0100&MI_01&COL01"));
    QCOMPARE(list[1].hardwareId(), std::string("HID\\VID_1234&PID_5678&REV_0100&MI_01&COL02"));
    QCOMPARE(list[1].caps.featureReportLength, uint16_t(64));
    QCOMPARE(list[1].path, m_sim->path(id, 1));
}

void tst_SimHid::inputReportsAreRoutedAndPadded()
{
    const int id = m_sim->plug(twoCollections());
    auto pen = hid::open(m_sim->path(id, 0));
    auto command = hid::open(m_sim->path(id, 1));
    QVERIFY(pen && command);
    QCOMPARE(m_sim->openHandles(id), 2);

    QVERIFY(m_sim->sendInput(id, {0x01, 0xA1, 0x02}));        // short pen report
    QVERIFY(m_sim->sendInput(id, {0x05, 0x01}));              // command channel report
    uint8_t buf[10];
    std::memset(buf, 0xEE, sizeof buf);
    QCOMPARE(pen->read(buf, sizeof buf, 1000), 3);
    const uint8_t expected[10] = {0x01, 0xA1, 0x02};
    QCOMPARE(QByteArray((char *)buf, 10), QByteArray((const char *)expected, 10));
    QCOMPARE(command->read(buf, sizeof buf, 1000), 2);
    QCOMPARE(buf[0], uint8_t(0x05));
    QCOMPARE(pen->read(buf, sizeof buf, 0), 0);               // the command report went elsewhere

    // A longer report than the buffer is cut to it.
    QVERIFY(m_sim->sendInput(id, SimBytes(40, 0x01)));
    QCOMPARE(pen->read(buf, sizeof buf, 1000), 10);
}

void tst_SimHid::readTimesOutWithoutInput()
{
    const int id = m_sim->plug(twoCollections());
    auto pen = hid::open(m_sim->path(id, 0));
    QVERIFY(pen);
    uint8_t buf[10];
    QCOMPARE(pen->read(buf, sizeof buf, 20), 0);
}

void tst_SimHid::outputReportsAreRecordedAndChecked()
{
    const int id = m_sim->plug(twoCollections());
    auto command = hid::open(m_sim->path(id, 1));
    auto pen = hid::open(m_sim->path(id, 0));
    QVERIFY(command && pen);
    const uint8_t report[8] = {0x05, 0x42};
    QCOMPARE(command->write(report, sizeof report, 1000), 8);
    uint8_t answer[8];
    QCOMPARE(command->read(answer, sizeof answer, 1000), 3);
    QCOMPARE(answer[2], uint8_t(0x42));

    const uint8_t tooLong[9] = {0x05};
    QCOMPARE(command->write(tooLong, sizeof tooLong, 1000), -1);
    QCOMPARE(pen->write(report, sizeof report, 1000), -1);    // the pen collection has no output report

    const auto records = m_sim->records(id);
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0].kind, SimRecord::Output);
    QCOMPARE(records[0].collection, 1);
    QCOMPARE(records[0].data, SimBytes(report, report + 8));
}

void tst_SimHid::featureAndStringRequests()
{
    const int id = m_sim->plug(twoCollections());
    auto command = hid::open(m_sim->path(id, 1));
    QVERIFY(command);
    uint8_t feature[64] = {0x05};
    QCOMPARE(command->getFeature(feature, sizeof feature), 4);
    QCOMPARE(feature[2], uint8_t(0x90));
    QCOMPARE(feature[3], uint8_t(1));
    feature[0] = 0x06;
    QCOMPARE(command->getFeature(feature, sizeof feature), -1);
    const uint8_t set[3] = {0x05, 1, 2};
    QVERIFY(command->setFeature(set, sizeof set));
    QCOMPARE(m_sim->records(id).back().kind, SimRecord::SetFeature);

    std::u16string text;
    QVERIFY(command->indexedString(2, text));
    QCOMPARE(text, std::u16string(u"Pad"));
    QVERIFY(!command->indexedString(3, text));
}

void tst_SimHid::silentDeviceTimesOutAndRecovers()
{
    const int id = m_sim->plug(twoCollections());
    auto command = hid::open(m_sim->path(id, 1));
    QVERIFY(command);
    m_sim->setFault(id, SimFault::Silent);
    const uint8_t first[8] = {0x05, 0x01};
    QCOMPARE(command->write(first, sizeof first, 30), 0);
    QVERIFY(m_sim->sendInput(id, {0x01, 0x02}));                // swallowed while silent
    m_sim->setFault(id, SimFault::None);

    // The next request gets its own answer, not a stale one.
    uint8_t feature[64] = {0x05};
    QCOMPARE(command->getFeature(feature, sizeof feature), 4);
    auto pen = hid::open(m_sim->path(id, 0));
    uint8_t buf[10];
    QCOMPARE(pen->read(buf, sizeof buf, 20), 0);
}

void tst_SimHid::refusedOpen()
{
    const int id = m_sim->plug(twoCollections());
    m_sim->setFault(id, SimFault::RefuseOpen);
    QCOMPARE(hid::enumerate().size(), size_t(2));
    HidOpenFailure failure = HidOpenFailure::None;
    QVERIFY(!hid::open(m_sim->path(id, 0), &failure));
    QCOMPARE(failure, HidOpenFailure::Other);
    m_sim->setFault(id, SimFault::DenyAccess);
    QVERIFY(!hid::open(m_sim->path(id, 0), &failure));
    QCOMPARE(failure, HidOpenFailure::AccessDenied);
    QVERIFY(!hid::open("devsim:99:1"));
    QVERIFY(!hid::open(m_sim->path(id, 5)));
    QCOMPARE(m_sim->openHandles(id), 0);
}

void tst_SimHid::unplugFailsOpenHandles()
{
    const int id = m_sim->plug(twoCollections());
    auto pen = hid::open(m_sim->path(id, 0));
    auto command = hid::open(m_sim->path(id, 1));
    QVERIFY(pen && command);
    QVERIFY(m_sim->unplug(id));
    uint8_t buf[10];
    QCOMPARE(pen->read(buf, sizeof buf, 1000), -1);
    QCOMPARE(command->write(buf, 8, 1000), -1);
    uint8_t feature[64] = {0x05};
    QCOMPARE(command->getFeature(feature, sizeof feature), -1);
    QVERIFY(hid::enumerate().empty());
    QVERIFY(!m_sim->unplug(id));
}

void tst_SimHid::monitorSeesArrivalAndRemoval()
{
    auto monitor = hid::monitor();
    QVERIFY(monitor);
    HidEvent event;
    QVERIFY(!monitor->next(event));
    const int id = m_sim->plug(twoCollections());
    m_sim->unplug(id);

    std::vector<HidEvent> events;
    while (events.size() < 4) {
        pollfd p{monitor->fd(), POLLIN, 0};
        QVERIFY(::poll(&p, 1, 5000) == 1);
        while (monitor->next(event))
            events.push_back(event);
    }
    QCOMPARE(events.size(), size_t(4));
    QCOMPARE(events[0].kind, HidEvent::Arrived);
    QCOMPARE(events[1].info.hardwareId(), std::string("HID\\VID_1234&PID_5678&REV_0100&MI_01&COL02"));
    QCOMPARE(events[2].kind, HidEvent::Removed);
    QCOMPARE(events[3].info.path, m_sim->path(id, 1));
}

void tst_SimHid::traceText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("lastDelayUs");
    QTest::addColumn<QString>("error");
    QTest::newRow("two reports with a comment") << "0 0241a0\n# pause\n2.5 02 41 a1 # touch\n" << true << 2 << 2500 << "";
    QTest::newRow("delay to the nearest microsecond") << "2.002 02 41 a1" << true << 1 << 2002 << "";
    QTest::newRow("blank lines only") << "\n\n" << true << 0 << 0 << "";
    QTest::newRow("longest delay") << "2147483.647 0241a1" << true << 1 << 2147483647 << "";
    QTest::newRow("odd hex digits") << "1 024" << false << 0 << 0 << "line 1: an odd number of hexadecimal digits in 024";
    QTest::newRow("not hex") << "0 02\n1 zz" << false << 0 << 0 << "line 2: not hexadecimal: zz";
    QTest::newRow("no report") << "1\n" << false << 0 << 0 << "line 1: no report after the delay";
    QTest::newRow("delay not a number") << "0 02\nnan 01" << false << 0 << 0 << "line 2: not a delay in milliseconds: nan";
    QTest::newRow("negative delay") << "-1 02" << false << 0 << 0 << "line 1: a negative delay";
    QTest::newRow("delay beyond an int of microseconds") << "3000000 01" << false << 0 << 0
                                                        << "line 1: a delay of 3000000 ms is longer than the longest, 2147483 ms";
}

void tst_SimHid::traceText()
{
    QFETCH(QString, text);
    std::string error;
    const auto trace = SimTrace::parse(text.toStdString(), error);
    QTEST(trace.has_value(), "valid");
    QTEST(QString::fromStdString(error), "error");
    if (!trace)
        return;
    QTEST(int(trace->steps.size()), "steps");
    if (!trace->steps.empty()) {
        QTEST(trace->steps.back().delayUs, "lastDelayUs");
        QCOMPARE(trace->steps.back().report, (SimBytes{0x02, 0x41, 0xA1}));
    }
}

QTEST_APPLESS_MAIN(tst_SimHid)
#include "tst_SimHid.moc"
