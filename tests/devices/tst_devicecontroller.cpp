#include "CapturedLog.h"
#include "DeviceController.h"
#include "FakeDevice.h"
#include "sim/DevSim.h"
#include "sim/SimModelCatalog.h"
#include "sim/SimSignaturePadModel.h"
#include "sim/SimTabletModel.h"

#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

using namespace platform;

// The hub over the simulated tablet; one hub per process, so the cases build on each other.
class tst_devicecontroller : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sim.reset(new DevSim(qgetenv("INKWARDEN_DEVSIM").toStdString()));
        QVERIFY(sim->listening());
        hub = DeviceController::instance();
        QTRY_COMPARE(sim->monitors(), 1);
    }

    void tabletConnects()
    {
        QSignalSpy status(hub.data(), &DeviceController::statusChanged);
        QSignalSpy device(hub.data(), &DeviceController::deviceStatusChanged);
        tablet = sim->plug(*SimModelCatalog::make("tablet"));
        QTRY_COMPARE(device.count(), 1);
        QCOMPARE(device.at(0).at(0).toString(), QStringLiteral("Tabrix Pen Tablet"));
        QCOMPARE(device.at(0).at(1).toInt(), 1);
        QCOMPARE(QJsonDocument(status.at(0).at(0).toJsonObject()).toJson(QJsonDocument::Compact),
                 QByteArray(R"({"status":1,"type":"device"})"));
        QCOMPARE(hub->deviceType(), 1);
        QCOMPARE(hub->tabletWidth(), 15200);
    }

    void keysArriveOnTheMainThread()
    {
        QThread *seenOn = nullptr;
        connect(hub.data(), &DeviceController::okBtnClicked, this, [&] { seenOn = QThread::currentThread(); });
        sim->sendInput(tablet, {0x02, 0x42, 0x01, 0x01, 0x04, 0x00});
        QTRY_VERIFY(seenOn);
        QCOMPARE(seenOn, QThread::currentThread());
        disconnect(hub.data(), &DeviceController::okBtnClicked, this, nullptr);
    }

    void startSignatureOpensTheBoardFirst()
    {
        QSignalSpy plain(hub.data(), &DeviceController::openPaintBoard);
        connect(hub.data(), &DeviceController::openPaintBoardFromPdf, this,
                [&](const QString &title) { qDebug().noquote() << "board" << title; });
        QStringList lines;
        {
            CapturedLog log;
            hub->startSignature(true, QStringLiteral("A"));
            lines = log.all();
        }
        disconnect(hub.data(), &DeviceController::openPaintBoardFromPdf, this, nullptr);
        QCOMPARE(plain.count(), 0);
        const int board = lines.indexOf(QStringLiteral("board A"));
        QVERIFY(board >= 0 && board < lines.indexOf(QStringLiteral("TabrixPenDevice startSignature")));
        hub->endSignature();
    }

    void unplugLeavesNoDevice()
    {
        QSignalSpy device(hub.data(), &DeviceController::deviceStatusChanged);
        sim->unplug(tablet);
        QTRY_COMPARE(device.count(), 1);
        QCOMPARE(device.at(0).at(1).toInt(), 0);
        QVERIFY(!hub->hasDevice());
        QCOMPARE(hub->deviceName(), QString());

        QSignalSpy colour(hub.data(), &DeviceController::setPenColorSignal);
        QSignalSpy size(hub.data(), &DeviceController::setPenSizeSignal);
        QCOMPARE(hub->setPenColor(1, 2, 3), 1);
        QCOMPARE(hub->setPenSize(1, 4), 1);
        QCOMPARE(colour.count(), 1);
        QCOMPARE(size.count(), 1);
    }

    void padWhoseInterfaceComesLate()
    {
        // udev announces the USB device before its HID node; the node still connects it.
        // Its node comes after the tablet's presence test (300 ms) and the pad's have failed.
        const int pad = sim->plugUsbFirst(SimSignaturePadModel().desc());
        QTest::qWait(600);
        QVERIFY(!hub->hasDevice());
        QVERIFY(sim->presentInterfaces(pad));
        QTRY_COMPARE(hub->deviceType(), 2);
        sim->unplug(pad);
        QTRY_VERIFY(!hub->hasDevice());
    }

    void currentDeviceRules()
    {
        QStringList journal;
        FakeDevice first(QStringLiteral("first"), &journal);
        FakeDevice second(QStringLiteral("second"), &journal);
        QSignalSpy status(hub.data(), &DeviceController::deviceStatusChanged);
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &first));
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &second));
        QCOMPARE(hub->deviceName(), QStringLiteral("second"));
        QCOMPARE(hub->setPenSize(1, 2), 7);
        // The operator's pen reaches a device that becomes current after it was chosen.
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &first));
        QVERIFY(journal.contains("first size 2") && journal.contains("first colour"));
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &second));

        // Dropping a device that is not current changes nothing but the status.
        QMetaObject::invokeMethod(hub.data(), "onDeviceDisconnected", Q_ARG(IDevice *, &first));
        QCOMPARE(hub->deviceName(), QStringLiteral("second"));
        QCOMPARE(status.last().at(1).toInt(), 0);
        QVERIFY(!journal.contains("first close"));

        // Dropping the current one leaves none once no other is connected.
        QMetaObject::invokeMethod(hub.data(), "onDeviceDisconnected", Q_ARG(IDevice *, &second));
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &first));
        QMetaObject::invokeMethod(hub.data(), "onDeviceDisconnected", Q_ARG(IDevice *, &first));
        QVERIFY(!hub->hasDevice());
        QCOMPARE(hub->deviceType(), 0);
        QVERIFY(journal.contains("first close"));
        hub->endSignature();
        QVERIFY(!journal.contains("second end"));

        // A signature open when its device drops carries on when that device comes back; an
        // ended one does not start again.
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &first));
        hub->startSignature(false, QString());
        QMetaObject::invokeMethod(hub.data(), "onDeviceDisconnected", Q_ARG(IDevice *, &first));
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &first));
        QCOMPARE(journal.count("first start"), 2);
        hub->endSignature();
        QMetaObject::invokeMethod(hub.data(), "onDeviceDisconnected", Q_ARG(IDevice *, &first));
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &first));
        QCOMPARE(journal.count("first start"), 2);

        // Another device that becomes current meanwhile leaves the signature on the first while
        // it is there, and ends it there too; once the first goes, the current one takes the
        // signature over on a board of its own, the board opening again with the same title.
        QSignalSpy reopened(hub.data(), &DeviceController::openPaintBoardFromPdf);
        const auto startsAndEnds = [&] { return journal.filter(QRegularExpression("end|start")); };
        hub->startSignature(true, QStringLiteral("T"));
        journal.clear();
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &second));
        QCOMPARE(startsAndEnds(), QStringList());
        hub->endSignature();
        QCOMPARE(startsAndEnds(), QStringList({"first end", "second end"}));
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &first));
        hub->startSignature(true, QStringLiteral("T"));
        QMetaObject::invokeMethod(hub.data(), "onDeviceConnected", Q_ARG(IDevice *, &second));
        journal.clear();
        QMetaObject::invokeMethod(hub.data(), "onDeviceDisconnected", Q_ARG(IDevice *, &first));
        QCOMPARE(startsAndEnds(), QStringList({"first end", "second start"}));
        QCOMPARE(reopened.count(), 3);
        QCOMPARE(reopened.last().at(0).toString(), QStringLiteral("T"));
        hub->endSignature();
        QMetaObject::invokeMethod(hub.data(), "onDeviceDisconnected", Q_ARG(IDevice *, &second));
    }

    void plugAndPull_data()
    {
        QTest::addColumn<QString>("steps");   // a: a pen display, b: a tablet; "?": what the hub answers;
                                              // t: a simulated tablet named after "|" (without: unreadable)
        QTest::addColumn<QStringList>("journal");
        QTest::newRow("current pulled, the other serves") << "+b +a -a sign ?" << QStringList{"b start", "b", "b end"};
        QTest::newRow("its device back, another in and out") << "+a sign -a +a +b clear ? -b ?" << QStringList{"a start", "a start", "a clear", "b, screen", "a, screen", "a end"};
        QTest::newRow("its device pulled, the other takes it") << "+b +a sign -a ?" << QStringList{"a start", "a end", "b start", "b", "b end"};
        // The tablet back at once, or before its removal was looked at, serves afresh and signs on.
        const QStringList replugged{"t start", "t start", "t 1", "t 0", "t 1", "t 0"};
        QTest::newRow("tablet back at once, board open") << "+t sign -t +t ink -t|Tabrix Pen Tablet" << replugged;
        QTest::newRow("tablet back in 0.4 s, board open") << "+t sign -t wait +t ink -t|Tabrix Pen Tablet" << replugged;
        // A memory stick pulled leaves the tablet alone, whatever the library made of its name.
        const QStringList stayed{"t start", "t 1", "t 0"};
        QTest::newRow("name of 31 bytes, stick pulled") << "+t sign stick ink -t|Tabrix Pen Tablet Medium Pro 31" << stayed;
        QTest::newRow("name of 32 bytes, stick pulled") << "+t sign stick ink -t|Tabrix Pen Tablet Medium Pro 032" << stayed;
        QTest::newRow("name of 48 bytes, stick pulled") << "+t sign stick ink -t|Tabrix Pen Tablet Medium Pro with Touch Ring 048" << stayed;
        QTest::newRow("NUL-padded name, stick pulled") << "+t sign stick ink -t|Tabrix Pen Tablet" + QString(15, QChar()) << stayed;
        QTest::newRow("Chinese name, stick pulled") << QString::fromUtf8("+t sign stick ink -t|拓瑞克斯数位板专业版中号") << stayed;
        QTest::newRow("name unreadable, stick pulled") << "+t sign stick ink -t" << stayed;
    }

    void plugAndPull()
    {
        QFETCH(QString, steps);
        QStringList journal;
        FakeDevice a(QStringLiteral("a"), &journal), b(QStringLiteral("b"), &journal);
        a.screen = true;
        QSignalSpy status(hub.data(), &DeviceController::deviceStatusChanged);
        QSignalSpy pen(hub.data(), &DeviceController::penPacketReceived);
        CapturedLog log;
        SimTabletModel model;
        model.productName = steps.section(QLatin1Char('|'), 1).toStdU16String();
        SimDeviceDesc desc = model.desc();
        if (!steps.contains(QLatin1Char('|')))
            desc.strings.erase(2);
        int tablet = 0, removals = 0;
        for (const QString &step : QString(steps.section(QLatin1Char('|'), 0, 0) + " end -a -b").split(QLatin1Char(' '))) {
            if (step == "+t") {
                tablet = sim->plug(desc);
                QTRY_VERIFY(hub->hasDevice());
            } else if (step == "-t") {
                removals += sim->unplug(tablet);
            } else if (step == "stick") {
                // The next arrival is looked at only once that removal has been: it marks its end.
                const int from = log.all().size();
                for (int stick = 0; stick < 2; ++stick)
                    removals += sim->unplug(sim->plug(*SimModelCatalog::make("memory-stick")));
                QTRY_VERIFY_WITH_TIMEOUT(log.all().indexOf(QStringLiteral("USB device inserted."),
                                                           log.all().indexOf(QStringLiteral("USB device removed."), from)) > from, 15000);
            } else if (step == "ink") {
                QTRY_VERIFY_WITH_TIMEOUT((sim->sendInput(tablet, {0x02, 0x41, 0xA1, 0x10, 0x10, 0x10, 0x10, 0x00, 0x10}), !pen.isEmpty()), 15000);
            } else if (step.size() == 2) {
                QMetaObject::invokeMethod(hub.data(), step[0] == '+' ? "onDeviceConnected" : "onDeviceDisconnected",
                                          Q_ARG(IDevice *, step[1] == 'a' ? &a : &b));
            } else if (step == "?") {
                journal.append(hub->deviceName() + (hub->isScreenDevice() ? ", screen" : ""));
            } else {
                step == "sign" ? hub->startSignature(false, QString()) : step == "end" ? hub->endSignature()
                    : step == "wait" ? QTest::qWait(400) : hub->clearSignature();
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("USB device removed.")) == removals && !hub->hasDevice(), 15000);
        for (int n = log.count(QStringLiteral("TabrixPenDevice startSignature")); n > 0; --n)
            journal.append(QStringLiteral("t start"));
        for (const QList<QVariant> &change : qAsConst(status))
            journal.append(change.at(0).toString().size() != 1 ? "t " + change.at(1).toString() : QString());
        QTEST(journal.filter(QRegularExpression("start|clear|end|^.$|screen|^t ")), "journal");
    }

    void removalsOfOtherDevices()
    {
        QSignalSpy status(hub.data(), &DeviceController::deviceStatusChanged);
        QSignalSpy pen(hub.data(), &DeviceController::penPacketReceived);
        QSignalSpy ok(hub.data(), &DeviceController::okBtnClicked);
        const auto keyAndPen = [&](int device) {
            pen.clear();
            ok.clear();
            sim->sendInput(device, {0x02, 0x41, 0xA1, 0x10, 0x10, 0x10, 0x10, 0x00, 0x10});
            QTest::qWait(250);   // the tablet's keys are debounced
            sim->sendInput(device, {0x02, 0x42, 0x01, 0x01, 0x04, 0x00});
            QTRY_VERIFY(pen.count() > 0 && ok.count() > 0);
        };
        tablet = sim->plug(*SimModelCatalog::make("tablet"));
        QTRY_VERIFY(hub->hasDevice());

        // A memory stick comes and goes: the tablet still there stays connected and working.
        CapturedLog log;
        status.clear();
        sim->unplug(sim->plug(*SimModelCatalog::make("memory-stick")));
        QTRY_VERIFY(log.contains(QStringLiteral("USB device removed.")));
        QTest::qWait(100);
        QCOMPARE(status.count(), 0);
        keyAndPen(tablet);

        // When it goes, a second tablet still plugged takes its place.
        const int slate = sim->plug(*SimModelCatalog::make("slate"));
        sim->unplug(tablet);
        QTRY_COMPARE(hub->deviceName(), QStringLiteral("Tabrix Slate 10"));
        QCOMPARE(status.count(), 2);
        keyAndPen(slate);
        tablet = sim->plug(*SimModelCatalog::make("tablet"));   // the library's first, yet the slate serves on
        for (int stick = 0; stick < 2; ++stick)   // the second comes once the first's removal is handled
            sim->unplug(sim->plug(*SimModelCatalog::make("memory-stick")));
        QTRY_COMPARE(log.count(QStringLiteral("USB device removed.")), 4);
        QCOMPARE(hub->deviceName(), QStringLiteral("Tabrix Slate 10"));
        sim->unplug(tablet);
        sim->unplug(slate);
        QTRY_VERIFY(!hub->hasDevice());
    }

    void plugRacesTheHubsOpen()
    {
        // Each arrival opens on the device thread, then again on this one; removals close.
        QSignalSpy device(hub.data(), &DeviceController::deviceStatusChanged);
        for (int i = 0; i < 6; ++i) {
            const int id = sim->plug(*SimModelCatalog::make("tablet"));
            QTest::qWait(350);
            sim->unplug(id);
        }
        tablet = sim->plug(*SimModelCatalog::make("tablet"));
        QTRY_VERIFY_WITH_TIMEOUT(hub->hasDevice(), 10000);
        QCOMPARE(hub->deviceName(), QStringLiteral("Tabrix Pen Tablet"));
        QVERIFY(device.count() >= 1);
    }

    void quitDuringAPresenceTest()
    {
        QProcess child;
        child.start(QStringLiteral(HUBQUIT_PATH), QStringList());
        QVERIFY(child.waitForFinished(20000));
        const QByteArray errors = child.readAllStandardError();
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(!errors.contains("Sanitizer") && !errors.contains("Destroyed while thread"), errors.constData());
        QVERIFY(errors.contains("Stopped monitoring USB events."));
    }

private:
    QScopedPointer<DevSim> sim;
    QSharedPointer<DeviceController> hub;
    int tablet = 0;
};

QTEST_MAIN(tst_devicecontroller)
#include "tst_devicecontroller.moc"
