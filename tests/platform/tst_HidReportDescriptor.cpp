#include "platform/HidDeviceInfo.h"
#include "platform/HidReportDescriptor.h"

#include <QtTest>

using platform::HidDeviceInfo;
using platform::HidReportDescriptor;

Q_DECLARE_METATYPE(std::vector<uint8_t>)

class tst_HidReportDescriptor : public QObject {
    Q_OBJECT
private slots:
    void lengths_data();
    void lengths();
    void reportIdsPerCollection();
    void truncatedDescriptorStopsSafely();
    void hardwareId_data();
    void hardwareId();
};

namespace {

// A boot mouse: unnumbered, 3 buttons + 5 padding bits + X/Y bytes = 3 bytes of input.
const std::vector<uint8_t> Mouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03,
    0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x03,
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
    0xC0, 0xC0};

// Vendor page 0xFF0D, two numbered input reports (8 and 12 bytes), one 8-byte output report.
const std::vector<uint8_t> Tablet = {
    0x06, 0x0D, 0xFF, 0x09, 0x01, 0xA1, 0x01,
    0x85, 0x02, 0x09, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02,
    0x85, 0x03, 0x09, 0x01, 0x75, 0x08, 0x95, 0x0C, 0x81, 0x02,
    0x85, 0x09, 0x09, 0x01, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02,
    0xC0};

// Two top-level collections: a digitizer pen (id 1, 9 bytes in) and a vendor command channel
// (id 5 feature of 63 bytes) with a push/pop around it and a long item in between.
const std::vector<uint8_t> TwoCollections = {
    0x05, 0x0D, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x30, 0x75, 0x08, 0x95, 0x09, 0x81, 0x02, 0xC0,
    0xA4, 0x75, 0x10, 0xFE, 0x02, 0x00, 0xAA, 0xBB, 0xB4,
    0x06, 0x00, 0xFF, 0x09, 0x0C, 0xA1, 0x01, 0x85, 0x05, 0x09, 0x01, 0x75, 0x08, 0x96, 0x3F, 0x00, 0xB1, 0x02, 0xC0};

} // namespace

void tst_HidReportDescriptor::lengths_data()
{
    QTest::addColumn<std::vector<uint8_t>>("descriptor");
    QTest::addColumn<int>("collection");
    QTest::addColumn<int>("usagePage");
    QTest::addColumn<int>("usage");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("feature");
    QTest::addColumn<bool>("numbered");

    QTest::newRow("unnumbered mouse adds the id byte") << Mouse << 0 << 0x01 << 0x02 << 4 << 0 << 0 << false;
    QTest::newRow("largest numbered input report wins") << Tablet << 0 << 0xFF0D << 0x01 << 13 << 9 << 0 << true;
    QTest::newRow("first of two collections") << TwoCollections << 0 << 0x0D << 0x01 << 10 << 0 << 0 << true;
    QTest::newRow("second collection after push, pop and a long item") << TwoCollections << 1 << 0xFF00 << 0x0C << 0 << 0 << 64 << true;
}

void tst_HidReportDescriptor::lengths()
{
    QFETCH(std::vector<uint8_t>, descriptor);
    QFETCH(int, collection);
    const auto parsed = HidReportDescriptor::parse(descriptor.data(), descriptor.size());
    QVERIFY(collection < int(parsed.collections().size()));
    const auto &caps = parsed.collections()[size_t(collection)].caps;
    QTEST(int(caps.usagePage), "usagePage");
    QTEST(int(caps.usage), "usage");
    QTEST(int(caps.inputReportLength), "input");
    QTEST(int(caps.outputReportLength), "output");
    QTEST(int(caps.featureReportLength), "feature");
    QTEST(parsed.numberedReports(), "numbered");
}

void tst_HidReportDescriptor::reportIdsPerCollection()
{
    const auto parsed = HidReportDescriptor::parse(TwoCollections.data(), TwoCollections.size());
    QCOMPARE(parsed.collections().size(), size_t(2));
    QCOMPARE(parsed.collectionOfReport(1), 0);
    QCOMPARE(parsed.collectionOfReport(5), 1);
    QCOMPARE(parsed.collectionOfReport(7), -1);
    const auto tablet = HidReportDescriptor::parse(Tablet.data(), Tablet.size());
    QCOMPARE(tablet.collections()[0].reportIds, (std::vector<uint8_t>{2, 3, 9}));
}

void tst_HidReportDescriptor::truncatedDescriptorStopsSafely()
{
    // Every prefix of a valid descriptor parses without reading past its end (ASan watches).
    for (size_t n = 0; n <= TwoCollections.size(); ++n) {
        std::vector<uint8_t> prefix(TwoCollections.begin(), TwoCollections.begin() + long(n));
        const auto parsed = HidReportDescriptor::parse(prefix.data(), prefix.size());
        QVERIFY(parsed.collections().size() <= 2);
    }
    const uint8_t longItemAtEnd[] = {0xFE, 0x40};
    QVERIFY(HidReportDescriptor::parse(longItemAtEnd, sizeof longItemAtEnd).collections().empty());
}

void tst_HidReportDescriptor::hardwareId_data()
{
    QTest::addColumn<int>("interfaceNumber");
    QTest::addColumn<int>("collectionIndex");
    QTest::addColumn<int>("collectionCount");
    QTest::addColumn<QString>("expected");
    QTest::newRow("single collection") << 2 << 0 << 1 << "HID\\VID_2B5A&PID_00FE&REV_0102&MI_02";
    QTest::newRow("second of two collections") << 0 << 1 << 2 << "HID\\VID_2B5A&PID_00FE&REV_0102&MI_00&COL02";
    QTest::newRow("no USB interface") << -1 << 0 << 1 << "HID\\VID_2B5A&PID_00FE&REV_0102";
}

void tst_HidReportDescriptor::hardwareId()
{
    QFETCH(int, interfaceNumber);
    QFETCH(int, collectionIndex);
    QFETCH(int, collectionCount);
    HidDeviceInfo info;
    info.vendorId = 0x2B5A;
    info.productId = 0xFE;
    info.revision = 0x0102;
    info.interfaceNumber = interfaceNumber;
    info.collectionIndex = collectionIndex;
    info.collectionCount = collectionCount;
    QTEST(QString::fromStdString(info.hardwareId()), "expected");
}

QTEST_APPLESS_MAIN(tst_HidReportDescriptor)
#include "tst_HidReportDescriptor.moc"
