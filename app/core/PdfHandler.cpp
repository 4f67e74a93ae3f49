#include "PdfHandler.h"
#include "SharedInstance.h"

#include "ImageBase64.h"
#include "PageImagePool.h"
#include "TagPainter.h"
#include "TagUnits.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTransform>
#include <QWeakPointer>
#include <QtDebug>

#include <algorithm>

namespace {

// pdfium hands this record back to the write callback, which reaches the file through it.
struct FileWriteRecord
{
    FPDF_FILEWRITE fileWrite;
    QIODevice *file;
    qint64 written;
};

// Maps points of the page as displayed (origin top left, y down, as the page image) into the
// page's own space, so /Rotate and a media box away from the origin are honoured. pdfium gives
// the mapping of whole device pixels; it is affine, so three corners fix it.
bool displayToPage(FPDF_PAGE page, QTransform *transform)
{
    const double width = FPDF_GetPageWidth(page);
    const double height = FPDF_GetPageHeight(page);
    const int sizeX = TagUnits::pageImagePixels(width);
    const int sizeY = TagUnits::pageImagePixels(height);
    if (sizeX <= 0 || sizeY <= 0)
        return false;
    double x0, y0, x1, y1, x2, y2;
    if (!FPDF_DeviceToPage(page, 0, 0, sizeX, sizeY, 0, 0, 0, &x0, &y0)
        || !FPDF_DeviceToPage(page, 0, 0, sizeX, sizeY, 0, sizeX, 0, &x1, &y1)
        || !FPDF_DeviceToPage(page, 0, 0, sizeX, sizeY, 0, 0, sizeY, &x2, &y2))
        return false;
    *transform = QTransform((x1 - x0) / width, (y1 - y0) / width, (x2 - x0) / height, (y2 - y0) / height, x0, y0);
    return true;
}

// The document information entries as pdfium reads them.
QStringList documentInfo(FPDF_DOCUMENT document)
{
    QStringList texts;
    for (const char *key : {"Title", "Author", "Subject", "Keywords", "Creator", "Producer", "CreationDate", "ModDate"}) {
        QByteArray text(int(FPDF_GetMetaText(document, key, nullptr, 0)), '\0');
        FPDF_GetMetaText(document, key, text.data(), (unsigned long)text.size());
        texts << QString::fromUtf16(reinterpret_cast<const char16_t *>(text.constData()), std::max(0, text.size() / 2 - 1));
    }
    return texts;
}

} // namespace

QSharedPointer<PdfHandler> PdfHandler::instance()
{
    static QWeakPointer<PdfHandler> cached;
    return sharedInstance(cached, [] { return new PdfHandler; });
}

PdfHandler::PdfHandler()
    : m_pageImages(PageImagePool::create())
{
    FPDF_InitLibrary();
}

PdfHandler::~PdfHandler()
{
    closeDocument();
    FPDF_DestroyLibrary();
}

QString PdfHandler::intermediateFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/testoutput/")
           + QStringLiteral("pdf_test.pdf");
}

bool PdfHandler::loadDocument(const QString &path)
{
    closeDocument();
    if (!QFileInfo::exists(path)) {
        qWarning().noquote() << "File does not exist:" << path;
        return false;
    }
    m_document = FPDF_LoadDocument(path.toUtf8().constData(), nullptr);
    if (!m_document) {
        qWarning().noquote() << "Failed to load PDF document:" << path << ", error code:" << FPDF_GetLastError();
        return false;
    }
    const int pages = FPDF_GetPageCount(m_document);
    if (pages <= 0) { // nothing to show or tag
        qWarning().noquote() << "PDF document has no pages:" << path;
        closeDocument();
        return false;
    }
    m_pageCount = pages;
    return true;
}

void PdfHandler::closeDocument()
{
    if (m_document)
        FPDF_CloseDocument(m_document);
    m_document = nullptr;
    m_pageCount = 0;
    m_signData = PdfSignData();
}

void PdfHandler::setSignData(const PdfSignData &data, bool tagHidden)
{
    m_signData = data;
    m_tagHidden = tagHidden;
}

