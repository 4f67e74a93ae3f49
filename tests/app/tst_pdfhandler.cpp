#include "ImageBase64.h"
#include "PdfHandler.h"
#include "TestPdf.h"

#include <QtTest>

#include <QCryptographicHash>

#include <csignal>
#include <dlfcn.h>
#include <sys/stat.h>

namespace {

constexpr int kA4Width = 2479;
constexpr int kA4Height = 3508;

PdfSignTag makeTag(int page, QRect rect, int type)
{
    PdfSignTag tag;
    tag.page = page;
    tag.x = rect.x();
    tag.y = rect.y();
    tag.w = rect.width();
    tag.h = rect.height();
    tag.setType(type);
    tag.title = QStringLiteral("Sign Area 1");
    return tag;
}

PdfSignTag doneTag(int page, QRect rect, const QString &sign, const QString &fp = QString())
{
    PdfSignTag tag = makeTag(page, rect, fp.isEmpty() ? 1 : 3);
    tag.signImage = sign;
    tag.isSignDone = !sign.isEmpty();
    tag.fpImage = fp;
    tag.isFpDone = true;
    return tag;
}

PdfSignData dataOf(const QList<PdfSignTag> &tags)
{
    PdfSignData data;
    data.tags = tags;
    return data;
}

int countColor(const QImage &image, QRect area, QRgb color)
{
    int count = 0;
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF);
    return count;
}

bool isReddish(QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }
bool isBluish(QRgb c) { return qBlue(c) > 200 && qRed(c) < 80 && qGreen(c) < 80; }
bool isWhite(QRgb c) { return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245; }

// One page, with a page tree that counts `counted`, and a stream of `length` bytes reached from
// the catalog that take no room on disk.
bool writeWithHole(const QString &path, int counted, qint64 length)
{
    QByteArray head = "%PDF-1.4\n";
    QVector<qint64> at;
    for (const QByteArray &object : {QByteArray("<</Type/Catalog/Pages 2 0 R/Blob 4 0 R>>\nendobj"),
                                     "<</Type/Pages/Kids[3 0 R]/Count " + QByteArray::number(counted) + ">>\nendobj",
                                     QByteArray("<</Type/Page/Parent 2 0 R/MediaBox[0 0 595 842]>>\nendobj"),
                                     "<</Length " + QByteArray::number(length) + ">>stream"}) {
        at << head.size();
        head += QByteArray::number(at.size()) + " 0 obj\n" + object + "\n";
    }
    QByteArray tail = "\nendstream\nendobj\nxref\n0 5\n0000000000 65535 f \n";
    for (qint64 offset : at)
        tail += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    tail += "trailer\n<</Size 5/Root 1 0 R>>\nstartxref\n" + QByteArray::number(head.size() + length + 18) + "\n%%EOF\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(head) == head.size() && file.seek(head.size() + length)
           && file.write(tail) == tail.size();
}

} // namespace

class PdfHandlerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void systemLibrariesServeBeforePdfium_data();
    void systemLibrariesServeBeforePdfium();
    void loadFailsCleanly_data();
    void loadFailsCleanly();
    void documentPastTwoGiBOpensInLittleMemory();
    void rendersAtThreeHundredDpi();
    void rendersAsPdfiumsOwnBitmap();
    void pageBuffersComeBackButAreNeverShared();
    void degeneratePagesGiveNullImage_data();
    void degeneratePagesGiveNullImage();
    void hiddenTagsRenderAsBarePage();
    void tagBoxLook_data();
    void tagBoxLook();
    void capturedImagesFitIntoTag();

    void insertedImageFitsAndCentres_data();
    void insertedImageFitsAndCentres();
    void imagesLandInTagBoxOnTransformedPages_data();
    void imagesLandInTagBoxOnTransformedPages();
    void saveRoundTripWritesEachImageOnce();
    void imagesNotDueAreNotInserted_data();
    void imagesNotDueAreNotInserted();
    void failedSaveLeavesNothing_data();
    void failedSaveLeavesNothing();
    void unplaceableImageFailsTheSave();
    void soundFileSavesAsBefore();

    void mergeImages();
    void imageSizeBound_data();
    void imageSizeBound();

private:
    QImage renderBare(const QString &path, int index);
    QString path(const QString &name) const { return dir.filePath(name); }

    QSharedPointer<PdfHandler> handler;
    QTemporaryDir dir;
};

void PdfHandlerTest::initTestCase()
{
    qRegisterMetaType<PdfSignResult>("PdfSignResult");
    std::signal(SIGXFSZ, SIG_IGN); // a capped write must fail, not kill the test
    handler = PdfHandler::instance();
    QCOMPARE(PdfHandler::instance(), handler);
    QVERIFY(dir.isValid());
    QVERIFY(TestPdf::writeBlank(path("a4.pdf"), {TestPage()}));
    QVERIFY(TestPdf::writeWithContent(path("content.pdf"), 2));
}

