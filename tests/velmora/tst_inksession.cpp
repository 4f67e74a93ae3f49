#include "FakeInkWindow.h"
#include "InkSession.h"
#include "PadSettings.h"
#include "PadState.h"
#include "ResultCodes.h"

#include <QtTest>

#include <cstring>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 480;

struct Codes {
    char code[VELMORA_ERRCODE_SIZE] = "untouched";
    char message[VELMORA_ERROR_SIZE] = {};
    QByteArray text() const { return QByteArray(code); }
};

// A session on a window kept in memory, fed the way the reader feeds it.
struct Session {
    explicit Session(bool setUp = true)
    {
        PadState::instance().lastEvent = 0;
        if (setUp) {
            auto owned = std::make_unique<FakeInkWindow>(kWidth, kHeight);
            window = owned.get();
            QCOMPARE(ink.setupDrawingSurface(std::move(owned), kWidth, kHeight), 0);
        }
    }
    void sample(uint8_t type, int x, int y, int pressure)
    {
        const int padX = x * 10206 / kWidth + 1;
        const int padY = y * 7422 / kHeight + 1;
        const bool drawn = ink.windowAlive();
        if (drawn)
            ink.addPenPoint(pressure, int(int64_t(padX) * ink.areaWidth() / 10206),
                            int(int64_t(padY) * ink.areaHeight() / 7422));
        else
            ink.addPenPoint(0, 0, 0);
        ink.recordPenSample(type, padX, padY, pressure, drawn);
    }
    void stroke(int x1, int y1, int x2, int y2, int steps = 8)
    {
        for (int i = 0; i <= steps; ++i)
            sample(0xA1, x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps, 600);
        sample(0xA3, x2, y2, 0);
    }
    // The end as the pad session runs it.
    bool end()
    {
        if (!ink.has(InkSession::SurfaceActive))
            return false;
        if (ink.has(InkSession::Ended)) {
            ink.resetDrawingState();
            return false;
        }
        if (ink.has(InkSession::Finished)) {
            ink.deleteExportImage();
            ink.resetDrawingState();
            return true;
        }
        if (ink.has(InkSession::HasInk) && !ink.has(InkSession::ImageRendered))
            ink.renderExportImage();
        ink.releaseDrawingSurface();
        ink.set(InkSession::Ended);
        return true;
    }
    QByteArray realtime(const char *path)
    {
        Codes codes;
        ink.realtimePicture(path, codes.code, codes.message);
        return codes.text();
    }
    QByteArray take(const char *path, unsigned char *buffer = nullptr)
    {
        Codes codes;
        ResultCodes::setResultCode(ink.takeSignature(ink.buildSignatureHeader(), path, buffer),
                                   codes.code, codes.message);
        return codes.text();
    }
    std::string path(const char *name) { return dir.filePath(name).toStdString(); }

    InkSession ink;
    FakeInkWindow *window = nullptr;
    QTemporaryDir dir;
};

bool opaqueAt(const std::string &path, int x, int y)
{
    const QImage image(QString::fromStdString(path));
    return !image.isNull() && qAlpha(image.pixel(x, y)) == 255;
}

} // namespace

class TestInkSession : public QObject {
    Q_OBJECT

    QTemporaryDir m_settingsDir;

private slots:
    void initTestCase()
    {
        // A settings file re-created with its defaults: black pen 32 wide on #EBEBEB, whole surface.
        PadSettingsStore::instance().loadAtStartUp(
                m_settingsDir.filePath("RZK_PadsafeConf.INI").toStdString());
    }

    void setupWithoutAWindowOrSizeFails_data()
    {
        QTest::addColumn<bool>("window");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("no window") << false << 800 << 480;
        QTest::newRow("zero width") << true << 0 << 480;
        QTest::newRow("negative height") << true << 800 << -1;
    }
    void setupWithoutAWindowOrSizeFails()
    {
        QFETCH(bool, window);
        QFETCH(int, width);
        QFETCH(int, height);
        Session s(false);
        std::unique_ptr<InkTarget> target;
        if (window)
            target = std::make_unique<FakeInkWindow>(10, 10);
        QCOMPARE(s.ink.setupDrawingSurface(std::move(target), width, height), -1);
        QVERIFY(!s.ink.has(InkSession::SurfaceActive));
        QVERIFY(!s.ink.windowAlive());
        // The session goes on without ink.
        s.stroke(100, 100, 200, 200);
        QVERIFY(!s.ink.has(InkSession::HasInk));
        QCOMPARE(s.realtime(s.path("rt.png").c_str()), QByteArray("DRVQNV0001"));
        QCOMPARE(s.take(s.path("sig.png").c_str()), QByteArray("DRVQNV0011"));
        QVERIFY(QDir(s.dir.path()).isEmpty());
    }

