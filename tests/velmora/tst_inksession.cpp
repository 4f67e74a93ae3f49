#include "FakeInkWindow.h"
#include "InkSession.h"

#include <QtTest>

#include <cstring>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 480;
constexpr size_t kMaxData = 8388655;

// Pad units of a window pixel on the 800 x 480 area.
int padX(int x) { return x * 10206 / kWidth + 1; }
int padY(int y) { return y * 7422 / kHeight + 1; }

struct Session {
    explicit Session(bool setUp = true)
    {
        InkStyle style;
        style.penColor = 0x0000FF;
        session.configure(style, ExportOptions{});
        if (setUp) {
            auto owned = std::make_unique<FakeInkWindow>(kWidth, kHeight);
            window = owned.get();
            QCOMPARE(session.setup(std::move(owned), kWidth, kHeight), 0);
        }
    }
    // A straight stroke in window pixels.
    void stroke(int x1, int y1, int x2, int y2, int steps = 8)
    {
        for (int i = 0; i <= steps; ++i)
            session.penSample(0xA1, padX(x1 + (x2 - x1) * i / steps),
                              padY(y1 + (y2 - y1) * i / steps), 600);
        session.penSample(0xA3, padX(x2), padY(y2), 0);
    }
    InkSession session;
    FakeInkWindow *window = nullptr;
    QTemporaryDir dir;
    std::string path(const char *name) { return dir.filePath(name).toStdString(); }
};

bool opaqueAt(const QString &path, int x, int y)
{
    const QImage image(path);
    return !image.isNull() && qAlpha(image.pixel(x, y)) == 255;
}

} // namespace

