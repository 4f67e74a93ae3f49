#include "ExportImage.h"
#include "ImageFileWriter.h"

#include <QImageReader>
#include <QtTest>

#include <cstdlib>

namespace {

constexpr uint32_t kClear = 0x00EBEBEB;
constexpr uint32_t kRed = 0xFFFF0000;

// A signature-like picture: transparent background, a red block and a blue diagonal.
std::unique_ptr<ExportImage> picture()
{
    auto image = ExportImage::create(64, 40, kClear);
    for (int y = 10; y < 20; ++y)
        for (int x = 5; x < 25; ++x)
            image->setPixel(x, y, kRed);
    for (int i = 0; i < 40; ++i)
        image->setPixel(24 + i, i, 0xFF0000FF);
    return image;
}

bool near(QRgb a, uint32_t b, int tolerance)
{
    return std::abs(qRed(a) - int((b >> 16) & 0xFF)) <= tolerance
            && std::abs(qGreen(a) - int((b >> 8) & 0xFF)) <= tolerance
            && std::abs(qBlue(a) - int(b & 0xFF)) <= tolerance;
}

} // namespace

class TestImageFiles : public QObject {
    Q_OBJECT

private slots:
    void eachFormatOpensInAnotherReader_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<bool>("keepsAlpha");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("png") << "sig.png" << QByteArray("png") << true << 0;
        QTest::newRow("jpg") << "sig.jpg" << QByteArray("jpeg") << false << 24;
        QTest::newRow("gif") << "sig.gif" << QByteArray("gif") << true << 0;
        QTest::newRow("tiff") << "sig.tiff" << QByteArray("tiff") << true << 0;
        QTest::newRow("bmp") << "sig.bmp" << QByteArray("bmp") << false << 0;
        QTest::newRow("capital JPG is a png") << "sig.JPG" << QByteArray("png") << true << 0;
        QTest::newRow("tif is a png") << "sig.tif" << QByteArray("png") << true << 0;
        QTest::newRow("no extension is a png") << "signature" << QByteArray("png") << true << 0;
    }
    void eachFormatOpensInAnotherReader()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        QFETCH(bool, keepsAlpha);
        QFETCH(int, tolerance);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(ImageFileWriter::save(*picture(), path.toStdString()));

        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        QCOMPARE(reader.format(), format);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(64, 40));
        QVERIFY(near(image.pixel(10, 15), kRed, tolerance));
        if (tolerance == 0)
            QVERIFY(near(image.pixel(44, 20), 0xFF0000FF, 0));
        if (keepsAlpha) {
            QCOMPARE(qAlpha(image.pixel(2, 35)), 0);
            QCOMPARE(qAlpha(image.pixel(10, 15)), 255);
        } else {
            // Without alpha the background shows its own colour, not black.
            QVERIFY(near(image.pixel(2, 35), kClear, tolerance));
        }
        // Nothing but the picture is left in the folder.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{name});
    }

    void gifWithManyColoursStillOpens()
    {
        auto image = ExportImage::create(64, 64, kClear);
        for (int y = 8; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                image->setPixel(x, y, 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | 0x40);
        QTemporaryDir dir;
        const QString path = dir.filePath("many.gif");
        QVERIFY(ImageFileWriter::save(*image, path.toStdString()));
        const QImage read(path);
        QCOMPARE(read.size(), QSize(64, 64));
        QCOMPARE(qAlpha(read.pixel(3, 3)), 0);
        QVERIFY(near(read.pixel(40, 40), 0xFFA0A040, 40));
    }

    void replacesAnOlderPictureWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("realtime_sig.png");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
        old.close();
        QVERIFY(ImageFileWriter::save(*picture(), path.toStdString()));
        QCOMPARE(QImage(path).size(), QSize(64, 40));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"realtime_sig.png"});
    }

    void unwritablePlaceFails()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath("no/such/folder/sig.png");
        QVERIFY(!ImageFileWriter::save(*picture(), missing.toStdString()));
        QVERIFY(!ImageFileWriter::save(*picture(), ""));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestImageFiles)
#include "tst_imagefiles.moc"
