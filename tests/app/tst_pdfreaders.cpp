#include "PdfHandler.h"
#include "TestPdf.h"

#include <QPainter>
#include <QtTest>

// A saved document as independent readers see it: qpdf finds it sound, and poppler renders the
// signature's ink inside the tag's box and nowhere else.
class PdfReadersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void savedFileReadsElsewhere_data();
    void savedFileReadsElsewhere();

private:
    QSharedPointer<PdfHandler> handler;
    QTemporaryDir dir;
};

namespace {

// Black strokes on a transparent ground, as the writing board exports them.
QString inkSignature()
{
    QImage image(400, 200, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 12, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(20, 150, 120, 40);
    painter.drawLine(120, 40, 220, 160);
    painter.drawLine(220, 160, 380, 60);
    painter.end();
    return TestPdf::pngBase64(image);
}

bool isInk(QRgb c) { return qGray(c) < 128; }

} // namespace

void PdfReadersTest::initTestCase()
{
    handler = PdfHandler::instance();
    QVERIFY(dir.isValid());
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty(), "qpdf missing: run scripts/setup");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty(),
             "pdftoppm missing: run scripts/setup");
}

void PdfReadersTest::savedFileReadsElsewhere_data()
{
    QTest::addColumn<int>("rotate");
    QTest::addColumn<QPointF>("origin");
    QTest::newRow("plain A4") << 0 << QPointF();
    QTest::newRow("rotated, offset media box") << 1 << QPointF(72, 144);
}

void PdfReadersTest::savedFileReadsElsewhere()
{
    QFETCH(int, rotate);
    QFETCH(QPointF, origin);
    TestPage desc;
    desc.rotate = rotate;
    desc.origin = origin;
    const QString source = dir.filePath(QStringLiteral("blank.pdf"));
    QVERIFY(TestPdf::writeBlank(source, {desc, TestPage()}));

    const QRect tagBox(1000, 600, 500, 250);
    PdfSignTag tag;
    tag.page = 1;
    tag.x = tagBox.x();
    tag.y = tagBox.y();
    tag.w = tagBox.width();
    tag.h = tagBox.height();
    tag.setType(1);
    tag.signImage = inkSignature();
    tag.isSignDone = true;
    PdfSignData data;
    data.tags << tag;
    QVERIFY(handler->loadDocument(source));
    handler->setSignData(data, false);
    QVERIFY(handler->save());
    const QString saved = dir.filePath(QStringLiteral("saved.pdf"));
    QFile::remove(saved);
    QVERIFY(QFile::copy(PdfHandler::intermediateFilePath(), saved));

    QProcess check;
    check.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), saved});
    QVERIFY(check.waitForFinished(60000));
    QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput() + check.readAllStandardError());

    const QString prefix = dir.filePath(QStringLiteral("page"));
    QCOMPARE(QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"),
                                                           QStringLiteral("-f"), QStringLiteral("1"),
                                                           QStringLiteral("-l"), QStringLiteral("1"),
                                                           QStringLiteral("-singlefile"), QStringLiteral("-png"),
                                                           saved, prefix}),
             0);
    const QImage page(prefix + QStringLiteral(".png"));
    QVERIFY(!page.isNull());
    QVERIFY(qAbs(page.width() - (rotate % 2 ? 3508 : 2479)) <= 1);

    // A pixel or two of slack for the other reader's own rounding at the box's edge.
    const QRect allowed = tagBox.adjusted(-3, -3, 3, 3);
    int inside = 0;
    int inkless = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (!isInk(page.pixel(x, y))) {
                inkless += tagBox.contains(x, y);
                continue;
            }
            QVERIFY2(allowed.contains(x, y), qPrintable(QStringLiteral("ink outside the tag at %1,%2").arg(x).arg(y)));
            ++inside;
        }
    }
    QVERIFY(inside > 2000);           // the strokes are there
    QVERIFY(inkless > tagBox.width() * tagBox.height() / 2); // and the ground stayed transparent
}

QTEST_MAIN(PdfReadersTest)
#include "tst_pdfreaders.moc"
