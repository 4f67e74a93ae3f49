#include "CapturedLog.h"
#include "TabrixPenDevice.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QSignalSpy>
#include <QtTest>

using namespace platform;

namespace {

TABLET_PACKET key(int number, int pressed = 1)
{
    TABLET_PACKET packet{};
    packet.type = 1;
    packet.keyPressed = pressed;
    packet.keyNumber = number;
    return packet;
}

} // namespace

class tst_tabrixpendevice : public QObject
{
    Q_OBJECT

private slots:
    void keyDebounce_data()
    {
        QTest::addColumn<QList<int>>("keys");      // key numbers, pressed
        QTest::addColumn<QList<int>>("times");     // clock readings in ms
        QTest::addColumn<QString>("emitted");      // c cancel, l clear, o ok

        QTest::newRow("ok twice 150 ms apart, third at 250") << QList<int>{3, 3, 3} << QList<int>{1000, 1150, 1250} << "oo";
        QTest::newRow("per key") << QList<int>{1, 2, 3} << QList<int>{0, 10, 20} << "clo";
        QTest::newRow("key 4 stored, emits nothing") << QList<int>{4, 4, 3} << QList<int>{0, 300, 310} << "o";
        QTest::newRow("measured from the last accepted") << QList<int>{1, 1, 1} << QList<int>{0, 199, 200} << "cc";
        QTest::newRow("release ignored") << QList<int>{-3, 3, -3, 3} << QList<int>{0, 10, 20, 150} << "o";
    }
    void keyDebounce()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QList<int>, times);
        QFETCH(QString, emitted);
        TabrixPenDevice device;
        QString seen;
        connect(&device, &IDevice::cancelBtnClicked, [&] { seen += 'c'; });
        connect(&device, &IDevice::clearBtnClicked, [&] { seen += 'l'; });
        connect(&device, &IDevice::okBtnClicked, [&] { seen += 'o'; });
        for (int i = 0; i < keys.size(); ++i)
            device.handleKeyPacketAt(key(qAbs(keys[i]), keys[i] > 0 ? 1 : 0), times[i]);
        QCOMPARE(seen, emitted);
    }

    void packetTypes()
    {
        TabrixPenDevice device;
        QSignalSpy pens(&device, &IDevice::receivedPenPacket);
        QSignalSpy oks(&device, &IDevice::okBtnClicked);
        for (int type : {0, 1, 2, 7}) {
            TABLET_PACKET packet = key(3);
            packet.type = type;
            packet.x = 42;
            QCOMPARE(TabrixPenDevice::packetCallback(packet), 1);
        }
        QCOMPARE(pens.count(), 1);
        QCOMPARE(pens.at(0).at(0).value<TABLET_PACKET>().x, 42);
        QCOMPARE(oks.count(), 1);
    }

    void penDisplayAndSlate()
    {
        QTemporaryDir folder;
        qputenv("INKWARDEN_DEVSIM", folder.path().toUtf8());
        DevSim sim(folder.path().toStdString());
        const int display = sim.plug(*SimModelCatalog::make("pen-display"));
        CapturedLog log;
        {
            TabrixPenDevice device;
            QVERIFY(device.checkDevice());
            QCOMPARE(device.open(), 1);
            QCOMPARE(device.open(), 1);
            QCOMPARE(log.count(QStringLiteral("packetCallbackId: ")), 1);
            QCOMPARE(device.deviceName(), QStringLiteral("Tabrix Pen Display 13"));
            QVERIFY(device.isScreenDevice());
            QCOMPARE(device.tabletWidth(), 59500);
            sim.clearRecords(display);
            QCOMPARE(device.clearSignature(), 0);
            QCOMPARE(device.endSignature(), 1);
            QVERIFY(sim.records(display).empty());
            device.close();
            QVERIFY(!device.isScreenDevice());
            QCOMPARE(device.tabletWidth(), 59500);
            sim.unplug(display);

            // A tablet with a writing surface is cleared by the library on end and clear.
            const int slate = sim.plug(*SimModelCatalog::make("slate"));
            QCOMPARE(device.open(), 1);
            QVERIFY(!device.isScreenDevice());
            sim.clearRecords(slate);
            QCOMPARE(device.clearSignature(), 1);
            QCOMPARE(device.endSignature(), 1);
            QCOMPARE(int(sim.records(slate).size()), 2);
            device.close();
        }
    }
};

QTEST_GUILESS_MAIN(tst_tabrixpendevice)
#include "tst_tabrixpendevice.moc"
