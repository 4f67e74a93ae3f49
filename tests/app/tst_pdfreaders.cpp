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
    void longDocumentTakesFiftySignatures();
    void damagedFileKeepsItsInformation_data();
    void damagedFileKeepsItsInformation();

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

PdfSignTag signedTag(int page, const QRect &box)
{
    PdfSignTag tag;
    tag.page = page;
    tag.x = box.x();
    tag.y = box.y();
    tag.w = box.width();
    tag.h = box.height();
    tag.setType(PdfSignTag::SignOnly);
    tag.signImage = inkSignature();
    tag.isSignDone = true;
    return tag;
}

QString run(const QString &program, const QStringList &args, int *exitCode)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(120000);
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

QImage renderWithPoppler(const QString &file, int page, const QString &prefix)
{
    const QString number = QString::number(page);
    if (QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-f"),
                                                       number, QStringLiteral("-l"), number, QStringLiteral("-singlefile"),
                                                       QStringLiteral("-png"), file, prefix})
        != 0)
        return QImage();
    return QImage(prefix + QStringLiteral(".png"));
}

// qpdf finds the saved file sound, and poppler renders its 1-based page as the source's with
// the signature's ink added inside the box and nowhere else.
void checkWithOtherReaders(const QString &source, const QString &saved, int page, const QRect &box, int expectedWidth,
                           const QString &prefix)
{
    int exitCode = 0;
    const QString report = run(QStringLiteral("qpdf"), {QStringLiteral("--check"), saved}, &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(report));

    const QImage before = renderWithPoppler(source, page, prefix + QStringLiteral("-source"));
    const QImage after = renderWithPoppler(saved, page, prefix);
    QVERIFY(!after.isNull());
    QCOMPARE(after.size(), before.size());
    QVERIFY(qAbs(after.width() - expectedWidth) <= 1);

    // A pixel or two of slack for the other reader's own rounding at the box's edge.
    const QRect allowed = box.adjusted(-3, -3, 3, 3);
    int inside = 0;
    int inkless = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            if (!isInk(after.pixel(x, y))) {
                inkless += box.contains(x, y);
                continue;
            }
            if (isInk(before.pixel(x, y)))
                continue;
            QVERIFY2(allowed.contains(x, y), qPrintable(QStringLiteral("ink outside the tag at %1,%2").arg(x).arg(y)));
            ++inside;
        }
    }
    QVERIFY(inside > 2000);                           // the strokes are there
    QVERIFY(inkless > box.width() * box.height() / 2); // and the ground stayed transparent
}

// One page and a document-information object; with damaged set, every cross-reference offset
// is 7 bytes off, so a reader has to rebuild the table.
QByteArray smallPdf(bool damaged)
{
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 5 0 R >>",
        "<< /Title (Lease agreement) /Author (A. Tenant) >>",
        "<< /Length 27 >>\nstream\n0 0 1 rg 60 700 200 80 re f\nendstream",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QByteArray table = "xref\n0 6\n0000000000 65535 f \n";
    for (int i = 0; i < objects.size(); ++i) {
        table += QByteArray::number(pdf.size() + (damaged ? 7 : 0)).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const int start = pdf.size();
    return pdf + table + "trailer\n<< /Size 6 /Root 1 0 R /Info 4 0 R >>\nstartxref\n" + QByteArray::number(start)
           + "\n%%EOF\n";
}

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
    PdfSignData data;
    data.tags << signedTag(1, tagBox);
    QVERIFY(handler->loadDocument(source));
    handler->setSignData(data, false);
    QVERIFY(handler->save());
    const QString saved = dir.filePath(QStringLiteral("saved.pdf"));
    QFile::remove(saved);
    QVERIFY(QFile::copy(PdfHandler::intermediateFilePath(), saved));
    checkWithOtherReaders(source, saved, 1, tagBox, rotate % 2 ? 3508 : 2479, dir.filePath(QStringLiteral("page")));
}

// A document of the size of a real manual, put together as such manuals are: parts with
// resources of their own, concatenated.
void PdfReadersTest::longDocumentTakesFiftySignatures()
{
    const QString part = dir.filePath(QStringLiteral("part.pdf"));
    QVERIFY(TestPdf::writeWithContent(part, 40));
    QStringList args = {QStringLiteral("--empty"), QStringLiteral("--pages")};
    for (int i = 0; i < 10; ++i)
        args << part;
    const QString source = dir.filePath(QStringLiteral("manual.pdf"));
    args << QStringLiteral("--") << source;
    QCOMPARE(QProcess::execute(QStringLiteral("qpdf"), args), 0);
    QVERIFY(handler->loadDocument(source));
    QCOMPARE(handler->pageCount(), 400);

    const QRect tagBox(1000, 2000, 500, 250);
    PdfSignData data;
    for (int i = 0; i < 50; ++i)
        data.tags << signedTag(1 + i * 8, tagBox);
    handler->setSignData(data, false);
    QVERIFY(handler->save());
    const QString saved = PdfHandler::intermediateFilePath();
    for (const int page : {0, 8, 392, 393})
        QCOMPARE(TestPdf::imageMatrices(saved, page).size(), page % 8 == 0 ? 1 : 0);
    checkWithOtherReaders(source, saved, 393, tagBox, 2479, dir.filePath(QStringLiteral("manual-page")));
}

void PdfReadersTest::damagedFileKeepsItsInformation_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::newRow("sound cross-reference table") << false;
    QTest::newRow("cross-reference offsets wrong") << true;
}

// pdfium rebuilds a broken table on load, yet writes such a document without its information
// object unless it was read first: every save of it must keep title and author, and be sound.
void PdfReadersTest::damagedFileKeepsItsInformation()
{
    QFETCH(bool, damaged);
    const QString source = dir.filePath(QStringLiteral("lease.pdf"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(smallPdf(damaged));
    file.close();
    int exitCode = 0;
    QCOMPARE(run(QStringLiteral("qpdf"), {QStringLiteral("--check"), source}, &exitCode).contains(QLatin1String("damaged")),
             damaged);

    QVERIFY(handler->loadDocument(source));
    PdfSignData data;
    data.tags << signedTag(1, QRect(1000, 600, 500, 250));
    handler->setSignData(data, false);
    QSignalSpy confirmed(handler.data(), &PdfHandler::pdfConfirm);
    // The verdict is the same on every attempt with the same open document.
    for (int attempt = 1; attempt <= 2; ++attempt) {
        QVERIFY(handler->save());
        QCOMPARE(confirmed.count(), attempt);
        run(QStringLiteral("qpdf"), {QStringLiteral("--check"), PdfHandler::intermediateFilePath()}, &exitCode);
        QCOMPARE(exitCode, 0);
    }
    const QString info = run(QStringLiteral("pdfinfo"), {PdfHandler::intermediateFilePath()}, &exitCode);
    QVERIFY(info.contains(QRegularExpression(QStringLiteral("Title: +Lease agreement"))));
    QVERIFY(info.contains(QRegularExpression(QStringLiteral("Author: +A. Tenant"))));
    checkWithOtherReaders(source, PdfHandler::intermediateFilePath(), 1, QRect(1000, 600, 500, 250), 2479,
                          dir.filePath(QStringLiteral("lease-page")));
}

QTEST_MAIN(PdfReadersTest)
#include "tst_pdfreaders.moc"
