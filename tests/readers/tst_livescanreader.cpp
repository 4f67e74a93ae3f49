#include "FingerprintMeasure.h"
#include "ID_FprCap.h"
#include "SimFolder.h"

#include <QtTest>

#include <algorithm>
#include <vector>

class TestLivescanReader : public QObject
{
    Q_OBJECT

private:
    // One frame of the default size, or an empty vector with the failing result in `result`.
    static std::vector<unsigned char> read(int &result, int width = 256, int height = 360)
    {
        std::vector<unsigned char> frame(std::size_t(width) * std::size_t(height), 0x11);
        result = LIVESCAN_GetFPRawData(0, frame.data());
        if (result != LIVESCAN_OK)
            frame.clear();
        return frame;
    }
    static bool blank(const std::vector<unsigned char> &frame)
    {
        return std::all_of(frame.begin(), frame.end(), [](unsigned char v) { return v == 255; });
    }

private slots:
    void cleanup() { LIVESCAN_Close(); }

    void noReaderFailsEveryCallSafely()
    {
        qunsetenv("INKWARDEN_DEVSIM");
        QCOMPARE(LIVESCAN_Close(), int(LIVESCAN_ERR_NOT_INIT));
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_ERR_NO_DEVICE));
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_ERR_NO_DEVICE));
        QVERIFY(LIVESCAN_GetVersion() > 0);
        QCOMPARE(LIVESCAN_GetChannelCount(), int(LIVESCAN_ERR_NO_DEVICE));
        int width = 0, height = 0;
        QCOMPARE(LIVESCAN_GetMaxImageSize(0, &width, &height), int(LIVESCAN_ERR_NOT_INIT));
        QCOMPARE(LIVESCAN_BeginCapture(0), int(LIVESCAN_ERR_NOT_INIT));
        int result = 0;
        QVERIFY(read(result).empty());
        QCOMPARE(result, int(LIVESCAN_ERR_NOT_INIT));
        QCOMPARE(LIVESCAN_GetFPRawData(0, nullptr), int(LIVESCAN_ERR_ARGUMENT));
        QCOMPARE(LIVESCAN_EndCapture(0), int(LIVESCAN_ERR_NOT_INIT));
        QCOMPARE(LIVESCAN_SetBright(0, 100), int(LIVESCAN_ERR_NOT_INIT));
        QCOMPARE(LIVESCAN_Close(), int(LIVESCAN_ERR_NOT_INIT));
    }

    void capturesAfterScriptedEmptyFrames()
    {
        SimFolder sim;
        sim.writeIni("[reader]\nno_finger = 2\n");
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_GetChannelCount(), 1);
        int width = 0, height = 0;
        QCOMPARE(LIVESCAN_GetMaxImageSize(0, &width, &height), int(LIVESCAN_OK));
        QCOMPARE(width, 256);
        QCOMPARE(height, 360);
        QCOMPARE(LIVESCAN_GetMaxImageSize(0, nullptr, &height), int(LIVESCAN_ERR_ARGUMENT));

        int result = 0;
        QVERIFY(read(result).empty());
        QCOMPARE(result, int(LIVESCAN_ERR_NOT_CAPTURING));
        QCOMPARE(LIVESCAN_BeginCapture(0), int(LIVESCAN_OK));
        QVERIFY(blank(read(result)));
        QVERIFY(blank(read(result)));
        const std::vector<unsigned char> finger = read(result);
        QCOMPARE(result, int(LIVESCAN_OK));
        QVERIFY(FingerprintMeasure(finger.data(), width, height).quality() >= 80);
        QCOMPARE(LIVESCAN_EndCapture(0), int(LIVESCAN_OK));
        QVERIFY(read(result).empty());
        QCOMPARE(result, int(LIVESCAN_ERR_NOT_CAPTURING));
        QCOMPARE(LIVESCAN_Close(), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_Close(), int(LIVESCAN_ERR_NOT_INIT));
    }

    void scriptedResults()
    {
        SimFolder sim;
        sim.writeIni("[livescan]\ninit_errors = -2\nraw_errors = -5, 0\n");
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_ERR_NO_DEVICE));
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_BeginCapture(0), int(LIVESCAN_OK));
        int result = 0;
        read(result);
        QCOMPARE(result, int(LIVESCAN_ERR_READ));
        read(result);
        QCOMPARE(result, 0);
        QVERIFY(!read(result).empty());
    }

    void configuredGeometryAndChannels()
    {
        SimFolder sim;
        sim.writeIni("[livescan]\nwidth = 200\nheight = 300\nchannels = 2\n");
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_GetChannelCount(), 2);
        int width = 0, height = 0;
        QCOMPARE(LIVESCAN_GetMaxImageSize(1, &width, &height), int(LIVESCAN_OK));
        QCOMPARE(width, 200);
        QCOMPARE(height, 300);
        QCOMPARE(LIVESCAN_GetMaxImageSize(2, &width, &height), int(LIVESCAN_ERR_ARGUMENT));
        QCOMPARE(LIVESCAN_BeginCapture(-1), int(LIVESCAN_ERR_ARGUMENT));

        // A nonsensical size is reported as configured, but no frame is read at it.
        sim.writeIni("[livescan]\nwidth = 0\nheight = 300\n");
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_GetMaxImageSize(0, &width, &height), int(LIVESCAN_OK));
        QCOMPARE(width, 0);
        QCOMPARE(LIVESCAN_BeginCapture(0), int(LIVESCAN_OK));
        unsigned char byte = 0;
        QCOMPARE(LIVESCAN_GetFPRawData(0, &byte), int(LIVESCAN_ERR_READ));

        // So is an absurd channel count, but only the channels a reader can have are served.
        sim.writeIni("[livescan]\nchannels = 2147483647\n");
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_GetChannelCount(), 2147483647);
        QCOMPARE(LIVESCAN_BeginCapture(15), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_BeginCapture(16), int(LIVESCAN_ERR_ARGUMENT));
    }

    void brightnessAndContrastShapeTheFrame()
    {
        SimFolder sim;
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_OK));
        int level = 0;
        QCOMPARE(LIVESCAN_GetBright(0, &level), int(LIVESCAN_OK));
        QCOMPARE(level, 128);
        QCOMPARE(LIVESCAN_SetBright(0, 256), int(LIVESCAN_ERR_ARGUMENT));
        QCOMPARE(LIVESCAN_SetContrast(0, -1), int(LIVESCAN_ERR_ARGUMENT));
        QCOMPARE(LIVESCAN_GetContrast(0, nullptr), int(LIVESCAN_ERR_ARGUMENT));
        QCOMPARE(LIVESCAN_SetBright(0, 77), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_SetContrast(0, 0), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_GetBright(0, &level), int(LIVESCAN_OK));
        QCOMPARE(level, 77);
        QCOMPARE(LIVESCAN_GetContrast(0, &level), int(LIVESCAN_OK));
        QCOMPARE(level, 0);
        QCOMPARE(LIVESCAN_BeginCapture(0), int(LIVESCAN_OK));
        int result = 0;
        const std::vector<unsigned char> flat = read(result);
        QCOMPARE(result, int(LIVESCAN_OK));
        QVERIFY(std::all_of(flat.begin(), flat.end(), [](unsigned char v) { return v == 77; }));

        // Levels belong to the session: a new one starts neutral.
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_GetContrast(0, &level), int(LIVESCAN_OK));
        QCOMPARE(level, 128);
    }

    void unplugDuringCapture()
    {
        SimFolder sim;
        sim.writeIni("[reader]\npresent = yes\n");
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_BeginCapture(0), int(LIVESCAN_OK));
        int result = 0;
        QVERIFY(!read(result).empty());
        sim.writeIni("[reader]\npresent = no\n");
        QVERIFY(read(result).empty());
        QCOMPARE(result, int(LIVESCAN_ERR_NO_DEVICE));
        QCOMPARE(LIVESCAN_BeginCapture(0), int(LIVESCAN_ERR_NO_DEVICE));
        QCOMPARE(LIVESCAN_EndCapture(0), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_Close(), int(LIVESCAN_OK));
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_ERR_NO_DEVICE));
    }
};

QTEST_GUILESS_MAIN(TestLivescanReader)
#include "tst_livescanreader.moc"
