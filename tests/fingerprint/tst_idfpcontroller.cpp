#include "CapturedLog.h"
#include "DeviceController.h"
#include "IDFPController.h"
#include "ReaderFolder.h"
#include "StandInDevice.h"
#include "ZAZFingerprintCaptureThread.h"

#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

// The capture controller over the simulated readers. Each case holds its own controller, which
// goes (joining its threads, freeing the libraries) when the case ends.
class tst_idfpcontroller : public QObject
{
    Q_OBJECT

private:
    static QImage captured(QSignalSpy &spy) { return spy.isEmpty() ? QImage() : spy.last().at(0).value<QImage>(); }

private slots:
    void initTestCase()
    {
        QVERIFY(ReaderFolder::linkLibraries());
        // The device thread's start-up is logged before the cases begin.
        CapturedLog log;
        QVERIFY(DeviceController::instance());
        QTRY_VERIFY(log.contains("Started monitoring USB events."));
        // A picture dark in its top quarter: where the ridges land shows the orientation.
        QImage picture(256, 360, QImage::Format_Grayscale8);
        picture.fill(255);
        for (int y = 0; y < 90; ++y)
            memset(picture.scanLine(y), 0, 256);
        QVERIFY(picture.save(ReaderFolder::filePath("top.png")));
    }

    void orientation_data()
    {
        QTest::addColumn<QByteArray>("adapter");
        QTest::addColumn<bool>("livescan");
        QTest::addColumn<bool>("flipped");
        QTest::newRow("live-scan, no device") << QByteArray() << true << false;
        QTest::newRow("live-scan, pen tablet") << QByteArray("TabrixPenDevice") << true << false;
        QTest::newRow("live-scan, signature pad") << QByteArray("OrvelDevice") << true << true;
        QTest::newRow("optical, signature pad") << QByteArray("OrvelDevice") << false << false;
    }

    void orientation()
    {
        QFETCH(QByteArray, adapter);
        QFETCH(bool, livescan);
        QFETCH(bool, flipped);
        StandInDevice device(adapter.constData());
        StandInDevice::announce(adapter.isEmpty() ? nullptr : &device);
        // The row's name makes each file new, so the scripted failures start over.
        QVERIFY(ReaderFolder::writeIni("; " + QByteArray(QTest::currentDataTag()) + "\n[reader]\nimage = top.png\n"
                                       + (livescan ? "[zaz]\nopen_errors = 1\n" : "")));
        QSharedPointer<IDFPController> fp = IDFPController::instance();
        QSignalSpy frames(fp.data(), &IDFPController::captureFinished);
        fp->startCapture(0);
        QTRY_COMPARE_WITH_TIMEOUT(frames.count(), 1, 10000);
        fp->stopCapture();
        StandInDevice::announce(nullptr, adapter.isEmpty() ? nullptr : &device);

        const QImage image = captured(frames);
        QCOMPARE(image.size(), livescan ? QSize(256, 360) : QSize(256, 288));
        const int top = 10;
        const int bottom = image.height() - 10;
        QCOMPARE(qAlpha(image.pixel(128, top)), flipped ? 0 : 255);
        QCOMPARE(qAlpha(image.pixel(128, bottom)), flipped ? 255 : 0);
        QCOMPARE(fp->imageToBase64().isEmpty(), false);
    }

    void livescanThreshold_data()
    {
        QTest::addColumn<QByteArray>("scores");
        QTest::addColumn<int>("retries");
        QTest::newRow("equal to the threshold") << QByteArray("60") << 0;
        QTest::newRow("below, then equal") << QByteArray("59, 60") << 1;
    }

    void livescanThreshold()
    {
        QFETCH(QByteArray, scores);
        QFETCH(int, retries);
        QVERIFY(ReaderFolder::writeIni("[reader]\nquality = " + scores + "\n[zaz]\nopen_errors = 1\n"));
        CapturedLog log;
        QSharedPointer<IDFPController> fp = IDFPController::instance();
        QSignalSpy frames(fp.data(), &IDFPController::captureFinished);
        fp->startCapture(60);
        QTRY_COMPARE_WITH_TIMEOUT(frames.count(), 1, 10000);
        QVERIFY(log.contains("ZAZ device failed to open, trying LIVESCAN fallback."));
        QCOMPARE(log.count("指纹质量分数过低，分数： 59"), retries);
        QCOMPARE(log.count("Fingerprint capture stopped"), 1);
        QCOMPARE(captured(frames).size(), QSize(256, 360));
    }

