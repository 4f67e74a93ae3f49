#include "platform/Hid.h"

#include <QtTest>

// inkwarden-devsim as its own process: another program's HID layer sees what it plugs in.
class tst_DevSimTool : public QObject {
    Q_OBJECT
private slots:
    void plugSendAndUnplugOverStdin();
};

namespace {

QString answer(QProcess &tool)
{
    while (!tool.canReadLine())
        if (!tool.waitForReadyRead(5000))
            return QString();
    return QString::fromUtf8(tool.readLine()).trimmed();
}

} // namespace

void tst_DevSimTool::plugSendAndUnplugOverStdin()
{
    QTemporaryDir dir;
    qputenv("INKWARDEN_DEVSIM", dir.path().toUtf8());
    QProcess tool;
    tool.start(QStringLiteral(INKWARDEN_DEVSIM_TOOL), {QStringLiteral("--dir"), dir.path()});
    QVERIFY(tool.waitForStarted());
    QVERIFY(answer(tool).startsWith("listening on"));

    tool.write("plug nosuchmodel\nplug tablet\n");
    QVERIFY(answer(tool).startsWith("error"));
    const QString id = answer(tool);
    const auto list = platform::hid::enumerate();
    QCOMPARE(list.size(), size_t(1));
    QCOMPARE(QString::fromStdString(list[0].hardwareId()), QStringLiteral("HID\\VID_2B57&PID_0100&REV_0000&MI_02"));

    auto device = platform::hid::open(list[0].path);
    QVERIFY(device);
    tool.write(QStringLiteral("send %1 0241a1\n").arg(id).toUtf8());
    QCOMPARE(answer(tool), QStringLiteral("ok"));
    uint8_t report[9];
    QCOMPARE(device->read(report, sizeof report, 5000), 3);
    QCOMPARE(report[2], uint8_t(0xA1));

    const uint8_t command[9] = {0x09, 0x0F, 0x01};
    QCOMPARE(device->write(command, sizeof command, 1000), 9);
    tool.write(QStringLiteral("records %1\n").arg(id).toUtf8());
    QCOMPARE(answer(tool), QStringLiteral("output 0 090f01000000000000"));
    QCOMPARE(answer(tool), QStringLiteral("ok"));

    tool.write(QStringLiteral("unplug %1\nplug tablet\n").arg(id).toUtf8());
    QCOMPARE(answer(tool), QStringLiteral("ok"));
    // A trace plays while further commands are served: an unplug mid-stroke stops it.
    const QString second = answer(tool);
    QTemporaryFile trace;
    QVERIFY(trace.open() && trace.write(QByteArray("10 0241a1\n").repeated(3000)) > 0 && trace.flush());
    tool.write(QStringLiteral("play %1 %2\nunplug %1\nquit\n").arg(second, trace.fileName()).toUtf8());
    QCOMPARE(answer(tool), QStringLiteral("playing"));
    QCOMPARE(answer(tool), QStringLiteral("ok"));
    QCOMPARE(answer(tool), QStringLiteral("stopped %1: no such device").arg(second));
    QVERIFY(tool.waitForFinished(5000));
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(device->read(report, sizeof report, 1000), -1);
}

QTEST_GUILESS_MAIN(tst_DevSimTool)
#include "tst_DevSimTool.moc"