void PdfHandlerTest::init()
{
    handler->closeDocument();
    handler->setReadOnly(false);
    QDir(QFileInfo(PdfHandler::intermediateFilePath()).absolutePath()).removeRecursively();
    QFile::remove(QFileInfo(PdfHandler::intermediateFilePath()).absolutePath());
}

QImage PdfHandlerTest::renderBare(const QString &file, int index)
{
    if (!handler->loadDocument(file))
        return QImage();
    handler->setSignData(PdfSignData(), false);
    return handler->renderPage(index);
}

void PdfHandlerTest::systemLibrariesServeBeforePdfium_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::newRow("FreeType") << "FT_Init_FreeType";
    QTest::newRow("glyph loading") << "FT_Load_Glyph";
    QTest::newRow("operator new") << "_Znwm";
    QTest::newRow("operator delete") << "_ZdlPv";
}

// pdfium carries its own FreeType and C++ runtime; one copy each must serve the whole process.
void PdfHandlerTest::systemLibrariesServeBeforePdfium()
{
    QFETCH(QString, symbol);
    Dl_info info{};
    QVERIFY(dladdr(dlsym(RTLD_DEFAULT, symbol.toLatin1().constData()), &info));
    QVERIFY2(!QString::fromLocal8Bit(info.dli_fname).contains(QLatin1String("libpdfium")), info.dli_fname);
}

void PdfHandlerTest::loadFailsCleanly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("reason");
    QTest::newRow("missing") << "missing" << int(OpenFailure::NotFound);
    QTest::newRow("garbage") << "garbage" << int(OpenFailure::Damaged);
    QTest::newRow("empty file") << "empty" << int(OpenFailure::Empty);
    QTest::newRow("password") << "password" << int(OpenFailure::Password);
    QTest::newRow("no pages") << "nopages" << int(OpenFailure::NoPages);
    QTest::newRow("truncated") << "truncated" << int(OpenFailure::Damaged);
    QTest::newRow("picture renamed .pdf") << "picture" << int(OpenFailure::Damaged);
    QTest::newRow("unreadable") << "unreadable" << int(OpenFailure::Permission);
    // Nobody writes to the pipe nor reads the device: a load that waited on either never ends.
    QTest::newRow("pipe") << "fifo" << int(OpenFailure::NotRegular);
    QTest::newRow("folder") << "folder" << int(OpenFailure::NotRegular);
    QTest::newRow("device") << "device" << int(OpenFailure::NotRegular);
}

void PdfHandlerTest::loadFailsCleanly()
{
    QFETCH(QString, kind);
    QFETCH(int, reason);
    QString file = path(kind + QStringLiteral(".pdf"));
    if (kind == QLatin1String("garbage")) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("%PDF-1.7\nthis is not a PDF at all\n%%EOF\n");
    } else if (kind == QLatin1String("empty")) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("password")) {
        QCOMPARE(QProcess::execute(QStringLiteral("qpdf"), {QStringLiteral("--encrypt"), QStringLiteral("user"),
                                                           QStringLiteral("owner"), QStringLiteral("256"),
                                                           QStringLiteral("--"), path("a4.pdf"), file}),
                 0);
    } else if (kind == QLatin1String("nopages")) {
        QVERIFY(TestPdf::writeBlank(file, {}));
    } else if (kind == QLatin1String("truncated")) {
        QVERIFY(QFile::copy(path("content.pdf"), file));
        QVERIFY(QFile::resize(file, 300));
    } else if (kind == QLatin1String("picture")) {
        QVERIFY(QImage(QSize(40, 20), QImage::Format_RGB32).save(file, "PNG"));
    } else if (kind == QLatin1String("unreadable")) {
        QVERIFY(QFile(file).open(QIODevice::WriteOnly) && QFile::setPermissions(file, QFileDevice::WriteOwner));
        if (QFile(file).open(QIODevice::ReadOnly)) // the superuser reads it anyway, but not this one
            file = QStringLiteral("/proc/sys/vm/compact_memory");
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(file));
    } else if (kind == QLatin1String("device")) {
        file = QStringLiteral("/dev/zero");
    }

    QVERIFY(handler->loadDocument(path("a4.pdf")));
    handler->setSignData(dataOf({makeTag(1, QRect(100, 100, 400, 200), 1)}), false);
    OpenFailure::Reason why = OpenFailure::NotRead;
    QVERIFY(!handler->loadDocument(file, &why));
    QCOMPARE(int(why), reason);
    QCOMPARE(handler->pageCount(), 0);
    QVERIFY(handler->renderPage(0).isNull());
    QSignalSpy confirmed(handler.data(), &PdfHandler::pdfConfirm);
    QVERIFY(!handler->save());
    QCOMPARE(confirmed.count(), 0);
    QVERIFY(!QFileInfo::exists(PdfHandler::intermediateFilePath()));
}

