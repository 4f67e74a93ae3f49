#include "FingerprintImage.h"

#include <QtTest>

// Reader frames as the red-on-transparent picture.
class tst_fingerprintimage : public QObject
{
    Q_OBJECT

private slots:
    void greyToRed_data()
    {
        QTest::addColumn<int>("grey");
        QTest::addColumn<uint>("pixel");
        QTest::newRow("black") << 0 << 0xFFFF0000u;
        QTest::newRow("127") << 127 << 0xFFFF0000u;
        QTest::newRow("128") << 128 << 0u;
        QTest::newRow("white") << 255 << 0u;
    }

    // The value lands at its own place: rows top to bottom, the others stay transparent.
    void greyToRed()
    {
        QFETCH(int, grey);
        QFETCH(uint, pixel);
        QByteArray frame(3 * 2, char(255));
        frame[4] = char(grey);
        const QImage image = fingerprintImage(frame, 3, 2);
        QCOMPARE(image.size(), QSize(3, 2));
        QVERIFY(image.hasAlphaChannel());
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                QCOMPARE(image.pixel(x, y), (x == 1 && y == 1) ? pixel : 0u);
    }

    void shortFrameGivesNoPicture()
    {
        QVERIFY(fingerprintImage(QByteArray(256 * 360 - 1, '\0'), 256, 360).isNull());
        QVERIFY(fingerprintImage(QByteArray(), 0, 0).isNull());
    }
};

QTEST_GUILESS_MAIN(tst_fingerprintimage)
#include "tst_fingerprintimage.moc"