    void withoutInkThereIsNoSignature_data()
    {
        QTest::addColumn<QVector<int>>("pressures");
        QTest::newRow("hover only") << QVector<int>{0, 0, 0, 0};
        QTest::newRow("one sample") << QVector<int>{700};
        QTest::newRow("one sample, then hover") << QVector<int>{700, 0, 0};
        QTest::newRow("hover, then a touch") << QVector<int>{0, 0, 700};
    }
    void withoutInkThereIsNoSignature()
    {
        QFETCH(QVector<int>, pressures);
        Session s;
        int x = 100;
        for (int p : pressures)
            s.sample(0xA1, x += 30, 200, p);
        QVERIFY(!s.ink.has(InkSession::HasInk));
        QCOMPARE(s.realtime(s.path("rt.png").c_str()), QByteArray("DRVQNV0001"));
        std::vector<unsigned char> buffer(VELMORA_SIGNATURE_DATA_MAX, 0xCC);
        QCOMPARE(s.take(s.path("sig.png").c_str(), buffer.data()), QByteArray("DRVQNV0001"));
        QCOMPARE(buffer[0], uint8_t(0xCC));
        QCOMPARE(s.ink.recorder().size(), 0u);
        QVERIFY(QDir(s.dir.path()).isEmpty());
    }

    void realtimePictureWithoutAPathFails()
    {
        Session s;
        s.stroke(100, 100, 300, 200);
        QCOMPARE(s.realtime(nullptr), QByteArray("DRVQNV0003"));
        QCOMPARE(s.realtime(""), QByteArray("DRVQNV0003"));
        QCOMPARE(s.realtime(s.path("no/folder/rt.png").c_str()), QByteArray("DRVQNV0003"));
    }

    void afterTheEndThePictureKeptIsUsed()
    {
        Session s;
        s.stroke(100, 100, 300, 100);
        QVERIFY(s.end());
        QVERIFY(!s.ink.surface().isAllocated());
        // Pen reports after the end draw nothing and touch no released memory.
        s.stroke(400, 300, 600, 300);
        const std::string polled = s.path("realtime_sig.png");
        QCOMPARE(s.realtime(polled.c_str()), QByteArray("DRV0000000"));
        QVERIFY(opaqueAt(polled, 200, 100));
        QVERIFY(!opaqueAt(polled, 500, 300));
        QCOMPARE(s.take(nullptr), QByteArray("DRV0000000"));
        // The session is over and its picture handed out.
        QCOMPARE(s.realtime(polled.c_str()), QByteArray("DRVQNV0001"));
        QVERIFY(!s.end());
    }

    void takeCopiesLengthHeaderAndPoints()
    {
        Session s;
        s.stroke(100, 100, 300, 200, 4);
        std::vector<unsigned char> buffer(VELMORA_SIGNATURE_DATA_MAX, 0);
        const std::string picture = s.path("sig.png");
        QCOMPARE(s.take(picture.c_str(), buffer.data()), QByteArray("DRV0000000"));
        QCOMPARE(QImage(QString::fromStdString(picture)).size(), QSize(kWidth, kHeight));
        // Five points and one lift.
        const uint32_t points = 6 * 9;
        int32_t length = 0;
        std::memcpy(&length, buffer.data(), 4);
        QCOMPARE(length, int32_t(48 + points));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(buffer.data() + 4), 4),
                 QByteArray("QNV\0", 4));
        uint32_t field = 0;
        std::memcpy(&field, buffer.data() + 4 + 4, 4);
        QCOMPARE(field, uint32_t(kWidth));
        std::memcpy(&field, buffer.data() + 4 + 12, 4);
        QCOMPARE(field, 100u); // the fake window's left on its monitor
        QCOMPARE(buffer[52], uint8_t(0xA1));
        QCOMPARE(buffer[52 + 5 * 9], PointRecorder::kPenUp);
        QCOMPARE(buffer[52 + points], uint8_t(0));

        QCOMPARE(s.take(nullptr, buffer.data()), QByteArray("DRVQNV0011"));
        QVERIFY(s.end()); // releases what the finished session held
        QVERIFY(!s.end());
    }

    void goneWindowGivesNoPicture()
    {
        Session s;
        s.stroke(100, 100, 300, 200, 4);
        s.window->alive = false;
        QCOMPARE(s.ink.buildSignatureHeader(), SignatureHeader::windowGone());
        // A picture was asked for and cannot be had: no success.
        QCOMPARE(s.take(s.path("sig.png").c_str()), QByteArray("DRVQNV0003"));
        QVERIFY(QDir(s.dir.path()).isEmpty());
    }

    void clearErasesInkAndPoints()
    {
        Session s;
        s.stroke(100, 100, 300, 200);
        QVERIFY(s.window->at(200, 150) != 0xEBEBEBu);
        s.ink.emptyRecord();
        s.ink.clearFlags();
        s.ink.clearSurface();
        QVERIFY(s.ink.has(InkSession::SurfaceActive));
        QVERIFY(!s.ink.has(InkSession::HasInk));
        QCOMPARE(s.ink.recorder().size(), 0u);
        QVERIFY(std::all_of(s.window->pixels.begin(), s.window->pixels.end(),
                            [](uint32_t p) { return p == 0xEBEBEB; }));
        // The first sample after a clear only places the pen again.
        s.sample(0xA1, 50, 50, 600);
        QVERIFY(!s.ink.has(InkSession::HasInk));
    }

    void endingTwiceIsRefused()
    {
        Session s;
        s.stroke(100, 100, 300, 200);
        QVERIFY(s.end());
        QVERIFY(s.ink.exportImage());
        QVERIFY(!s.end());
        QVERIFY(!s.ink.has(InkSession::SurfaceActive));
        QVERIFY(!s.end());
    }
};

QTEST_GUILESS_MAIN(TestInkSession)
#include "tst_inksession.moc"