// A sparse file: the page's objects lie past 2 GiB, after a hole the parser reads as white space.
void PdfHandlerTest::documentPastTwoGiBOpensInLittleMemory()
{
    QFile file(path("large.pdf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.4\n");
    const qint64 base = (qint64(9) << 28) + 7; // 2.25 GiB and a little
    QVERIFY(file.seek(base));
    QByteArray body;
    QVector<qint64> offsets;
    for (const char *object : {"<</Type/Catalog/Pages 2 0 R>>", "<</Type/Pages/Kids[3 0 R]/Count 1>>",
                               "<</Type/Page/Parent 2 0 R/MediaBox[0 0 300 200]>>"}) {
        offsets << base + body.size();
        body += QByteArray::number(offsets.size()) + " 0 obj\n" + object + "\nendobj\n";
    }
    const qint64 xref = base + body.size();
    body += "xref\n0 4\n0000000000 65535 f \n";
    for (qint64 offset : offsets)
        body += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    body += "trailer\n<</Size 4/Root 1 0 R>>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    QCOMPARE(file.write(body), qint64(body.size()));
    file.close();

    const auto residentKiB = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
        return -1LL;
    };
    const qint64 before = residentKiB();
    QVERIFY(handler->loadDocument(file.fileName()));
    QVERIFY(residentKiB() - before < 64 * 1024);
    QCOMPARE(handler->pageCount(), 1);
    QVERIFY(!handler->renderPage(0).isNull());
    handler->setSignData(dataOf({doneTag(1, QRect(100, 100, 400, 200), TestPdf::solidPng(QSize(40, 20), Qt::red))}), false);
    QVERIFY(handler->save());
    QCOMPARE(TestPdf::imageMatrices(PdfHandler::intermediateFilePath(), 0).size(), 1);
}

void PdfHandlerTest::rendersAtThreeHundredDpi()
{
    QVERIFY(handler->loadDocument(path("content.pdf")));
    QCOMPARE(handler->pageCount(), 2);
    QCOMPARE(handler->signMode(), 0);
    QVERIFY(handler->renderPage(-1).isNull());
    QVERIFY(handler->renderPage(2).isNull());

    const QImage page = renderBare(path("a4.pdf"), 0);
    QCOMPARE(page.size(), QSize(kA4Width, kA4Height));
    QCOMPARE(page.format(), QImage::Format_RGB32);
    QVERIFY(isWhite(page.pixel(1000, 1000)));

    // The content is drawn where it was put.
    const QImage content = renderBare(path("content.pdf"), 1);
    QCOMPARE(content.size(), QSize(kA4Width, kA4Height));
    QVERIFY(isBluish(content.pixel(qRound(160 * 4.1667), qRound(100 * 4.1667))));
}

// The page as pdfium draws it into a bitmap of its own, the picture renderPage must give.
void PdfHandlerTest::rendersAsPdfiumsOwnBitmap()
{
    const QString file = path(QStringLiteral("rotated.pdf"));
    QVERIFY(TestPdf::writeWithContent(path(QStringLiteral("four.pdf")), 4));
    QCOMPARE(QProcess::execute(QStringLiteral("qpdf"), {path(QStringLiteral("four.pdf")), QStringLiteral("--rotate=+90:2"),
                                                       QStringLiteral("--rotate=+180:3"), QStringLiteral("--rotate=+270:4"),
                                                       file}),
             0);
    for (int index = 0; index < 4; ++index) {
        FPDF_DOCUMENT document = FPDF_LoadDocument(file.toUtf8().constData(), nullptr);
        QVERIFY(document);
        FPDF_PAGE page = FPDF_LoadPage(document, index);
        const int width = int(FPDF_GetPageWidth(page) * 3.125 * 1.3333333333333333);
        const int height = int(FPDF_GetPageHeight(page) * 3.125 * 1.3333333333333333);
        FPDF_BITMAP bitmap = FPDFBitmap_Create(width, height, 0);
        FPDFBitmap_FillRect(bitmap, 0, 0, width, height, 0xFFFFFFFF);
        FPDF_RenderPageBitmap(bitmap, page, 0, 0, width, height, 0, FPDF_ANNOT);
        const QImage expected = QImage(static_cast<uchar *>(FPDFBitmap_GetBuffer(bitmap)), width, height,
                                       FPDFBitmap_GetStride(bitmap), QImage::Format_RGB32)
                                    .copy();
        FPDFBitmap_Destroy(bitmap);
        FPDF_ClosePage(page);
        FPDF_CloseDocument(document);

        const QImage rendered = renderBare(file, index);
        QCOMPARE(rendered.size(), index % 2 ? QSize(kA4Height, kA4Width) : QSize(kA4Width, kA4Height));
        QCOMPARE(rendered, expected);
    }
}

void PdfHandlerTest::pageBuffersComeBackButAreNeverShared()
{
    QVERIFY(handler->loadDocument(path("content.pdf")));
    const QImage first = handler->renderPage(0);
    const QImage firstPixels = first.copy();
    QImage second = handler->renderPage(1);
    QVERIFY(second.constBits() != first.constBits());
    QCOMPARE(first, firstPixels);

    // A released buffer serves the next page, which shows that page and nothing of the last one.
    const uchar *released = second.constBits();
    second = QImage();
    const QImage again = handler->renderPage(0);
    QCOMPARE(again.constBits(), released);
    QCOMPARE(again, firstPixels);
}

