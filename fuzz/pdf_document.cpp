// PDF documents from outside: any bytes load or are refused, render, and save with a signature
// placed on one of their pages, or the save reports an error; nothing stops the process.

#include "FuzzInput.h"

#include "ImageBase64.h"
#include "PdfHandler.h"
#include "PdfiumApi.h"
#include "TagUnits.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

QTemporaryDir *folder;
QSharedPointer<PdfHandler> *handler;
QString signature;

// Page images this large are the business of the page-image size check, not of this target:
// rendering one would only run into libFuzzer's memory and time limits.
constexpr double MaxPagePixels = 40e6;

double pagePixels(const uint8_t *data, size_t size, int index)
{
    FPDF_DOCUMENT document = FPDF_LoadMemDocument(data, int(size), nullptr);
    FPDF_PAGE page = document ? FPDF_LoadPage(document, index) : nullptr;
    const double pixels = page ? double(TagUnits::pageImagePixels(FPDF_GetPageWidth(page)))
                                     * TagUnits::pageImagePixels(FPDF_GetPageHeight(page))
                               : 0;
    if (page)
        FPDF_ClosePage(page);
    if (document)
        FPDF_CloseDocument(document);
    return pixels;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    folder = new QTemporaryDir;
    // The intermediate file goes to the scratch folder, not to the user's data.
    qputenv("XDG_DATA_HOME", folder->path().toLocal8Bit());
    new QGuiApplication(*argc, *argv);
    handler = new QSharedPointer<PdfHandler>(PdfHandler::instance());
    QImage ink(40, 20, QImage::Format_ARGB32);
    ink.fill(Qt::blue);
    signature = ImageBase64::encodePng(ink);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = folder->filePath(QStringLiteral("input.pdf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        return 0;
    file.close();
    PdfHandler &pdf = **handler;
    if (!pdf.loadDocument(path))
        return 0;
    const int index = int(size % unsigned(pdf.pageCount()));
    if (pagePixels(data, size, index) <= MaxPagePixels)
        pdf.renderPage(index);

    PdfSignTag tag;
    tag.page = index + 1;
    tag.x = 100;
    tag.y = 100;
    tag.w = 500;
    tag.h = 250;
    tag.setType(PdfSignTag::SignOnly);
    tag.signImage = signature;
    tag.isSignDone = true;
    PdfSignData signData;
    signData.tags << tag;
    pdf.setSignData(signData, false);
    QByteArray saved;
    if (pdf.save(&saved))
        FUZZ_CHECK(saved.startsWith("%PDF"));
    pdf.closeDocument();
    return 0;
}
