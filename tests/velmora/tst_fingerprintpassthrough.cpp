#include "FingerprintPassThrough.h"
#include "PadLog.h"
#include "VelmoraFingerprint.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

namespace {

// A scripted reader: frames of the configured size whose first row is black and the rest white,
// quality scores taken from a list (the last one repeats), and counts of what was called.
struct FakeReader
{
    int initResult = 1;
    int channelCount = 1;
    int sizeResult = 1;
    int width = 8;
    int height = 4;
    int fpBeginResult = 1;
    std::vector<int> readResults;
    std::vector<int> scores{90};
    int extractResult = 1;
    int matchResult = 1;
    float similarity = 0.42f;
    int closeResult = 1;
    int fpEndResult = 1;

    int sizeChannel = -99;
    int reads = 0;
    int endCaptures = 0;
    int closes = 0;
    int fpEnds = 0;
};

FakeReader fake;

int fakeInit() { return fake.initResult; }
int fakeChannelCount() { return fake.channelCount; }
int fakeMaxImageSize(int channel, int* width, int* height)
{
    fake.sizeChannel = channel;
    *width = fake.width;
    *height = fake.height;
    return fake.sizeResult;
}
int fakeBeginCapture(int) { return 1; }
int fakeRawData(int, unsigned char* frame)
{
    const size_t read = size_t(fake.reads++);
    if (read < fake.readResults.size() && fake.readResults[read] != 1)
        return fake.readResults[read];
    std::fill(frame, frame + fake.width * fake.height, 255);
    std::fill(frame, frame + fake.width, 0);
    return 1;
}
int fakeEndCapture(int)
{
    ++fake.endCaptures;
    return 1;
}
int fakeClose()
{
    ++fake.closes;
    return fake.closeResult;
}
int fakeFpBegin() { return fake.fpBeginResult; }
int fakeQuality(const unsigned char*, unsigned char* score)
{
    const size_t index = std::min(size_t(fake.reads - 1), fake.scores.size() - 1);
    *score = static_cast<unsigned char>(fake.scores[index]);
    return 1;
}
int fakeExtract(unsigned char scannerType, unsigned char fingerCode, const unsigned char*, unsigned char* feature)
{
    feature[0] = scannerType;
    feature[1] = fingerCode;
    return fake.extractResult;
}
int fakeMatch(const unsigned char*, const unsigned char*, float* score)
{
    *score = fake.similarity;
    return fake.matchResult;
}
int fakeFpEnd()
{
    ++fake.fpEnds;
    return fake.fpEndResult;
}

FingerprintVendor fullVendor()
{
    FingerprintVendor v;
    v.init = fakeInit;
    v.getChannelCount = fakeChannelCount;
    v.getMaxImageSize = fakeMaxImageSize;
    v.beginCapture = fakeBeginCapture;
    v.getRawData = fakeRawData;
    v.endCapture = fakeEndCapture;
    v.close = fakeClose;
    v.fpBegin = fakeFpBegin;
    v.qualityScore = fakeQuality;
    v.featureExtract = fakeExtract;
    v.featureMatch = fakeMatch;
    v.fpEnd = fakeFpEnd;
    return v;
}

} // namespace

class TestFingerprintPassThrough : public QObject
{
    Q_OBJECT

    FingerprintVendor m_vendor; // what the pass-through finds on its next look-up
    FingerprintPassThrough makePassThrough()
    {
        return FingerprintPassThrough([this] { return m_vendor; });
    }

private slots:
    void init()
    {
        fake = FakeReader();
        m_vendor = fullVendor();
    }

    void everythingBeforeBeginIsNotReady()
    {
        FingerprintPassThrough fp = makePassThrough();
        unsigned char feature[ZAFP_FEATURE_BYTES];
        float score = 0;
        QCOMPARE(fp.capture(0, 0, nullptr), ZAFP_NOT_READY);
        QCOMPARE(fp.feature(0, 0, nullptr, feature), ZAFP_NOT_READY);
        QCOMPARE(fp.match(feature, feature, &score), ZAFP_NOT_READY);
        QCOMPARE(fp.end(), ZAFP_NOT_READY);
        QCOMPARE(fake.reads, 0);
        QCOMPARE(fake.closes, 0);
    }