void PdfHandlerTest::degeneratePagesGiveNullImage_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::newRow("below one pixel") << 0.1 << 0.1;
    QTest::newRow("below one pixel wide") << 0.2 << 842.0;
    QTest::newRow("beyond any bitmap") << 14400.0 << 14400.0;
    QTest::newRow("beyond an int of pixels") << 1e9 << 842.0;
    QTest::newRow("a million points square, 69 TB") << 1e6 << 1e6;
}

void PdfHandlerTest::degeneratePagesGiveNullImage()
{
    QFETCH(double, width);
    QFETCH(double, height);
    TestPage odd;
    odd.width = width;
    odd.height = height;
    const QString file = path(QStringLiteral("odd.pdf"));
    QVERIFY(TestPdf::writeBlank(file, {odd, TestPage()}));
    QVERIFY(handler->loadDocument(file));
    QCOMPARE(handler->pageCount(), 2);
    QVERIFY(handler->renderPage(0).isNull());
    QCOMPARE(handler->renderPage(1).size(), QSize(kA4Width, kA4Height));
}

void PdfHandlerTest::hiddenTagsRenderAsBarePage()
{
    const QImage bare = renderBare(path("content.pdf"), 0);
    QVERIFY(!bare.isNull());
    const PdfSignData tags = dataOf({makeTag(1, QRect(200, 300, 800, 400), 1), makeTag(1, QRect(300, 2000, 900, 300), 3),
                                     makeTag(2, QRect(200, 300, 800, 400), 2)});
    handler->setSignData(tags, true);
    QCOMPARE(handler->renderPage(0), bare);
    handler->setSignData(tags, false);
    QVERIFY(handler->renderPage(0) != bare);

    // Closing forgets the tags: the reopened page is bare again.
    handler->closeDocument();
    QVERIFY(handler->loadDocument(path("content.pdf")));
    QCOMPARE(handler->renderPage(0), bare);
}

void PdfHandlerTest::tagBoxLook_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("frame");
    QTest::addColumn<bool>("signBadge");
    QTest::addColumn<bool>("fpBadge");
    QTest::newRow("signature") << 800 << 1 << true << true << false;
    QTest::newRow("fingerprint") << 800 << 2 << true << false << true;
    QTest::newRow("both, side by side") << 800 << 3 << true << true << true;
    QTest::newRow("unknown type, no badge") << 800 << 9 << true << false << false;
    QTest::newRow("box 4 wide draws nothing") << 5 << 3 << false << false << false;
    QTest::newRow("box 5 wide is drawn, badge cut to it") << 6 << 1 << true << true << false;
}

void PdfHandlerTest::tagBoxLook()
{
    QFETCH(int, width);
    QFETCH(int, type);
    QFETCH(bool, frame);
    QFETCH(bool, signBadge);
    QFETCH(bool, fpBadge);
    const QImage bare = renderBare(path("a4.pdf"), 0);
    const QRect tagRect(200, 300, width, 400);
    handler->setSignData(dataOf({makeTag(1, tagRect, type)}), false);
    const QImage page = handler->renderPage(0);

    const QRgb frameColor = qRgb(0xff, 0x3b, 0x30);
    QCOMPARE(countColor(page, QRect(198, 500, 4, 1), frameColor) == 4, frame);
    const QRect badgeRow(202, 302, width, 48);
    QCOMPARE(countColor(page, badgeRow, qRgb(0x8a, 0x49, 0xb6)) > 0, signBadge);
    QCOMPARE(countColor(page, badgeRow, qRgb(0x5d, 0xaa, 0xf2)) > 0, fpBadge);
    if (signBadge && fpBadge) // the fingerprint badge follows the signature badge
        QVERIFY(page.pixel(204, 320) == qRgb(0x8a, 0x49, 0xb6));
    if (frame && width > 100)
        QVERIFY(countColor(page, QRect(212, 358, width - 24, 330), qRgb(0, 0, 0)) > 0); // the title
    if (!frame)
        QCOMPARE(page, bare);
    QCOMPARE(countColor(page, QRect(0, 0, page.width(), 290), qRgb(255, 255, 255)), page.width() * 290);
}

