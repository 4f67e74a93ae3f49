#include "CapturedLog.h"
#include "DeviceManager.h"
#include "DeviceManagerWorker.h"
#include "FakeDevice.h"

#include <QSignalSpy>
#include <QtTest>

// A presence test that outlasts the manager's bounded stop.
class SlowDevice : public FakeDevice
{
public:
    using FakeDevice::FakeDevice;
    std::atomic<bool> testing{false};
    std::atomic<bool> tested{false};
    bool checkDevice() override
    {
        testing = true;
        QThread::msleep(5500);
        tested = true;
        return false;
    }
};

// Discovery and hot-plug rules, driven on the test's thread with devices whose presence the
// test sets.
class tst_devicemanager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerDeviceMetaTypes(); }
    void init()
    {
        journal.clear();
        log.reset(new CapturedLog);
        tablet = new FakeDevice(QStringLiteral("tablet"), &journal, this);
        pad = new FakeDevice(QStringLiteral("pad"), &journal, this);
        worker = new DeviceManagerWorker(this);
        worker->registerDevice(tablet);
        worker->registerDevice(pad);
        worker->registerDevice(tablet);
    }
    void cleanup()
    {
        delete worker;
        log.reset();
    }

    void startWithTabletOnly()
    {
        tablet->present = true;
        QSignalSpy connected(worker, &DeviceManagerWorker::deviceConnected);
        worker->startMonitoring();
        QCOMPARE(connected.count(), 1);
        QCOMPARE(connected.at(0).at(0).value<IDevice *>(), tablet);
        // Registered twice, asked once per pass; a present device is asked again when connecting.
        QCOMPARE(journal, QStringList({"tablet check", "tablet check", "tablet open", "pad check"}));
        const QStringList lines = log->all();
        const int scan = lines.indexOf(QStringLiteral("Scanning devices on startup..."));
        const int started = lines.indexOf(QStringLiteral("Started monitoring USB events."));
        int tabletLine = -1;
        for (int i = 0; i < lines.size(); ++i)
            if (lines.at(i).startsWith(QLatin1String("Device connected:")) && lines.at(i).contains(QLatin1String("tablet")))
                tabletLine = i;
        QVERIFY(scan >= 0 && scan < tabletLine && tabletLine < started);
    }

    void hotPlugRules()
    {
        tablet->present = true;
        pad->present = true;
        tablet->openResult = -1000; // a failed open is still a connected device
        QSignalSpy connected(worker, &DeviceManagerWorker::deviceConnected);
        QSignalSpy disconnected(worker, &DeviceManagerWorker::deviceDisconnected);
        worker->startMonitoring();
        QCOMPARE(connected.count(), 2);
        QCOMPARE(connected.at(0).at(0).value<IDevice *>(), tablet);
        QCOMPARE(connected.at(1).at(0).value<IDevice *>(), pad);

        // A removal disconnects only a device that went; those still present go on.
        worker->handleDeviceChange(platform::UsbEvent::Removed);
        QCOMPARE(disconnected.count(), 0);
        QVERIFY(!journal.contains("tablet close") && !journal.contains("pad close"));
        pad->present = false;
        worker->handleDeviceChange(platform::UsbEvent::Removed);
        QCOMPARE(disconnected.count(), 1);
        QCOMPARE(disconnected.at(0).at(0).value<IDevice *>(), pad);
        QVERIFY(journal.contains("pad close") && !journal.contains("tablet close"));

        // The tablet opened went, another tablet is there: let go at once, that one connected instead.
        journal.clear();
        tablet->openPresent = false;
        worker->handleDeviceChange(platform::UsbEvent::Removed);
        tablet->openPresent = true;
        QCOMPARE(journal, QStringList({"tablet close", "tablet check", "tablet open"}));
        QCOMPARE(disconnected.count(), 2);
        QCOMPARE(connected.count(), 3);
        QCOMPARE(connected.at(2).at(0).value<IDevice *>(), tablet);

        // A connected device is not asked again on an arrival; an absent one is.
        journal.clear();
        pad->present = true;
        worker->handleDeviceChange(platform::UsbEvent::Arrived);
        QCOMPARE(journal, QStringList({"pad check", "pad open"}));
        QCOMPARE(connected.count(), 4);
    }

    void destroyedDuringAPresenceTest()
    {
        SlowDevice slow(QStringLiteral("slow"), &journal);
        auto *manager = new DeviceManager;
        manager->registerDevice(&slow);
        manager->start();
        QTRY_VERIFY(slow.testing);
        // Deleting the running thread would abort the process.
        delete manager;
        QVERIFY(slow.tested);
    }

private:
    QStringList journal;
    QScopedPointer<CapturedLog> log;
    FakeDevice *tablet = nullptr;
    FakeDevice *pad = nullptr;
    DeviceManagerWorker *worker = nullptr;
};

QTEST_GUILESS_MAIN(tst_devicemanager)
#include "tst_devicemanager.moc"