QImage PdfHandler::renderPage(int index)
{
    if (index < 0 || index >= m_pageCount) {
        qWarning() << "Invalid page number:" << index;
        return QImage();
    }
    if (!m_document) {
        qWarning() << "PDF document is not loaded.";
        return QImage();
    }
    FPDF_PAGE page = FPDF_LoadPage(m_document, index);
    if (!page) {
        qWarning() << "Failed to load page:" << index;
        return QImage();
    }
    const int width = TagUnits::pageImagePixels(FPDF_GetPageWidth(page));
    const int height = TagUnits::pageImagePixels(FPDF_GetPageHeight(page));
    // pdfium draws straight into the returned image: no second page-sized buffer, no copy.
    // An empty page, or one too large for any image, has no image.
    QImage image = m_pageImages->take(QSize(width, height));
    FPDF_BITMAP bitmap = image.isNull() ? nullptr
                                        : FPDFBitmap_CreateEx(width, height, FPDFBitmap_BGRx, image.bits(),
                                                              int(image.bytesPerLine()));
    if (!bitmap) {
        qWarning() << "Failed to create bitmap for page:" << index << "size" << width << "x" << height;
        FPDF_ClosePage(page);
        return QImage();
    }
    FPDFBitmap_FillRect(bitmap, 0, 0, width, height, 0xFFFFFFFF);
    FPDF_RenderPageBitmap(bitmap, page, 0, 0, width, height, 0, FPDF_ANNOT);
    FPDFBitmap_Destroy(bitmap);
    FPDF_ClosePage(page);

    {
        QPainter painter(&image);
        for (const PdfSignTag &tag : qAsConst(m_signData.tags)) {
            if (tag.page != index + 1)
                continue;
            qDebug() << "Creating signature box on page" << index << "at (" << tag.x << ", " << tag.y
                     << ") with size (" << tag.w << ", " << tag.h << ")";
            if (tag.signImage.isEmpty() && tag.fpImage.isEmpty()) {
                if (!m_tagHidden)
                    TagPainter::drawTag(painter, QRect(tag.x, tag.y, tag.w, tag.h), tag.type, tag.title,
                                        TagPainter::PageImageScale);
                continue;
            }
            if (!tag.signImage.isEmpty())
                drawBase64Image(painter, tag.signImage, tag.x, tag.y, tag.w, tag.h);
            if (!tag.fpImage.isEmpty())
                drawBase64Image(painter, tag.fpImage, tag.x, tag.y, tag.w, tag.h);
        }
    }
    return image;
}

void PdfHandler::drawBase64Image(QPainter &painter, const QString &base64, int x, int y, int w, int h)
{
    const QImage image = ImageBase64::decode(base64);
    if (image.isNull()) {
        qWarning() << "Failed to load image from Base64 data.";
        return;
    }
    const double s = std::min(double(w) / image.width(), double(h) / image.height());
    const int dw = int(image.width() * s);
    const int dh = int(image.height() * s);
    if (dw <= 0 || dh <= 0)
        return;
    const QImage scaled = image.scaled(dw, dh, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(QRect(x + (w - dw) / 2, y + (h - dh) / 2, dw, dh), scaled);
}

bool PdfHandler::save()
{
    if (!m_document) {
        qWarning() << "PDF document is not loaded, cannot save.";
        return false;
    }
    // An earlier save's file must never pass for this one, whatever happens below.
    const QString path = intermediateFilePath();
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        qWarning().noquote() << "Failed to remove existing file:" << path;
        return false;
    }
    if (m_readOnly)
        return finishSave(m_document);

    // The images go into a copy, so the open document stays as loaded and every save writes
    // each image exactly once, with no dead copies from earlier saves.
    QByteArray clean;
    QBuffer buffer(&clean);
    buffer.open(QIODevice::WriteOnly);
    if (!writeDocument(m_document, &buffer)) {
        qWarning() << "Failed to copy PDF document for saving, error code:" << FPDF_GetLastError();
        return false;
    }
    FPDF_DOCUMENT copy = FPDF_LoadMemDocument(clean.constData(), clean.size(), nullptr);
    if (!copy) {
        qWarning() << "Failed to reopen PDF document for saving, error code:" << FPDF_GetLastError();
        return false;
    }
    const bool saved = insertTagImages(copy) && finishSave(copy);
    FPDF_CloseDocument(copy);
    return saved;
}