void PdfHandlerTest::capturedImagesFitIntoTag()
{
    const QImage bare = renderBare(path("a4.pdf"), 0);
    const QRect tagRect(1000, 2000, 500, 250);
    const QString wide = TestPdf::solidPng(QSize(300, 100), Qt::red);
    const QString square = TestPdf::solidPng(QSize(100, 100), Qt::blue);

    // 300 x 100 in 500 x 250: 500 x 166, 42 pixels down.
    handler->setSignData(dataOf({doneTag(1, tagRect, wide)}), false);
    QImage page = handler->renderPage(0);
    QVERIFY(isReddish(page.pixel(1001, 2043)));
    QVERIFY(isReddish(page.pixel(1498, 2206)));
    QVERIFY(isWhite(page.pixel(1250, 2040)));
    QVERIFY(isWhite(page.pixel(1250, 2210)));
    QVERIFY(isWhite(page.pixel(998, 2125)));

    // The fingerprint lies over the signature, centred: 250 x 250 from x 1125.
    PdfSignTag both = doneTag(1, tagRect, wide, square);
    handler->setSignData(dataOf({both}), false);
    page = handler->renderPage(0);
    QVERIFY(isBluish(page.pixel(1250, 2125)));
    QVERIFY(isReddish(page.pixel(1050, 2125)));
    QVERIFY(isWhite(page.pixel(1050, 2010))); // no box is drawn under images

    both.signImage.clear();
    handler->setSignData(dataOf({both}), false);
    page = handler->renderPage(0);
    QVERIFY(isBluish(page.pixel(1250, 2125)));
    QVERIFY(isWhite(page.pixel(1050, 2125)));

    // Damaged image text leaves the box space empty.
    handler->setSignData(dataOf({doneTag(1, tagRect, QStringLiteral("not*base64!")),
                                 doneTag(1, tagRect, QStringLiteral("aGVsbG8="))}),
                         false);
    QCOMPARE(handler->renderPage(0), bare);
}

void PdfHandlerTest::insertedImageFitsAndCentres_data()
{
    QTest::addColumn<QSize>("imageSize");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("bottom");
    // The tag (1000, 2000) 500 x 250 is the box (240, 480) 120 x 60 in points; A4 is 842 high.
    QTest::newRow("fills the box") << QSize(400, 200) << 120.0 << 60.0 << 240.0 << 302.0;
    QTest::newRow("wide, 10 above and below") << QSize(300, 100) << 120.0 << 40.0 << 240.0 << 312.0;
    QTest::newRow("tall, centred across") << QSize(100, 400) << 15.0 << 60.0 << 292.5 << 302.0;
}

void PdfHandlerTest::insertedImageFitsAndCentres()
{
    QFETCH(QSize, imageSize);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(double, left);
    QFETCH(double, bottom);
    QVERIFY(handler->loadDocument(path("a4.pdf")));
    handler->setSignData(dataOf({doneTag(1, QRect(1000, 2000, 500, 250), TestPdf::solidPng(imageSize, Qt::red))}),
                         false);
    QVERIFY(handler->save());
    const QVector<FS_MATRIX> matrices = TestPdf::imageMatrices(PdfHandler::intermediateFilePath(), 0);
    QCOMPARE(matrices.size(), 1);
    const FS_MATRIX m = matrices.first();
    QVERIFY2(qAbs(m.a - width) < 0.01, qPrintable(QString::number(m.a)));
    QVERIFY2(qAbs(m.d - height) < 0.01, qPrintable(QString::number(m.d)));
    QVERIFY2(qAbs(m.e - left) < 0.01, qPrintable(QString::number(m.e)));
    QVERIFY2(qAbs(m.f - bottom) < 0.01, qPrintable(QString::number(m.f)));
    QVERIFY(qAbs(m.b) < 0.01 && qAbs(m.c) < 0.01);
}

void PdfHandlerTest::imagesLandInTagBoxOnTransformedPages_data()
{
    QTest::addColumn<int>("rotate");
    QTest::addColumn<QPointF>("origin");
    QTest::newRow("plain") << 0 << QPointF();
    QTest::newRow("rotated 90") << 1 << QPointF();
    QTest::newRow("rotated 180") << 2 << QPointF();
    QTest::newRow("rotated 270") << 3 << QPointF();
    QTest::newRow("media box offset") << 0 << QPointF(100, 200);
    QTest::newRow("offset and rotated") << 1 << QPointF(-50, 300);
}

void PdfHandlerTest::imagesLandInTagBoxOnTransformedPages()
{
    QFETCH(int, rotate);
    QFETCH(QPointF, origin);
    TestPage desc;
    desc.rotate = rotate;
    desc.origin = origin;
    const QString file = path(QStringLiteral("transformed.pdf"));
    QVERIFY(TestPdf::writeBlank(file, {desc}));
    QVERIFY(handler->loadDocument(file));
    handler->setSignData(dataOf({doneTag(1, QRect(1000, 500, 500, 250), TestPdf::halvesPng(QSize(400, 200)))}), false);
    QVERIFY(handler->save());

    // The saved page, as displayed, shows the image upright in the tag's box and nowhere else.
    const QImage page = renderBare(PdfHandler::intermediateFilePath(), 0);
    QVERIFY(!page.isNull());
    QVERIFY(isReddish(page.pixel(1030, 530)));
    QVERIFY(isReddish(page.pixel(1220, 720)));
    QVERIFY(isBluish(page.pixel(1280, 530)));
    QVERIFY(isBluish(page.pixel(1470, 720)));
    for (const QPoint outside : {QPoint(990, 625), QPoint(1510, 625), QPoint(1250, 490), QPoint(1250, 760)})
        QVERIFY2(isWhite(page.pixel(outside)), qPrintable(QStringLiteral("%1,%2").arg(outside.x()).arg(outside.y())));
    QCOMPARE(countColor(page, QRect(0, 0, page.width(), 480), qRgb(255, 255, 255)), page.width() * 480);
}