class TestInkSession : public QObject {
    Q_OBJECT

private slots:
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
        QCOMPARE(s.session.setup(std::move(target), width, height), -1);
        QVERIFY(!s.session.isActive());
        // The session goes on without ink.
        QVERIFY(!s.session.penSample(0xA1, 100, 100, 500));
        QVERIFY(!s.session.penSample(0xA1, 200, 200, 500));
        QVERIFY(!s.session.surface().hasInk());
        QVERIFY(!s.session.clear());
        QCOMPARE(s.session.realtimePicture(false, s.path("rt.png").c_str()),
                 InkSession::kNotSigned);
        QCOMPARE(s.session.take(s.session.header(), s.path("sig.png").c_str(), nullptr),
                 InkSession::kNotStarted);
    }

    void setupShowsTheBackground()
    {
        Session s;
        QCOMPARE(s.window->at(0, 0), 0xEBEBEBu);
        QCOMPARE(s.window->at(799, 479), 0xEBEBEBu);
    }

    void padCornerIsTheAreasCorner()
    {
        Session s;
        QVERIFY(s.session.penSample(0xA1, 5103, 3711, 500));
        QVERIFY(s.session.penSample(0xA1, 10206, 7422, 500));
        QCOMPARE(s.session.surface().maxX(), kWidth);
        QCOMPARE(s.session.surface().maxY(), kHeight);
    }

    void withoutInkThereIsNoSignature_data()
    {
        QTest::addColumn<QVector<int>>("pressures");
        QTest::newRow("hover only") << QVector<int>{0, 0, 0, 0};
        QTest::newRow("one sample") << QVector<int>{700};
        QTest::newRow("one sample, then hover") << QVector<int>{700, 0, 0};
    }
    void withoutInkThereIsNoSignature()
    {
        QFETCH(QVector<int>, pressures);
        Session s;
        int x = 1000;
        for (int p : pressures)
            s.session.penSample(0xA1, x += 300, 2000, p);
        QCOMPARE(s.session.realtimePicture(false, s.path("rt.png").c_str()),
                 InkSession::kNotSigned);
        std::vector<uint8_t> buffer(kMaxData, 0xCC);
        QCOMPARE(s.session.take(s.session.header(), s.path("sig.png").c_str(), buffer.data()),
                 InkSession::kNotSigned);
        QCOMPARE(buffer[0], uint8_t(0xCC));
        QCOMPARE(s.session.recorder().size(), 0u);
        QVERIFY(QDir(s.dir.path()).isEmpty());
    }

    void afterOkTheRealtimePictureIsRefused()
    {
        Session s;
        s.stroke(100, 100, 300, 200);
        QCOMPARE(s.session.realtimePicture(true, s.path("realtime_sig.png").c_str()),
                 InkSession::kSaveFailed);
        QVERIFY(QDir(s.dir.path()).isEmpty());
    }

    void realtimePictureWithoutAPathFails()
    {
        Session s;
        s.stroke(100, 100, 300, 200);
        QCOMPARE(s.session.realtimePicture(false, nullptr), InkSession::kSaveFailed);
        QCOMPARE(s.session.realtimePicture(false, ""), InkSession::kSaveFailed);
    }

    void strokesAfterAPollReachTheFinalPicture()
    {
        Session s;
        s.stroke(100, 100, 300, 100);
        const QString first = s.dir.filePath("realtime_sig.png");
        QCOMPARE(s.session.realtimePicture(false, first.toUtf8().constData()),
                 InkSession::kSuccess);
        QVERIFY(opaqueAt(first, 200, 100));
        QVERIFY(!opaqueAt(first, 500, 300));

        s.stroke(400, 300, 600, 300);
        QVERIFY(s.session.end());
        const QString final = s.dir.filePath("final.png");
        QCOMPARE(s.session.take(s.session.header(), final.toUtf8().constData(), nullptr),
                 InkSession::kSuccess);
        QVERIFY(opaqueAt(final, 200, 100));
        QVERIFY(opaqueAt(final, 500, 300));
    }

    void afterTheEndThePictureKeptIsUsed()
    {
        Session s;
        s.stroke(100, 100, 300, 100);
        QVERIFY(s.session.end());
        QVERIFY(!s.session.surface().isAllocated());
        // Pen reports after the end draw nothing and touch no released memory.
        s.stroke(400, 300, 600, 300);
        const QString polled = s.dir.filePath("realtime_sig.png");
        QCOMPARE(s.session.realtimePicture(false, polled.toUtf8().constData()),
                 InkSession::kSuccess);
        QVERIFY(opaqueAt(polled, 200, 100));
        QVERIFY(!opaqueAt(polled, 500, 300));
        QCOMPARE(s.session.take(s.session.header(), nullptr, nullptr), InkSession::kSuccess);
        // The session is over and its picture handed out.
        QCOMPARE(s.session.realtimePicture(false, polled.toUtf8().constData()),
                 InkSession::kNotSigned);
        QVERIFY(!s.session.end());
    }

    void takeCopiesLengthHeaderAndPoints()
    {
        Session s;
        s.stroke(100, 100, 300, 200, 4);
        std::vector<uint8_t> buffer(kMaxData, 0);
        const QString picture = s.dir.filePath("sig.png");
        QCOMPARE(s.session.take(s.session.header(), picture.toUtf8().constData(), buffer.data()),
                 InkSession::kSuccess);
        QCOMPARE(QImage(picture).size(), QSize(kWidth, kHeight));
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

        QCOMPARE(s.session.take(s.session.header(), nullptr, buffer.data()),
                 InkSession::kNotStarted);
        QVERIFY(s.session.end()); // releases what the finished session held
        QVERIFY(!s.session.end());
    }

    void goneWindowGivesNoPictureButTheData()
    {
        Session s;
        s.stroke(100, 100, 300, 200, 4);
        s.window->alive = false;
        QCOMPARE(s.session.header(), SignatureHeader::windowGone());
        // A picture was asked for and cannot be had: no success.
        QCOMPARE(s.session.take(s.session.header(), s.path("sig.png").c_str(), nullptr),
                 InkSession::kSaveFailed);
        QVERIFY(QDir(s.dir.path()).isEmpty());
    }

    void clearErasesInkAndPoints()
    {
        Session s;
        s.stroke(100, 100, 300, 200);
        QVERIFY(s.window->at(200, 150) != 0xEBEBEBu);
        QVERIFY(s.session.clear());
        QVERIFY(!s.session.surface().hasInk());
        QCOMPARE(s.session.recorder().size(), 0u);
        QVERIFY(std::all_of(s.window->pixels.begin(), s.window->pixels.end(),
                            [](uint32_t p) { return p == 0xEBEBEB; }));
        // The first sample after a clear only places the pen again.
        s.session.penSample(0xA1, padX(50), padY(50), 600);
        QVERIFY(!s.session.surface().hasInk());
        QVERIFY(s.session.end());
        QVERIFY(!s.session.clear());
    }

    void endingTwiceIsRefused()
    {
        Session s;
        s.stroke(100, 100, 300, 200);
        QVERIFY(s.session.end());
        QVERIFY(s.session.exportImage());
        QVERIFY(!s.session.end());
        QVERIFY(!s.session.isActive());
        QVERIFY(!s.session.end());
    }
};

QTEST_GUILESS_MAIN(TestInkSession)
#include "tst_inksession.moc"
