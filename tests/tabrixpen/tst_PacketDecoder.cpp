#include "PacketDecoder.h"

#include <QtTest>

#include <memory>
#include <vector>

Q_DECLARE_METATYPE(std::vector<int>)

// Input reports to packets: the status table, report layouts and key reports.
class tst_PacketDecoder : public QObject {
    Q_OBJECT
private slots:
    void penStatus_data();
    void penStatus();
    void outOfRangeAfterKeyIsQueued();
    void layouts_data();
    void layouts();
    void keys_data();
    void keys();
    void rejected_data();
    void rejected();
    void shortReportsStayInsideTheBuffer();
};

namespace {

// A report in a heap buffer of exactly MinBuffer bytes, so ASan sees any read past it.
std::unique_ptr<uint8_t[]> report(std::initializer_list<uint8_t> bytes)
{
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[PacketDecoder::MinBuffer]());
    size_t i = 0;
    for (uint8_t b : bytes)
        buffer[i++] = b;
    return buffer;
}

} // namespace

void tst_PacketDecoder::penStatus_data()
{
    QTest::addColumn<std::vector<int>>("codes");
    QTest::addColumn<std::vector<int>>("statuses");   // -1: dropped

    QTest::newRow("touch, drag, lift") << std::vector<int>{0xA1, 0xA1, 0xA0} << std::vector<int>{1, 2, 3};
    QTest::newRow("hover stays hover") << std::vector<int>{0xA0, 0xA0} << std::vector<int>{0, 0};
    QTest::newRow("leaving while touching is up, then one out of range")
        << std::vector<int>{0xA1, 0xC0, 0xC0, 0xC0} << std::vector<int>{1, 3, 4, -1};
    QTest::newRow("out of range runs collapse") << std::vector<int>{0xC0, 0xC0, 0xA0, 0xC0} << std::vector<int>{4, -1, 0, 4};
    QTest::newRow("unknown code is hover and keeps contact")
        << std::vector<int>{0xA1, 0x55, 0xA1, 0x55, 0xA0} << std::vector<int>{1, 0, 2, 0, 3};
}

void tst_PacketDecoder::penStatus()
{
    QFETCH(std::vector<int>, codes);
    QFETCH(std::vector<int>, statuses);
    PacketDecoder decoder;
    for (size_t i = 0; i < codes.size(); ++i) {
        auto buf = report({0x02, 0x41, uint8_t(codes[i])});
        TABLET_PACKET packet;
        const bool queued = decoder.decode(buf.get(), 9, packet);
        QCOMPARE(queued ? packet.status : -1, statuses[i]);
        if (queued)
            QCOMPARE(packet.type, 0);
    }
}

void tst_PacketDecoder::outOfRangeAfterKeyIsQueued()
{
    PacketDecoder decoder;
    TABLET_PACKET packet;
    auto out = report({0x02, 0x41, 0xC0});
    auto key = report({0x02, 0x42, 0x01, 0x01, 0x01});
    QVERIFY(decoder.decode(out.get(), 9, packet));
    QVERIFY(decoder.decode(key.get(), 9, packet));
    QVERIFY(decoder.decode(out.get(), 9, packet));
    QCOMPARE(packet.status, 4);
    QVERIFY(!decoder.decode(out.get(), 9, packet));
}

void tst_PacketDecoder::layouts_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("pressure");
    // bytes 3.. = 10 20 30 40 50 60 70 80 90 A0 B0
    QTest::newRow("9 bytes") << 9 << 0x2010 << 0x4030 << 0x6050;
    QTest::newRow("11 bytes") << 11 << 0x2010 << 0x4030 << 0x6050;
    QTest::newRow("13 bytes") << 13 << 0x302010 << 0x605040 << 0x8070;
    QTest::newRow("other length gives zeros") << 10 << 0 << 0 << 0;
}

void tst_PacketDecoder::layouts()
{
    QFETCH(int, length);
    PacketDecoder decoder;
    auto buf = report({0x02, 0x41, 0xA1, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0});
    TABLET_PACKET packet;
    QVERIFY(decoder.decode(buf.get(), size_t(length), packet));
    QCOMPARE(packet.status, 1);
    QTEST(packet.x, "x");
    QTEST(packet.y, "y");
    QTEST(packet.pressure, "pressure");
}

void tst_PacketDecoder::keys_data()
{
    QTest::addColumn<int>("subtype");
    QTest::addColumn<int>("pressed");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("keyPressed");
    QTest::addColumn<int>("keyNumber");

    QTest::newRow("lowest bit of the low mask wins") << 1 << 1 << 0x06 << 0x01 << 1 << 1 << 2;
    QTest::newRow("high mask alone") << 1 << 1 << 0x00 << 0x01 << 1 << 1 << 9;
    QTest::newRow("key 16") << 1 << 0 << 0x00 << 0x80 << 1 << 0 << 16;
    QTest::newRow("key 8") << 1 << 7 << 0x80 << 0x00 << 1 << 1 << 8;
    QTest::newRow("no key named") << 1 << 1 << 0x00 << 0x00 << 1 << 1 << 0;
    QTest::newRow("event without data") << 3 << 1 << 0x01 << 0x01 << 2 << 0 << 0;
}

void tst_PacketDecoder::keys()
{
    QFETCH(int, subtype);
    QFETCH(int, pressed);
    QFETCH(int, low);
    QFETCH(int, high);
    PacketDecoder decoder;
    auto buf = report({0x02, 0x42, uint8_t(subtype), uint8_t(pressed), uint8_t(low), uint8_t(high)});
    TABLET_PACKET packet;
    QVERIFY(decoder.decode(buf.get(), 9, packet));
    QTEST(packet.type, "type");
    QTEST(packet.keyPressed, "keyPressed");
    QTEST(packet.keyNumber, "keyNumber");
    QCOMPARE(packet.x, 0);
    QCOMPARE(packet.status, 0);
}

void tst_PacketDecoder::rejected_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("sub");
    QTest::newRow("key subtype 2") << 0x42 << 2;
    QTest::newRow("unknown key subtype") << 0x42 << 7;
    QTest::newRow("pen with wrong high nibble") << 0x51 << 0xA1;
    QTest::newRow("key with wrong high nibble") << 0x32 << 1;
    QTest::newRow("other kind") << 0x43 << 1;
    QTest::newRow("empty report") << 0x00 << 0;
}

void tst_PacketDecoder::rejected()
{
    QFETCH(int, kind);
    QFETCH(int, sub);
    PacketDecoder decoder;
    auto buf = report({0x02, uint8_t(kind), uint8_t(sub), 1, 1, 1});
    TABLET_PACKET packet;
    QVERIFY(!decoder.decode(buf.get(), 9, packet));
    // A rejected report leaves no trace: an out-of-range packet still queues next.
    auto out = report({0x02, 0x41, 0xC0});
    QVERIFY(decoder.decode(out.get(), 9, packet));
}

void tst_PacketDecoder::shortReportsStayInsideTheBuffer()
{
    // A device declaring a 13-byte report that sends 3 bytes: the reader's zeroed buffer of
    // max(L, 16) bytes is decoded whole, nothing beyond it.
    PacketDecoder decoder;
    for (size_t length : {0, 1, 3, 9, 11, 13, 16}) {
        auto buf = report({0x02, 0x41, 0xA0});
        TABLET_PACKET packet;
        QVERIFY(decoder.decode(buf.get(), length, packet));
        QCOMPARE(packet.x, 0);
    }
}

QTEST_APPLESS_MAIN(tst_PacketDecoder)
#include "tst_PacketDecoder.moc"