    void opticalWaitsForTheFinger()
    {
        QVERIFY(ReaderFolder::writeIni("[reader]\nno_finger = 2\n"));
        CapturedLog log;
        QSharedPointer<IDFPController> fp = IDFPController::instance();
        QSignalSpy frames(fp.data(), &IDFPController::captureFinished);
        fp->startCapture(60);
        QTRY_COMPARE_WITH_TIMEOUT(frames.count(), 1, 10000);
        QCOMPARE(log.count("ZAZGetImage returned: 2"), 2);
        QCOMPARE(log.count("ZAZGetImage returned: 0"), 1);
        QVERIFY(!log.contains("ZAZ device failed to open"));
        QCOMPARE(captured(frames).size(), QSize(256, 288));
    }

    void retryWhileTheFirstCaptureWaits()
    {
        QVERIFY(ReaderFolder::writeIni("[reader]\nno_finger = 2\n"));
        CapturedLog log;
        QSharedPointer<IDFPController> fp = IDFPController::instance();
        QSignalSpy frames(fp.data(), &IDFPController::captureFinished);
        fp->startCapture(60);
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("ZAZGetImage returned: 2"), 10000);
        // The retry's reader session waits longer than the first one.
        QVERIFY(ReaderFolder::writeIni("[reader]\nno_finger = 6\n"));
        fp->clearImage();
        fp->startCapture(60);
        QCOMPARE(fp->findChildren<ZAZFingerprintCaptureThread *>().size(), 2);

        QTRY_COMPARE_WITH_TIMEOUT(frames.count(), 1, 10000);
        QVERIFY(!fp->imageToBase64().isEmpty());
        fp->clearImage();
        QTRY_COMPARE_WITH_TIMEOUT(frames.count(), 2, 10000);
        QVERIFY(!fp->imageToBase64().isEmpty());
    }

    void oddLivescanFrameSizeIsRefused()
    {
        QVERIFY(ReaderFolder::writeIni("[zaz]\nopen_errors = 1\n[livescan]\nwidth = 512\n"));
        CapturedLog log;
        QSharedPointer<IDFPController> fp = IDFPController::instance();
        QSignalSpy frames(fp.data(), &IDFPController::captureFinished);
        fp->startCapture(0);
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("LIVESCAN reader delivers 512 x 360 frames"), 10000);
        QVERIFY(!log.contains("FingerprintCaptureThread started"));
        QCOMPARE(frames.count(), 0);
    }

    void missingCaptureLibrary()
    {
        ReaderFolder::unlinkLibraries();
        {
            QVERIFY(ReaderFolder::writeIni("; missing\n[zaz]\nopen_errors = 1\n"));
            CapturedLog log;
            QSharedPointer<IDFPController> fp = IDFPController::instance();
            QVERIFY(log.contains("Load ID_FprCap.dll failed"));
            fp->startCapture(60);
            QTRY_VERIFY_WITH_TIMEOUT(log.contains("LIVESCAN_Init failed, error code: 0"), 10000);
            fp->stopCapture();
            QVERIFY(!log.contains("FingerprintCaptureThread started"));
        }
        QVERIFY(ReaderFolder::linkLibraries());
    }

    void exitWhileACaptureWaits()
    {
        QVERIFY(ReaderFolder::writeIni("[reader]\nno_finger = 1000000\n"));
        QProcess child;
        child.start(QStringLiteral(FPQUIT_PATH), QStringList());
        QVERIFY(child.waitForFinished(20000));
        const QByteArray errors = child.readAllStandardError();
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(!errors.contains("Sanitizer") && !errors.contains("Destroyed while thread"), errors.constData());
        QVERIFY2(errors.contains("ZAZGetImage returned: 2") && errors.contains("ZAZ capture loop finished."),
                 errors.constData());
    }

    void cleanupTestCase() { ReaderFolder::unlinkLibraries(); }
};

QTEST_MAIN(tst_idfpcontroller)
#include "tst_idfpcontroller.moc"
