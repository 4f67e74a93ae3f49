#include "FingerPicture.h"
#include "SimFolder.h"
#include "VelmoraFingerprint.h"

#include <QFile>
#include <QImage>
#include <QtTest>

// The exports as a caller sees them: the real library over the reader stand-ins.
class TestFingerprintExports : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ZelmarZAFP_End(); }

    void withoutAReaderNothingOpens()
    {
        qunsetenv("INKWARDEN_DEVSIM");
        QCOMPARE(ZelmarZAFP_Begin(), -2); // the capture library's "no reader"
        unsigned char feature[ZAFP_FEATURE_BYTES];
        float score = 0;
        QCOMPARE(ZelmarZAFP_GetFPCapture(0, 0, nullptr), ZAFP_NOT_READY);
        QCOMPARE(ZelmarZAFP_GetFeature(0, 0, nullptr, feature), ZAFP_NOT_READY);
        QCOMPARE(ZelmarZAFP_FeatureMatch(feature, feature, &score), ZAFP_NOT_READY);
        QCOMPARE(ZelmarZAFP_End(), ZAFP_NOT_READY);
    }

    void capturedFrameIsSavedUprightAsPng()
    {
        SimFolder sim;
        // Same proportions as the frame, dark at the top.
        QVERIFY(serveFingerPicture(sim, 128, 180, 20));

        QCOMPARE(ZelmarZAFP_Begin(), 0);
        const QByteArray path = QFile::encodeName(sim.filePath("capture.bmp"));
        QVERIFY(ZelmarZAFP_GetFPCapture(0, 0, path.constData()) >= 0);
        const QImage saved(QString::fromLocal8Bit(path), "PNG");
        QCOMPARE(saved.size(), QSize(256, 360));
        QCOMPARE(saved.format(), QImage::Format_Grayscale8);
        QVERIFY(qGray(saved.pixel(128, 5)) < 10);
        QVERIFY(qGray(saved.pixel(128, 350)) > 245);
    }

    void featuresOfTheSameFingerMatch()
    {
        SimFolder sim;
        sim.writeIni("[reader]\nfinger = 1\n");
        QCOMPARE(ZelmarZAFP_Begin(), 0);
        unsigned char first[ZAFP_FEATURE_BYTES];
        unsigned char second[ZAFP_FEATURE_BYTES];
        unsigned char other[ZAFP_FEATURE_BYTES];
        QCOMPARE(ZelmarZAFP_GetFeature(2, 60, nullptr, first), 0);
        QCOMPARE(ZelmarZAFP_GetFeature(2, 60, nullptr, second), 0);
        sim.writeIni("[reader]\nfinger = 2\n");
        QCOMPARE(ZelmarZAFP_GetFeature(2, 60, nullptr, other), 0);

        float same = 0;
        float different = 0;
        QCOMPARE(ZelmarZAFP_FeatureMatch(first, second, &same), 0);
        QCOMPARE(ZelmarZAFP_FeatureMatch(first, other, &different), 0);
        QVERIFY2(same >= 90 && same <= 100, qPrintable(QString::number(double(same))));
        QVERIFY2(different < 70, qPrintable(QString::number(double(different))));
        QCOMPARE(ZelmarZAFP_End(), 0);
        QCOMPARE(ZelmarZAFP_End(), ZAFP_NOT_READY);
    }
};

QTEST_GUILESS_MAIN(TestFingerprintExports)
#include "tst_fingerprintexports.moc"