bool PdfHandler::insertTagImages(FPDF_DOCUMENT document)
{
    const auto due = [](const PdfSignTag &tag) {
        return (tag.isSignDone && !tag.signImage.isEmpty()) || (tag.isFpDone && !tag.fpImage.isEmpty());
    };
    QHash<QString, QImage> decoded; // the same picture in many tags is decoded once
    for (int index = 0; index < m_pageCount; ++index) {
        const auto dueOnPage = [index, &due](const PdfSignTag &tag) { return tag.page == index + 1 && due(tag); };
        if (std::none_of(m_signData.tags.cbegin(), m_signData.tags.cend(), dueOnPage))
            continue;
        FPDF_PAGE page = FPDF_LoadPage(document, index);
        if (!page) {
            qWarning() << "Failed to load page:" << index;
            continue;
        }
        // A captured image that cannot be placed must not pass for a signed page.
        QTransform toPage;
        if (!displayToPage(page, &toPage)) {
            qWarning() << "Cannot place images on page" << index << ": its size has no image";
            FPDF_ClosePage(page);
            return false;
        }
        int inserted = 0;
        bool placed = true;
        const auto insert = [&](const QString &base64, int x, int y, int w, int h) {
            const Insertion result = insertImageObject(document, page, toPage, base64, &decoded, x, y, w, h);
            inserted += result == Insertion::Inserted;
            placed = placed && result != Insertion::Unplaceable;
        };
        for (const PdfSignTag &tag : qAsConst(m_signData.tags)) {
            if (!dueOnPage(tag))
                continue;
            const int x = TagUnits::toPoints(tag.x);
            const int y = TagUnits::toPoints(tag.y);
            const int w = TagUnits::toPoints(tag.w);
            const int h = TagUnits::toPoints(tag.h);
            if (tag.isSignDone && !tag.signImage.isEmpty()) {
                qDebug() << "Inserting tag on page" << tag.page << "at (" << x << ", " << y << ") with size (" << w
                         << ", " << h << ")";
                insert(tag.signImage, x, y, w, h);
            }
            if (tag.isFpDone && !tag.fpImage.isEmpty()) {
                qDebug() << "Inserting fingerprint on page" << tag.page << "at (" << x << ", " << y
                         << ") with size (" << w << ", " << h << ")";
                insert(tag.fpImage, x, y, w, h);
            }
        }
        // One content rewrite per page, after all of its images.
        if (placed && inserted > 0) {
            placed = FPDFPage_GenerateContent(page);
            if (placed)
                qDebug() << "Image inserted successfully to PDF at position" << index;
            else
                qWarning() << "Failed to generate content for page.";
        }
        FPDF_ClosePage(page);
        if (!placed)
            return false;
    }
    return true;
}

PdfHandler::Insertion PdfHandler::insertImageObject(FPDF_DOCUMENT document, FPDF_PAGE page, const QTransform &toPage,
                                                    const QString &base64, QHash<QString, QImage> *decoded, int x,
                                                    int y, int w, int h)
{
    qDebug() << "Inserting image to PDF";
    if (w <= 0 || h <= 0) {
        qWarning() << "Tag box too small for an image:" << w << "x" << h << "points";
        return Insertion::Skipped;
    }
    auto known = decoded->constFind(base64);
    if (known == decoded->constEnd())
        known = decoded->insert(base64, ImageBase64::decode(base64).convertToFormat(QImage::Format_ARGB32));
    const QImage &image = *known;
    if (image.isNull()) {
        qWarning() << "Failed to load image from Base64 data.";
        return Insertion::Skipped;
    }
    const int iw = image.width();
    const int ih = image.height();

    FPDF_PAGEOBJECT object = FPDFPageObj_NewImageObj(document);
    if (!object) {
        qWarning() << "Failed to create image object.";
        return Insertion::Skipped;
    }
    // pdfium only reads these pixels: the object takes its own copy.
    FPDF_BITMAP bitmap = FPDFBitmap_CreateEx(iw, ih, FPDFBitmap_BGRA, const_cast<uchar *>(image.constBits()),
                                             int(image.bytesPerLine()));
    if (!bitmap) {
        qWarning() << "Failed to create bitmap.";
        FPDFPageObj_Destroy(object);
        return Insertion::Skipped;
    }
    const bool copied = FPDFImageObj_SetBitmap(&page, 1, object, bitmap);
    FPDFBitmap_Destroy(bitmap); // the object holds its own copy of the pixels
    if (!copied) {
        qWarning() << "Failed to set bitmap to image object.";
        FPDFPageObj_Destroy(object);
        return Insertion::Skipped;
    }

    // Fitted and centred in the box, in points of the displayed page, then into page space.
    const double s = std::min(double(w) / iw, double(h) / ih);
    const double dw = iw * s;
    const double dh = ih * s;
    const double left = x + (w - dw) * 0.5;
    const double top = y + (h - dh) * 0.5;
    const QPointF origin = toPage.map(QPointF(left, top + dh));
    const QPointF right = toPage.map(QPointF(left + dw, top + dh)) - origin;
    const QPointF up = toPage.map(QPointF(left, top)) - origin;
    qDebug() << "Inserting image at position (" << origin.x() << ", " << origin.y() << ") with size (" << dw << ", "
             << dh << ")";
    if (!FPDFImageObj_SetMatrix(object, right.x(), right.y(), up.x(), up.y(), origin.x(), origin.y())) {
        qWarning() << "Failed to place image object.";
        FPDFPageObj_Destroy(object);
        return Insertion::Unplaceable;
    }
    FPDFPage_InsertObject(page, object);
    return Insertion::Inserted;
}