    void beginResults_data()
    {
        QTest::addColumn<int>("initResult");
        QTest::addColumn<int>("channelCount");
        QTest::addColumn<int>("sizeResult");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fpBeginResult");
        QTest::addColumn<int>("expected");
        QTest::newRow("ready") << 1 << 1 << 1 << 256 << 360 << 1 << 0;
        QTest::newRow("init fails") << -2 << 1 << 1 << 256 << 360 << 1 << -2;
        QTest::newRow("init fails with 0") << 0 << 1 << 1 << 256 << 360 << 1 << ZAFP_VENDOR_FAILED;
        QTest::newRow("no channels") << 1 << -3 << 1 << 256 << 360 << 1 << 1;
        QTest::newRow("size fails") << 1 << 1 << -4 << 256 << 360 << 1 << -4;
        QTest::newRow("zero width") << 1 << 1 << 1 << 0 << 360 << 1 << ZAFP_BAD_FRAME_SIZE;
        QTest::newRow("negative height") << 1 << 1 << 1 << 256 << -1 << 1 << ZAFP_BAD_FRAME_SIZE;
        QTest::newRow("oversized") << 1 << 1 << 1 << 5000 << 5000 << 1 << ZAFP_BAD_FRAME_SIZE;
        QTest::newRow("algorithms fail with 0") << 1 << 1 << 1 << 256 << 360 << 0 << ZAFP_VENDOR_FAILED;
    }
    void beginResults()
    {
        QFETCH(int, initResult);
        QFETCH(int, channelCount);
        QFETCH(int, sizeResult);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, fpBeginResult);
        QFETCH(int, expected);
        fake.initResult = initResult;
        fake.channelCount = channelCount;
        fake.sizeResult = sizeResult;
        fake.width = width;
        fake.height = height;
        fake.fpBeginResult = fpBeginResult;

        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), expected);
        // Only a ready reader captures; anything else is still "not ready".
        QCOMPARE(fp.capture(0, 0, nullptr), expected == 0 ? 90 : ZAFP_NOT_READY);
    }

    void missingFunctionsGiveMinusOne()
    {
        const auto beginWithout = [this](auto FingerprintVendor::*function) {
            m_vendor = fullVendor();
            m_vendor.*function = nullptr;
            return makePassThrough().begin();
        };
        QCOMPARE(beginWithout(&FingerprintVendor::init), ZAFP_MISSING);
        QCOMPARE(beginWithout(&FingerprintVendor::getChannelCount), ZAFP_MISSING);
        QCOMPARE(beginWithout(&FingerprintVendor::getMaxImageSize), ZAFP_MISSING);
        QCOMPARE(beginWithout(&FingerprintVendor::fpBegin), ZAFP_MISSING);

        unsigned char feature[ZAFP_FEATURE_BYTES] = {};
        float score = 0;
        const auto callWithout = [&](auto FingerprintVendor::*function, auto call) {
            m_vendor = fullVendor();
            FingerprintPassThrough fp = makePassThrough();
            fp.begin();
            m_vendor.*function = nullptr;
            return call(fp);
        };
        const auto capture = [](FingerprintPassThrough& fp) { return fp.capture(3, 60, nullptr); };
        const auto extract = [&](FingerprintPassThrough& fp) { return fp.feature(3, 60, nullptr, feature); };
        QCOMPARE(callWithout(&FingerprintVendor::getRawData, capture), ZAFP_MISSING);
        QCOMPARE(callWithout(&FingerprintVendor::qualityScore, capture), ZAFP_MISSING);
        QCOMPARE(callWithout(&FingerprintVendor::endCapture, extract), ZAFP_MISSING);
        QCOMPARE(callWithout(&FingerprintVendor::featureExtract, extract), ZAFP_MISSING);
        QCOMPARE(callWithout(&FingerprintVendor::featureMatch,
                             [&](FingerprintPassThrough& fp) { return fp.match(feature, feature, &score); }),
                 ZAFP_MISSING);
        QCOMPARE(callWithout(&FingerprintVendor::close, [](FingerprintPassThrough& fp) { return fp.end(); }),
                 ZAFP_MISSING);
        QCOMPARE(callWithout(&FingerprintVendor::fpEnd, [](FingerprintPassThrough& fp) { return fp.end(); }),
                 ZAFP_MISSING);
        // Nothing is read from a reader that cannot be used to the end.
        QCOMPARE(fake.reads, 0);
    }

    void channelZeroKeepsThePreviousChannel()
    {
        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), 0);
        QCOMPARE(fake.sizeChannel, 0);
        fake.channelCount = 0;
        QCOMPARE(fp.begin(), 0);
        QCOMPARE(fake.sizeChannel, 0);
        QCOMPARE(fp.end(), 0);
        QCOMPARE(fp.begin(), 0);
        QCOMPARE(fake.sizeChannel, -1);
    }

    void zeroTimeoutReadsOneFrameThenEndsCapture()
    {
        fake.scores = {30};
        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), 0);
        QCOMPARE(fp.capture(0, 60, nullptr), ZAFP_TIMEOUT);
        QCOMPARE(fake.reads, 1);
        QCOMPARE(fake.endCaptures, 1);
    }

    void captureReturnsTheFirstScoreThatReachesTheMinimum()
    {
        fake.scores = {10, 59, 60, 95};
        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), 0);
        // Only the low byte of the minimum counts: 0x13C is 60.
        QCOMPARE(fp.capture(5, 0x13C, nullptr), 60);
        QCOMPARE(fake.reads, 3);
        QCOMPARE(fake.endCaptures, 0);
    }

    void readFailures_data()
    {
        QTest::addColumn<int>("readResult");
        QTest::addColumn<int>("expected");
        QTest::newRow("read fails") << -5 << -5;
        QTest::newRow("read fails with 0") << 0 << ZAFP_VENDOR_FAILED;
    }
    void readFailures()
    {
        QFETCH(int, readResult);
        QFETCH(int, expected);
        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), 0);
        fake.readResults = {readResult};
        QCOMPARE(fp.capture(3, 60, nullptr), expected);
        fake.reads = 0;
        unsigned char feature[ZAFP_FEATURE_BYTES];
        QCOMPARE(fp.feature(3, 60, nullptr, feature), expected);
    }

    void framesAreSavedAsUprightGreyPng()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("finger.bmp"));
        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), 0);
        QCOMPARE(fp.capture(0, 60, path.constData()), 90);

        QFile file(QString::fromLocal8Bit(path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
        const QImage saved(QString::fromLocal8Bit(path), "PNG");
        QCOMPARE(saved.size(), QSize(fake.width, fake.height));
        QCOMPARE(saved.format(), QImage::Format_Grayscale8);
        QCOMPARE(qGray(saved.pixel(0, 0)), 0);
        QCOMPARE(qGray(saved.pixel(0, fake.height - 1)), 255);
    }

    void failedSaveIsLoggedAndTheScoreStillReturned()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath("Velmora.log");
        PadLog::instance().setPath(log.toStdString());
        padLog(OpenRoot, "test root");
        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), 0);
        const QByteArray path = QFile::encodeName(dir.filePath("no/such/folder/finger.png"));
        QCOMPARE(fp.capture(0, 60, path.constData()), 90);
        PadLog::instance().setPath(std::string());
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Fingerprint image not saved to " + path));
    }

    void featureKeepsStatusAndScoreApart()
    {
        // A genuine score of 3 is a success, not a time-out.
        fake.scores = {3};
        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), 0);
        unsigned char feature[ZAFP_FEATURE_BYTES];
        std::fill(std::begin(feature), std::end(feature), 0xEE);
        QCOMPARE(fp.feature(0, 3, nullptr, feature), 0);
        QCOMPARE(int(feature[0]), 11);
        QCOMPARE(int(feature[1]), 12);
        QCOMPARE(int(feature[2]), 0);
        QCOMPARE(int(feature[ZAFP_FEATURE_BYTES - 1]), 0);

        QCOMPARE(fp.feature(0, 4, nullptr, feature), ZAFP_TIMEOUT);
        QCOMPARE(fp.feature(0, 0, nullptr, nullptr), ZAFP_BAD_ARGUMENT);
        fake.extractResult = -7;
        QCOMPARE(fp.feature(0, 0, nullptr, feature), -7);
        fake.extractResult = 0;
        QCOMPARE(fp.feature(0, 0, nullptr, feature), ZAFP_VENDOR_FAILED);
    }

    void matchScalesTheScore()
    {
        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), 0);
        const unsigned char a[ZAFP_FEATURE_BYTES] = {1};
        float score = -1;
        QCOMPARE(fp.match(a, a, &score), 0);
        QCOMPARE(score, 42.0f);
        QCOMPARE(fp.match(a, a, nullptr), ZAFP_BAD_ARGUMENT);
        QCOMPARE(fp.match(nullptr, a, &score), ZAFP_BAD_ARGUMENT);
        fake.matchResult = -8;
        score = -1;
        QCOMPARE(fp.match(a, a, &score), -8);
        QCOMPARE(score, -1.0f);
    }

    void endClosesOnceAndStopsAtTheFirstFailure()
    {
        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), 0);
        QCOMPARE(fp.end(), 0);
        QCOMPARE(fake.closes, 1);
        QCOMPARE(fake.fpEnds, 1);
        QCOMPARE(fp.end(), ZAFP_NOT_READY);
        QCOMPARE(fake.closes, 1);

        QCOMPARE(fp.begin(), 0);
        fake.closeResult = -3;
        QCOMPARE(fp.end(), -3);
        QCOMPARE(fake.fpEnds, 1);
        QCOMPARE(fp.capture(0, 0, nullptr), ZAFP_NOT_READY);
    }

    void aFailedBeginForgetsAnEarlierOne()
    {
        FingerprintPassThrough fp = makePassThrough();
        QCOMPARE(fp.begin(), 0);
        fake.initResult = -2;
        QCOMPARE(fp.begin(), -2);
        QCOMPARE(fp.capture(0, 0, nullptr), ZAFP_NOT_READY);
    }

    void missingReaderLibraryFailsBeginCleanly()
    {
        FingerprintPassThrough fp([] { return FingerprintVendor::load("libInkwardenNoSuchReader.so"); });
        QCOMPARE(fp.begin(), ZAFP_MISSING);
        QCOMPARE(fp.capture(0, 0, nullptr), ZAFP_NOT_READY);
        QCOMPARE(fp.end(), ZAFP_NOT_READY);
    }
};

QTEST_GUILESS_MAIN(TestFingerprintPassThrough)
#include "tst_fingerprintpassthrough.moc"
