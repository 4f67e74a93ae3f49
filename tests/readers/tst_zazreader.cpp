#include "FingerprintMeasure.h"
#include "FingerPicture.h"
#include "SimFolder.h"
#include "ZAZAPIt.h"

#include <QtTest>

#include <vector>

class TestZazReader : public QObject
{
    Q_OBJECT

private:
    static int open()
    {
        int handle = 0;
        const int result = ZAZOpenDeviceEx(&handle, 0, 0, 0, 2, 0);
        return result == ZAZ_OK ? handle : -1000 + result;
    }
    static int upload(int handle, std::vector<unsigned char> &frame)
    {
        frame.assign(ZAZ_IMAGE_BYTES, 0x11);
        int length = 0;
        const int result = ZAZUpImage(handle, 0xFFFFFFFF, frame.data(), &length);
        return result == ZAZ_OK ? length : -1000 + result;
    }

private slots:
    void noReaderFailsEveryCallSafely()
    {
        qunsetenv("INKWARDEN_DEVSIM");
        int handle = 77;
        QCOMPARE(ZAZOpenDeviceEx(&handle, 0, 0, 0, 2, 0), int(ZAZ_NO_DEVICE));
        QCOMPARE(handle, 0);
        QCOMPARE(ZAZOpenDeviceEx(&handle, 0, 0, 0, 2, 0), int(ZAZ_NO_DEVICE));
        QCOMPARE(QByteArray(ZAZErr2Str(ZAZ_NO_DEVICE)), QByteArray("No fingerprint reader is attached"));
        QCOMPARE(ZAZOpenDeviceEx(nullptr, 0, 0, 0, 2, 0), int(ZAZ_BAD_ARGUMENT));
        QCOMPARE(ZAZCloseDeviceEx(handle), int(ZAZ_BAD_HANDLE));
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_BAD_HANDLE));
        unsigned char byte = 0;
        int length = 0;
        QCOMPARE(ZAZUpImage(handle, 0xFFFFFFFF, &byte, &length), int(ZAZ_BAD_HANDLE));
        QCOMPARE(ZAZUpImage(handle, 0xFFFFFFFF, nullptr, &length), int(ZAZ_BAD_ARGUMENT));
    }

    void syntheticFingerAfterScriptedEmptyPolls()
    {
        SimFolder sim;
        sim.writeIni("[reader]\nno_finger = 3\n");
        const int handle = open();
        QVERIFY(handle > 0);
        std::vector<unsigned char> frame;
        QCOMPARE(upload(handle, frame), -1000 + ZAZ_NO_IMAGE);
        for (int poll = 0; poll < 3; ++poll)
            QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_NO_FINGER));
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_OK));
        QCOMPARE(upload(handle, frame), int(ZAZ_IMAGE_BYTES));
        QVERIFY(FingerprintMeasure(frame.data(), ZAZ_IMAGE_WIDTH, ZAZ_IMAGE_HEIGHT).quality() >= 80);

        // Every opening waits for the finger again.
        const int again = open();
        QVERIFY(again > 0 && again != handle);
        QCOMPARE(ZAZGetImage(again, 0xFFFFFFFF), int(ZAZ_NO_FINGER));
        QCOMPARE(ZAZCloseDeviceEx(handle), int(ZAZ_OK));
        QCOMPARE(ZAZCloseDeviceEx(handle), int(ZAZ_BAD_HANDLE));
        QCOMPARE(ZAZGetImage(again, 0xFFFFFFFF), int(ZAZ_NO_FINGER));
        QCOMPARE(ZAZCloseDeviceEx(again), int(ZAZ_OK));
    }

    void scriptedErrorsAreUsedUpAndRestartWhenTheFileChanges()
    {
        SimFolder sim;
        sim.writeIni("[zaz]\nopen_errors = 1\nimage_errors = 3, -4\nupload_errors = 1\n");
        QCOMPARE(open(), -1000 + ZAZ_COMM_ERROR);
        const int handle = open();
        QVERIFY(handle > 0);
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_CAPTURE_FAILED));
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_UNPLUGGED));
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_OK));
        std::vector<unsigned char> frame;
        QCOMPARE(upload(handle, frame), -1000 + ZAZ_COMM_ERROR);
        QCOMPARE(upload(handle, frame), int(ZAZ_IMAGE_BYTES));

        sim.writeIni("[zaz]\nimage_errors = 3\n");
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_CAPTURE_FAILED));
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_OK));
        QCOMPARE(ZAZCloseDeviceEx(handle), int(ZAZ_OK));
    }

    void unplugEndsTheSession()
    {
        SimFolder sim;
        sim.writeIni("[reader]\npresent = true\n");
        const int handle = open();
        QVERIFY(handle > 0);
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_OK));
        sim.writeIni("[reader]\npresent = false\n");
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_UNPLUGGED));
        std::vector<unsigned char> frame;
        QCOMPARE(upload(handle, frame), -1000 + ZAZ_UNPLUGGED);
        QCOMPARE(open(), -1000 + ZAZ_NO_DEVICE);
        QCOMPARE(ZAZCloseDeviceEx(handle), int(ZAZ_OK));
        QVERIFY(QByteArray(ZAZErr2Str(ZAZ_UNPLUGGED)).contains("unplugged"));
    }

    void pictureFileFillsTheFrameUpright()
    {
        SimFolder sim;
        // Same proportions as the frame: fitted exactly. Dark top half, white bottom half.
        QVERIFY(serveFingerPicture(sim, 128, 144, 72));

        const int handle = open();
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_OK));
        std::vector<unsigned char> frame;
        QCOMPARE(upload(handle, frame), int(ZAZ_IMAGE_BYTES));
        QCOMPARE(int(frame[10 * ZAZ_IMAGE_WIDTH + 100]), 0);
        QCOMPARE(int(frame[std::size_t(ZAZ_IMAGE_BYTES) - 1]), 255);

        sim.writeIni("[reader]\nimage = missing.png\n");
        QCOMPARE(ZAZGetImage(handle, 0xFFFFFFFF), int(ZAZ_CAPTURE_FAILED));
        QCOMPARE(ZAZCloseDeviceEx(handle), int(ZAZ_OK));
    }
};

QTEST_GUILESS_MAIN(TestZazReader)
#include "tst_zazreader.moc"
