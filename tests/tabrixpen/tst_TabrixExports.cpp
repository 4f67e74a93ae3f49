#include "PacketSink.h"
#include "TabrixPen.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"

#include <QtTest>

using namespace platform;

// The shared library as a caller sees it: its export table and the exports' contracts.
class tst_TabrixExports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exactExportSet();
    void nullArgumentsComeFirst();
    void screenRectRefusesAnyNullPointer_data();
    void screenRectRefusesAnyNullPointer();
    void openReadClose();

private:
    QTemporaryDir m_dir;
};

void tst_TabrixExports::initTestCase()
{
    qputenv("INKWARDEN_DEVSIM", m_dir.path().toUtf8());
}

void tst_TabrixExports::exactExportSet()
{
    QProcess nm;
    nm.start("nm", {"-D", "--defined-only", QStringLiteral(TABRIXPEN_LIBRARY)});
    QVERIFY(nm.waitForFinished(10000));
    QCOMPARE(nm.exitCode(), 0);
    QStringList exported;
    for (const QByteArray &line : nm.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 3 && QByteArray("TtDdBbRrVWiu").contains(fields[1]))
            exported << QString::fromLatin1(fields[2]);
    }
    exported.sort();
    QStringList expected{"TabrixActivateMouse", "TabrixCheckDevice", "TabrixClearCallback", "TabrixClearTabletSurface",
                         "TabrixClose", "TabrixGetContext", "TabrixGetPacket", "TabrixGetScreenRect", "TabrixOpen",
                         "TabrixSetNotifyCallback", "TabrixSetPacketCallback"};
    expected.sort();
    QCOMPARE(exported, expected);
}

void tst_TabrixExports::nullArgumentsComeFirst()
{
    QCOMPARE(TabrixCheckDevice(), -1000);
    QCOMPARE(TabrixGetContext(nullptr), -1002);
    QCOMPARE(TabrixGetPacket(nullptr), -1002);
    TABLET_PACKET packet;
    QCOMPARE(TabrixGetPacket(&packet), -1000);
    QCOMPARE(TabrixSetPacketCallback(nullptr), int64_t(-1002));
    QCOMPARE(TabrixOpen(), -1000);
    QCOMPARE(TabrixClearTabletSurface(), -1000);
}

void tst_TabrixExports::screenRectRefusesAnyNullPointer_data()
{
    QTest::addColumn<int>("nullAt");
    for (int i = 0; i < 5; ++i)
        QTest::newRow(qPrintable(QString("pointer %1").arg(i + 1))) << i;
}

void tst_TabrixExports::screenRectRefusesAnyNullPointer()
{
    QFETCH(int, nullAt);
    int values[4] = {7, 7, 7, 7};
    float scale = 7;
    int *p[4] = {&values[0], &values[1], &values[2], &values[3]};
    float *s = &scale;
    if (nullAt < 4)
        p[nullAt] = nullptr;
    else
        s = nullptr;
    QCOMPARE(TabrixGetScreenRect(p[0], p[1], p[2], p[3], s), -1002);
    QCOMPARE(values[0] + values[1] + values[2] + values[3], 28);
    QCOMPARE(scale, 7.0f);
}

void tst_TabrixExports::openReadClose()
{
    DevSim sim(m_dir.path().toStdString());
    const int id = sim.plug(*SimModelCatalog::make("slate"));
    QCOMPARE(TabrixCheckDevice(), 1);
    const int64_t callbackId = TabrixSetPacketCallback(&PacketSink::callback);
    QCOMPARE(TabrixOpen(), 1);
    TABLET_CONTEXT context;
    QCOMPARE(TabrixGetContext(&context), 1);
    QCOMPARE(QByteArray(context.productName), QByteArray("Tabrix Slate 10"));
    QVERIFY(sim.sendInput(id, {0x02, 0x42, 0x03}));
    const auto received = PacketSink::waitFor(1);
    QCOMPARE(received.size(), size_t(1));
    QCOMPARE(received[0].type, 2);
    QCOMPARE(TabrixClearTabletSurface(), 1);
    TabrixClose();
    QCOMPARE(TabrixClearTabletSurface(), -1000);
    TabrixClearCallback(callbackId);
    QCOMPARE(sim.openHandles(id), 0);
}

QTEST_GUILESS_MAIN(tst_TabrixExports)
#include "tst_TabrixExports.moc"
