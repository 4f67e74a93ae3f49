#include "MonitorGeometry.h"
#include "PointRecorder.h"
#include "SignatureHeader.h"

#include <QtTest>

namespace {

QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size)).toHex(' ').toUpper();
}

QByteArray header(const SignatureHeader::Bytes &h)
{
    return bytes(h.data(), h.size());
}

QByteArray zeros(int count)
{
    return QByteArray(count, '\0').toHex(' ');
}

} // namespace

Q_DECLARE_METATYPE(InkRect)

class TestSignatureData : public QObject {
    Q_OBJECT

private slots:
    void recordsPackEveryBit_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("pressure");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("far corner") << 0xA0 << 10206 << 7422 << 1023
                                    << QByteArray("A0 13 77 0E 3F 7F 57 00 00");
        QTest::newRow("x bits 1-0") << 0xA1 << 3 << 0 << 0
                                    << QByteArray("A1 00 00 00 00 00 60 00 00");
        QTest::newRow("y bits 1-0") << 0xA0 << 0 << 1 << 5
                                    << QByteArray("A0 00 00 00 00 05 08 00 00");
        QTest::newRow("pressure bits 9-7") << 0xA0 << 0 << 0 << 896
                                           << QByteArray("A0 00 00 00 00 00 07 00 00");
        QTest::newRow("pressure bit 10") << 0xA0 << 4 << 8 << 1027
                                         << QByteArray("A0 00 01 00 02 03 00 01 00");
        QTest::newRow("lift sample keeps its values") << 0xA3 << 10206 << 7422 << 0
                                                     << QByteArray("80 13 77 0E 3F 00 50 00 00");
    }
    void recordsPackEveryBit()
    {
        QFETCH(int, type);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, pressure);
        QFETCH(QByteArray, record);
        PointRecorder recorder;
        recorder.start();
        QCOMPARE(recorder.penSample(uint8_t(type), uint32_t(x), uint32_t(y), uint32_t(pressure)),
                 0);
        QCOMPARE(bytes(recorder.data(), recorder.size()), record);
    }

    void oneLiftMarkerPerStroke()
    {
        PointRecorder recorder;
        recorder.penSample(0xA0, 1, 1, 100); // not recording yet
        recorder.otherReport();
        QCOMPARE(recorder.size(), 0u);

        recorder.start();
        recorder.penSample(0xA0, 4, 4, 100);
        for (int i = 0; i < 5; ++i)
            recorder.otherReport();
        recorder.penSample(0xA3, 8, 8, 0);
        QCOMPARE(recorder.size(), 2 * PointRecorder::kRecordSize);
        QCOMPARE(recorder.data()[9], PointRecorder::kPenUp);
        QCOMPARE(bytes(recorder.data() + 10, 8), QByteArray("00 00 00 00 00 00 00 00"));

        recorder.penSample(0xA1, 12, 12, 100);
        recorder.penSample(0xA3, 12, 12, 0);
        recorder.penSample(0xA3, 12, 12, 0);
        recorder.otherReport();
        QCOMPARE(recorder.size(), 4 * PointRecorder::kRecordSize);
        QCOMPARE(recorder.data()[27], PointRecorder::kPenUp);
        QCOMPARE(recorder.data()[29], uint8_t(3)); // the lift sample's x

        recorder.reset();
        QCOMPARE(recorder.size(), 0u);
        QVERIFY(!recorder.isRecording());
    }

    void fullBufferDropsFurtherPoints()
    {
        PointRecorder recorder;
        recorder.start();
        const uint32_t fits = PointRecorder::kCapacity / PointRecorder::kRecordSize;
        QCOMPARE(fits, 932067u);
        for (uint32_t i = 0; i < fits; ++i)
            QCOMPARE(recorder.penSample(0xA0, i % 10000, 5, 10), 0);
        QCOMPARE(recorder.size(), 8388603u);
        QCOMPARE(recorder.penSample(0xA0, 1, 1, 1), -1);
        QCOMPARE(recorder.otherReport(), -1);
        QCOMPARE(recorder.size(), 8388603u);
    }

    void headerPlacesTheAreaOnItsMonitor_data()
    {
        QTest::addColumn<InkRect>("window");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("second monitor")
                << InkRect{2020, 100, 2820, 580}
                << QByteArray("51 4E 56 00 20 03 00 00 E0 01 00 00 64 00 00 00 64 00 00 00 "
                              "80 07 B0 04 DE 27 FE 1C");
        QTest::newRow("monitor left of the primary")
                << InkRect{-1000, 200, -200, 680}
                << QByteArray("51 4E 56 00 20 03 00 00 E0 01 00 00 18 01 00 00 C8 00 00 00 "
                              "00 05 00 04 DE 27 FE 1C");
        QTest::newRow("hanging off the left edge keeps its coordinate")
                << InkRect{-50, 10, 750, 490}
                << QByteArray("51 4E 56 00 20 03 00 00 E0 01 00 00 CE FF FF FF 0A 00 00 00 "
                              "80 07 38 04 DE 27 FE 1C");
        QTest::newRow("off every monitor takes the nearest")
                << InkRect{4000, 100, 4800, 580}
                << QByteArray("51 4E 56 00 20 03 00 00 E0 01 00 00 20 08 00 00 64 00 00 00 "
                              "80 07 B0 04 DE 27 FE 1C");
    }
    void headerPlacesTheAreaOnItsMonitor()
    {
        QFETCH(InkRect, window);
        QFETCH(QByteArray, expected);
        const std::vector<InkRect> monitors{
                {0, 0, 1920, 1080}, {1920, 0, 3840, 1200}, {-1280, 0, 0, 1024}};
        const QByteArray built = header(SignatureHeader::build(window, monitors, 800, 480, 0, 0));
        QCOMPARE(built, expected + " " + zeros(20));
    }

    void headerOfAGoneWindowIsOnlyTheMagic()
    {
        QCOMPARE(header(SignatureHeader::windowGone()), QByteArray("51 4E 56 00 ") + zeros(44));
    }

    void monitorRectWithoutMonitorsLeavesTheRectAlone()
    {
        InkRect rect{10, 20, 30, 40};
        const InkRect monitor = MonitorGeometry::toMonitorRect(rect, {});
        QVERIFY(monitor.isEmpty());
        QCOMPARE(rect.left, 10);
        QCOMPARE(rect.bottom, 40);
    }
};

QTEST_APPLESS_MAIN(TestSignatureData)
#include "tst_signaturedata.moc"