void PdfHandlerTest::saveRoundTripWritesEachImageOnce()
{
    const QString file = path("content.pdf");
    const int before0 = TestPdf::imageMatrices(file, 0).size();
    const int before1 = TestPdf::imageMatrices(file, 1).size();
    const QString sign = TestPdf::solidPng(QSize(100, 50), Qt::red);
    const QString fp = TestPdf::solidPng(QSize(80, 120), Qt::blue);
    PdfSignData data = dataOf({doneTag(1, QRect(400, 1200, 600, 300), sign, fp),
                               doneTag(2, QRect(400, 400, 600, 300), sign), makeTag(2, QRect(400, 2000, 600, 300), 1)});
    data.textA = QStringLiteral("kept");

    QVERIFY(handler->loadDocument(file));
    handler->setSignData(data, false);
    QSignalSpy confirmed(handler.data(), &PdfHandler::pdfConfirm);
    qint64 firstSize = 0;
    for (int round = 1; round <= 2; ++round) {
        QVERIFY(handler->save());
        QCOMPARE(confirmed.count(), round);
        const QString saved = PdfHandler::intermediateFilePath();
        QCOMPARE(TestPdf::imageMatrices(saved, 0).size(), before0 + 2);
        QCOMPARE(TestPdf::imageMatrices(saved, 1).size(), before1 + 1);

        const PdfSignResult result = confirmed.last().first().value<PdfSignResult>();
        QFile back(saved);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(QByteArray::fromBase64(result.pdfBase64.toLatin1()), back.readAll());
        QCOMPARE(result.entries.size(), 3);
        QCOMPARE(result.entries.at(0).page, 1);
        QCOMPARE(result.entries.at(0).type, 3);
        QCOMPARE(ImageBase64::decode(result.entries.at(0).combinedImage).size(), QSize(100, 120));
        QCOMPARE(result.entries.at(1).combinedImage, sign);
        QCOMPARE(result.entries.at(1).fpImage, QString());
        QCOMPARE(result.entries.at(2).combinedImage, QString());
        // A later save carries no dead copies of earlier insertions either.
        if (round == 1)
            firstSize = QFileInfo(saved).size();
        QCOMPARE(QFileInfo(saved).size(), firstSize);
    }

    // The open document itself stays as loaded: its page renders without the inserted images.
    handler->setSignData(PdfSignData(), false);
    QCOMPARE(handler->renderPage(1), renderBare(file, 1));
    QVERIFY(handler->loadDocument(PdfHandler::intermediateFilePath()));
    QCOMPARE(handler->pageCount(), 2);
}

void PdfHandlerTest::imagesNotDueAreNotInserted_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<bool>("done");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("readOnly");
    const QString good = TestPdf::solidPng(QSize(40, 20), Qt::red);
    QTest::newRow("not done") << good << false << 500 << false;
    QTest::newRow("not Base64") << "not*base64!" << true << 500 << false;
    QTest::newRow("not an image") << "aGVsbG8=" << true << 500 << false;
    QTest::newRow("4 pixels wide is 0 points") << good << true << 4 << false;
    QTest::newRow("read only mode") << good << true << 500 << true;
}

void PdfHandlerTest::imagesNotDueAreNotInserted()
{
    QFETCH(QString, image);
    QFETCH(bool, done);
    QFETCH(int, width);
    QFETCH(bool, readOnly);
    PdfSignTag tag = makeTag(1, QRect(1000, 2000, width, 250), 3);
    tag.signImage = image;
    tag.fpImage = image;
    tag.isSignDone = tag.isFpDone = done;
    QVERIFY(handler->loadDocument(path("a4.pdf")));
    handler->setSignData(dataOf({tag}), false);
    handler->setReadOnly(readOnly);
    QSignalSpy confirmed(handler.data(), &PdfHandler::pdfConfirm);
    QVERIFY(handler->save());
    QCOMPARE(TestPdf::imageMatrices(PdfHandler::intermediateFilePath(), 0).size(), 0);
    QCOMPARE(confirmed.count(), 1);
    const PdfSignResult result = confirmed.first().first().value<PdfSignResult>();
    QCOMPARE(result.entries.size(), 1);
    QCOMPARE(result.entries.first().signImage, image); // the entries carry what the tags hold
}

