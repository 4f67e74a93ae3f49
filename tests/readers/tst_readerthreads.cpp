#include "ID_FprCap.h"
#include "ID_Fpr.h"
#include "SimFolder.h"
#include "ZAZAPIt.h"

#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

// Capture threads of their own, as the program runs them, while the simulator file changes.
class TestReaderThreads : public QObject
{
    Q_OBJECT

private slots:
    void concurrentReadersEachGetTheirFrames()
    {
        SimFolder sim;
        QVERIFY(sim.writeIni("[reader]\nno_finger = 5\n"));
        std::atomic<int> zazFrames{0};
        std::atomic<int> livescanFrames{0};

        const auto zazReader = [&zazFrames] {
            for (int round = 0; round < 10; ++round) {
                int handle = 0;
                if (ZAZOpenDeviceEx(&handle, 0, 0, 0, 2, 0) != ZAZ_OK)
                    continue;
                int code = ZAZ_NO_FINGER;
                for (int poll = 0; poll < 100 && code == ZAZ_NO_FINGER; ++poll)
                    code = ZAZGetImage(handle, 0xFFFFFFFF);
                std::vector<unsigned char> frame(ZAZ_IMAGE_BYTES);
                int length = 0;
                if (code == ZAZ_OK && ZAZUpImage(handle, 0xFFFFFFFF, frame.data(), &length) == ZAZ_OK
                    && length == ZAZ_IMAGE_BYTES)
                    ++zazFrames;
                ZAZCloseDeviceEx(handle);
            }
        };
        const auto livescanReader = [&livescanFrames] {
            if (LIVESCAN_Init() != LIVESCAN_OK || FP_Begin() != FP_OK)
                return;
            std::vector<unsigned char> frame(256 * 360);
            for (int round = 0; round < 20; ++round) {
                LIVESCAN_BeginCapture(0);
                unsigned char score = 0;
                if (LIVESCAN_GetFPRawData(0, frame.data()) == LIVESCAN_OK
                    && FP_GetQualityScore(frame.data(), &score) == FP_OK && score >= 60)
                    ++livescanFrames;
            }
            LIVESCAN_EndCapture(0);
            LIVESCAN_Close();
            FP_End();
        };

        std::thread first(zazReader);
        std::thread second(zazReader);
        std::thread third(livescanReader);
        for (int change = 0; change < 20; ++change)
            QVERIFY(sim.writeIni("[reader]\nno_finger = " + QByteArray::number(change % 4 + 2) + "\n"));
        first.join();
        second.join();
        third.join();

        QCOMPARE(zazFrames.load(), 20);
        // The first few frames of the session are an empty glass; every later one holds the finger.
        QVERIFY(livescanFrames.load() >= 14);
    }
};

QTEST_GUILESS_MAIN(TestReaderThreads)
#include "tst_readerthreads.moc"
