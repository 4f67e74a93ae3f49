#include "ID_Fpr.h"
#include "ID_FprCap.h"
#include "SimFolder.h"
#include "SyntheticFinger.h"

#include <QtTest>

#include <random>
#include <vector>

using Frame = std::vector<unsigned char>;
Q_DECLARE_METATYPE(Frame)

namespace {

constexpr int kWidth = 256;
constexpr int kHeight = 360;

Frame finger(int which, unsigned frame = 0)
{
    return SyntheticFinger::frame(kWidth, kHeight, which, frame);
}

Frame blank()
{
    return Frame(std::size_t(kWidth * kHeight), 255);
}

Frame noise()
{
    Frame frame(std::size_t(kWidth * kHeight));
    std::mt19937 random(7);
    for (unsigned char &v : frame)
        v = static_cast<unsigned char>(random() % 256);
    return frame;
}

Frame halfFinger()
{
    Frame frame = finger(1);
    std::fill(frame.begin() + std::ptrdiff_t(frame.size() / 2), frame.end(), 255);
    return frame;
}

int quality(const Frame &frame)
{
    unsigned char score = 0;
    return FP_GetQualityScore(frame.data(), &score) == FP_OK ? score : -1;
}

std::vector<unsigned char> feature(const Frame &frame, int *result = nullptr)
{
    std::vector<unsigned char> record(FP_FEATURE_BYTES, 0);
    const int r = FP_FeatureExtract(11, 12, frame.data(), record.data());
    if (result)
        *result = r;
    return record;
}

float similarity(const Frame &a, const Frame &b)
{
    float score = -1;
    return FP_FeatureMatch(feature(a).data(), feature(b).data(), &score) == FP_OK ? score : -1;
}

} // namespace

class TestFingerprintMeasure : public QObject
{
    Q_OBJECT

private slots:
    void callsBeforeBeginAreRefused()
    {
        QCOMPARE(FP_End(), int(FP_ERR_NOT_BEGUN));
        unsigned char score = 0;
        const Frame frame = finger(1);
        QCOMPARE(FP_GetQualityScore(frame.data(), &score), int(FP_ERR_NOT_BEGUN));
        int result = 0;
        feature(frame, &result);
        QCOMPARE(result, int(FP_ERR_NOT_BEGUN));
        QCOMPARE(FP_Begin(), int(FP_OK));
        QCOMPARE(FP_Begin(), int(FP_OK));
        QCOMPARE(FP_End(), int(FP_OK));
        QCOMPARE(FP_End(), int(FP_ERR_NOT_BEGUN));
        QCOMPARE(FP_Begin(), int(FP_OK));
    }

    void qualityFollowsCoverageAndClarity_data()
    {
        QTest::addColumn<Frame>("frame");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");
        QTest::newRow("whole finger") << finger(1) << 80 << 100;
        QTest::newRow("another finger, later frame") << finger(3, 5) << 80 << 100;
        QTest::newRow("half a finger") << halfFinger() << 30 << 70;
        QTest::newRow("empty glass") << blank() << 0 << 0;
        QTest::newRow("noise, no ridge flow") << noise() << 0 << 10;
    }
    void qualityFollowsCoverageAndClarity()
    {
        QFETCH(Frame, frame);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        const int score = quality(frame);
        QVERIFY2(score >= lowest && score <= highest, qPrintable(QString::number(score)));
    }

    void scriptedQualityComesFirst()
    {
        SimFolder sim;
        sim.writeIni("[reader]\nquality = 10, 70\n");
        QCOMPARE(quality(finger(1)), 10);
        QCOMPARE(quality(blank()), 70);
        QCOMPARE(quality(blank()), 0);
    }

    void featureRecord()
    {
        int result = 0;
        feature(blank(), &result);
        QCOMPARE(result, int(FP_ERR_TOO_FEW_FEATURES));
        const std::vector<unsigned char> record = feature(finger(1), &result);
        QCOMPARE(result, int(FP_OK));
        QCOMPARE(int(record[8]), 11);
        QCOMPARE(int(record[9]), 12);
        QCOMPARE(FP_FeatureExtract(11, 12, nullptr, std::vector<unsigned char>(512).data()), int(FP_ERR_ARGUMENT));
    }

    void matchTellsFingersApart()
    {
        QVERIFY(similarity(finger(1, 0), finger(1, 4)) >= 0.9f);
        QVERIFY(similarity(finger(2, 1), finger(2, 7)) >= 0.9f);
        const float other = similarity(finger(1), finger(2));
        QVERIFY2(other >= 0 && other <= 0.7f, qPrintable(QString::number(double(other))));

        std::vector<unsigned char> garbage(FP_FEATURE_BYTES, 0x5a);
        float score = 0;
        QCOMPARE(FP_FeatureMatch(garbage.data(), feature(finger(1)).data(), &score), int(FP_ERR_BAD_FEATURE));
        QCOMPARE(FP_FeatureMatch(garbage.data(), garbage.data(), nullptr), int(FP_ERR_ARGUMENT));
        // Our header over directions that cannot be: refused, not matched.
        std::vector<unsigned char> forged = feature(finger(1));
        std::fill(forged.begin() + 16, forged.begin() + 16 + 256, 200);
        QCOMPARE(FP_FeatureMatch(forged.data(), forged.data(), &score), int(FP_ERR_BAD_FEATURE));
    }

    void frameSizeHoldsForTheSession()
    {
        SimFolder sim;
        sim.writeIni("[livescan]\nwidth = 200\nheight = 300\n");
        QCOMPARE(LIVESCAN_Init(), int(LIVESCAN_OK));
        const Frame captured = SyntheticFinger::frame(200, 300, 1, 0);
        // Edited after the capture began, before and after the measures' session began: they
        // still read the frame at the size it was taken.
        sim.writeIni("[livescan]\nwidth = 1000\nheight = 300\n");
        QCOMPARE(FP_Begin(), int(FP_OK));
        sim.writeIni("[livescan]\nwidth = 2000\nheight = 300\n");
        QVERIFY(quality(captured) >= 80);
        const std::vector<unsigned char> record = feature(captured);
        QCOMPARE(record[4] | record[5] << 8, 200);
        QCOMPARE(record[6] | record[7] << 8, 300);
        LIVESCAN_Close();
    }
};

QTEST_GUILESS_MAIN(TestFingerprintMeasure)
#include "tst_fingerprintmeasure.moc"