void PdfHandlerTest::failedSaveLeavesNothing_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<int>("reason");
    QTest::newRow("output folder is a file") << "folder" << int(SaveFailure::FolderNotCreated);
    QTest::newRow("write cut short over an earlier save") << "cut" << int(SaveFailure::DiskFull);
    // As pdfium stopping the process on a damaged document would.
    QTest::newRow("writer killed by a signal") << "killed" << int(SaveFailure::WriterStopped);
    QTest::newRow("page 2 cannot be loaded") << "page" << int(SaveFailure::PageNotLoaded);
    QTest::newRow("output past the bound, lowered to 64 KiB") << "bound" << int(SaveFailure::OutputTooLarge);
    QTest::newRow("one stream past 2 GiB") << "stream" << int(SaveFailure::DocumentTooLarge);
    QTest::newRow("no writer beside the program") << "no writer" << int(SaveFailure::WriterNotStarted);
    QTest::newRow("writer not executable") << "writer mode" << int(SaveFailure::WriterNotStarted);
}

void PdfHandlerTest::failedSaveLeavesNothing()
{
    QFETCH(QString, obstacle);
    QFETCH(int, reason);
    const QString target = PdfHandler::intermediateFilePath();
    const QString folder = QFileInfo(target).absolutePath();
    QImage noise(600, 300, QImage::Format_ARGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 7919 + y * 104729) % 251, (x * y) % 241, (x + y * 31) % 239));
    // The page tree counts a second page that is not there; a stream of 2.15 GiB.
    const bool ownDocument = obstacle == "page" || obstacle == "stream";
    QVERIFY(!ownDocument || writeWithHole(path(obstacle), obstacle == "page" ? 2 : 1, obstacle == "page" ? 1 : 2306867200));
    QVERIFY(handler->loadDocument(ownDocument ? path(obstacle) : path("a4.pdf")));
    const int page = obstacle == "page" ? 2 : 1;
    handler->setSignData(dataOf({doneTag(page, QRect(1000, 2000, 500, 250), TestPdf::pngBase64(noise))}), false);
    const QString writer = QCoreApplication::applicationDirPath() + "/inkwarden-pdfwriter";

    QSignalSpy confirmed(handler.data(), &PdfHandler::pdfConfirm);
    SaveFailure why;
    if (obstacle == "folder") {
        QVERIFY(QDir().mkpath(QFileInfo(folder).absolutePath()));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        QVERIFY(!handler->save(nullptr, &why));
    } else {
        if (obstacle == "cut" || obstacle == "killed") {
            QVERIFY(handler->save());
            QVERIFY(QFileInfo(target).size() > 100000);
            confirmed.clear();
        }
        FileSizeLimit limit(obstacle == "cut" || obstacle == "killed" ? 64 * 1024 : RLIM_INFINITY, obstacle == "killed");
        if (obstacle == "killed")
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^PDF writer stopped by signal 25")));
        if (obstacle == "bound")
            qputenv("INKWARDEN_PDF_OUTPUT_LIMIT", "65536");
        if (reason == SaveFailure::WriterNotStarted)
            QVERIFY(QFile::rename(writer, writer + ".away"));
        if (obstacle == "writer mode")
            QVERIFY(QFile::copy(writer + ".away", writer) && QFile::setPermissions(writer, QFileDevice::ReadOwner));
        why.reason = SaveFailure::Damaged;
        QVERIFY(!handler->save(nullptr, &why));
        qunsetenv("INKWARDEN_PDF_OUTPUT_LIMIT");
        if (QFile::exists(writer + ".away")) // back, over the copy that cannot be run where there is one
            QVERIFY((QFile::remove(writer), QFile::rename(writer + ".away", writer)));
        // Told against the file written, the writer, or (none) the document's target.
        QCOMPARE(why.file, obstacle == "cut" || obstacle == "killed" ? target
                           : reason == SaveFailure::WriterNotStarted ? writer : QString());
        QCOMPARE(why.page, obstacle == "page" ? 2 : 0);
        QCOMPARE(handler->pageCount(), obstacle == "page" ? 2 : 1);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
    }
    QCOMPARE(int(why.reason), reason);
    QCOMPARE(confirmed.count(), 0);
    QVERIFY(!QFileInfo::exists(target));
    if (ownDocument)
        return;

    // Once the obstacle is gone the same document saves, with its image once.
    QFile::remove(folder);
    QVERIFY(handler->save());
    QCOMPARE(confirmed.count(), 1);
    QCOMPARE(TestPdf::imageMatrices(target, 0).size(), 1);
}

void PdfHandlerTest::unplaceableImageFailsTheSave()
{
    TestPage huge;
    huge.width = 1e9;
    const QString file = path(QStringLiteral("huge.pdf"));
    QVERIFY(TestPdf::writeBlank(file, {TestPage(), huge}));
    QVERIFY(handler->loadDocument(file));
    PdfSignTag pending = doneTag(2, QRect(1000, 2000, 500, 250), TestPdf::solidPng(QSize(40, 20), Qt::red));
    pending.isSignDone = false;
    handler->setSignData(dataOf({doneTag(1, QRect(1000, 2000, 500, 250), TestPdf::solidPng(QSize(40, 20), Qt::red)),
                                 pending}),
                         false);
    QSignalSpy confirmed(handler.data(), &PdfHandler::pdfConfirm);
    QVERIFY(handler->save()); // nothing is due on the page that has no image
    QCOMPARE(TestPdf::imageMatrices(PdfHandler::intermediateFilePath(), 0).size(), 1);

    pending.isSignDone = true;
    handler->setSignData(dataOf({pending}), false);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Cannot place images on page 1")));
    QVERIFY(!handler->save());
    QCOMPARE(confirmed.count(), 1);
    QVERIFY(!QFileInfo::exists(PdfHandler::intermediateFilePath()));
}