bool PdfHandler::finishSave(FPDF_DOCUMENT document)
{
    QByteArray bytes;
    if (!writeIntermediateFile(document, &bytes))
        return false;
    if (!keepsDocumentInfo(bytes)) {
        QFile::remove(intermediateFilePath());
        return false;
    }
    emit pdfConfirm(buildResult(bytes));
    return true;
}

// pdfium repairs a broken cross-reference table on load, but writes such a document with its
// trailer still naming the lost information object, whose number a new object may then take.
bool PdfHandler::keepsDocumentInfo(const QByteArray &bytes) const
{
    FPDF_DOCUMENT saved = FPDF_LoadMemDocument(bytes.constData(), bytes.size(), nullptr);
    const bool kept = saved && documentInfo(saved) == documentInfo(m_document);
    if (saved)
        FPDF_CloseDocument(saved);
    if (!kept)
        qWarning() << "Save refused: the document is damaged and its title and author would not survive the save;"
                      " repair the file and open it again.";
    return kept;
}

bool PdfHandler::writeDocument(FPDF_DOCUMENT document, QIODevice *device, qint64 *written)
{
    FileWriteRecord record{{1, &PdfHandler::fileWriteBlock}, device, 0};
    const bool ok = FPDF_SaveAsCopy(document, &record.fileWrite, FPDF_NO_INCREMENTAL);
    if (written)
        *written = record.written;
    return ok;
}

bool PdfHandler::writeIntermediateFile(FPDF_DOCUMENT document, QByteArray *bytes)
{
    const QString path = intermediateFilePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        qWarning().noquote() << "Failed to create folder for:" << path;
        return false;
    }
    QSaveFile file(path); // written aside and renamed into place only when complete
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning().noquote() << "Failed to open file for writing:" << path;
        return false;
    }
    qDebug().noquote() << "Saving PDF document to:" << path;
    qint64 written = 0;
    if (!writeDocument(document, &file, &written)) {
        qWarning().noquote() << "Failed to save PDF document:" << path << ", error code:" << FPDF_GetLastError();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qWarning().noquote() << "Failed to save PDF document:" << path << file.errorString();
        return false;
    }
    qDebug().noquote() << "PDF document saved successfully to:" << path;

    QFile back(path);
    if (!back.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "Failed to read back saved file:" << path;
        QFile::remove(path);
        return false;
    }
    *bytes = back.readAll();
    back.close();
    qDebug() << "File data size:" << bytes->size();
    if (bytes->size() != written) {
        qWarning().noquote() << "Saved file is incomplete:" << path << bytes->size() << "of" << written;
        QFile::remove(path);
        return false;
    }
    return true;
}

int PdfHandler::fileWriteBlock(FPDF_FILEWRITE *fileWrite, const void *data, unsigned long size)
{
    auto *record = reinterpret_cast<FileWriteRecord *>(fileWrite);
    if (!record->file || !record->file->isOpen())
        return 0;
    if (size == 0)
        return 1;
    const char *bytes = static_cast<const char *>(data);
    qint64 left = qint64(size);
    while (left > 0) {
        const qint64 done = record->file->write(bytes, left);
        if (done <= 0) {
            qWarning().noquote() << "QFile error: " << record->file->errorString() << "(tried" << left << "bytes";
            return 0;
        }
        bytes += done;
        left -= done;
        record->written += done;
    }
    return 1;
}

PdfSignResult PdfHandler::buildResult(const QByteArray &bytes) const
{
    PdfSignResult result;
    result.pdfBase64 = QString::fromLatin1(bytes.toBase64());
    for (const PdfSignTag &tag : m_signData.tags) {
        PdfSignResultEntry entry;
        entry.page = tag.page;
        entry.type = tag.type;
        entry.signImage = tag.signImage;
        entry.fpImage = tag.fpImage;
        if (!tag.signImage.isEmpty() && !tag.fpImage.isEmpty())
            entry.combinedImage = mergeImages(tag.signImage, tag.fpImage);
        else
            entry.combinedImage = tag.signImage.isEmpty() ? tag.fpImage : tag.signImage;
        result.entries << entry;
    }
    return result;
}

QString PdfHandler::mergeImages(const QString &signBase64, const QString &fpBase64)
{
    const QImage sign = ImageBase64::decode(signBase64, nullptr);
    if (sign.isNull()) {
        qWarning() << "Failed to load sign image from Base64 data.";
        return QString();
    }
    const QImage fp = ImageBase64::decode(fpBase64, nullptr);
    if (fp.isNull()) {
        qWarning() << "Failed to load fingerprint image from Base64 data.";
        return QString();
    }
    QImage canvas(std::max(sign.width(), fp.width()), std::max(sign.height(), fp.height()), QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.drawImage(0, 0, sign);
        painter.drawImage(0, 0, fp);
    }
    return ImageBase64::encodePng(canvas);
}