void PdfHandlerTest::soundFileSavesAsBefore()
{
    TestPage turned;
    turned.rotate = 1;
    turned.origin = QPointF(30, 40);
    QVERIFY(TestPdf::writeBlank(path("two.pdf"), {TestPage(), turned}));
    QVERIFY(handler->loadDocument(path("two.pdf")));
    handler->setSignData(dataOf({doneTag(1, QRect(1000, 2000, 500, 250), TestPdf::halvesPng(QSize(100, 50)),
                                         TestPdf::solidPng(QSize(80, 120), Qt::blue)),
                                 doneTag(2, QRect(400, 700, 600, 300), TestPdf::halvesPng(QSize(100, 50)))}),
                         false);
    QByteArray saved;
    QVERIFY(handler->save(&saved));
    // The input's creation time and pdfium's file identifier, drawn anew for every save, vary;
    // every other byte must be as the in-process writer wrote it.
    for (const QByteArray &varying : {QByteArray("/CreationDate("), QByteArray("/ID[<")}) {
        const int at = saved.indexOf(varying);
        QVERIFY(at > 0);
        saved.remove(at, saved.indexOf(varying.endsWith('(') ? ')' : ']', at) + 1 - at);
    }
    QCOMPARE(QCryptographicHash::hash(saved, QCryptographicHash::Sha256).toHex(),
             QByteArray("b7426c884617384919fedb685db9f881497d80c6ca74d93743fd7c98a506f764"));
}

void PdfHandlerTest::mergeImages()
{
    QImage jpeg(100, 50, QImage::Format_RGB32);
    jpeg.fill(Qt::red);
    QByteArray jpegBytes;
    QBuffer buffer(&jpegBytes);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(jpeg.save(&buffer, "JPG"));

    const QString fp = TestPdf::solidPng(QSize(80, 120), Qt::blue);
    for (const QString &sign : {TestPdf::solidPng(QSize(100, 50), Qt::red), QString::fromLatin1(jpegBytes.toBase64())}) {
        const QImage merged = ImageBase64::decode(PdfHandler::mergeImages(sign, fp));
        QCOMPARE(merged.size(), QSize(100, 120));
        QVERIFY(isBluish(merged.pixel(10, 10)));
        QVERIFY(isReddish(merged.pixel(90, 10)));
        QCOMPARE(qAlpha(merged.pixel(90, 100)), 0);
    }
    QCOMPARE(PdfHandler::mergeImages(QStringLiteral("not*base64!"), fp), QString());
    QCOMPARE(PdfHandler::mergeImages(fp, QStringLiteral("aGVsbG8=")), QString());
}

// A PNG of nothing but its header: it claims the size, the pixels never come.
QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    const auto crc32 = [](const QByteArray &bytes) {
        quint32 crc = 0xffffffffu;
        for (const char byte : bytes) {
            crc ^= quint8(byte);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
        return ~crc;
    };
    const auto chunk = [&crc32](const QByteArray &type, const QByteArray &data) {
        QByteArray out;
        QDataStream stream(&out, QIODevice::WriteOnly);
        stream << quint32(data.size());
        stream.writeRawData(type.constData(), type.size());
        stream.writeRawData(data.constData(), data.size());
        stream << crc32(type + data);
        return out;
    };
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly) << width << height << quint8(8) << quint8(6) << quint8(0) << quint8(0)
                                               << quint8(0);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", qCompress(QByteArray(64, 0)).mid(4))
           + chunk("IEND", QByteArray());
}

void PdfHandlerTest::imageSizeBound_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("accepted");
    const auto mono = [](int side) {
        QImage image(side, side, QImage::Format_Mono);
        image.fill(0);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    };
    QTest::newRow("header claims 16384 x 8192 (half a gigabyte)") << pngHeaderOnly(16384, 8192) << false;
    QTest::newRow("4097 x 4097") << mono(4097) << false;
    QTest::newRow("4096 x 4096") << mono(4096) << true;
}

void PdfHandlerTest::imageSizeBound()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    QVERIFY(bytes.size() < 200000);
    if (!accepted)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Image refused, its size is unknown or too large")));
    const QImage image = ImageBase64::decode(QString::fromLatin1(bytes.toBase64()), nullptr);
    QCOMPARE(image.isNull(), !accepted);
}

QTEST_MAIN(PdfHandlerTest)
#include "tst_pdfhandler.moc"
