#include "PdfHandler.h"
#include "SharedInstance.h"

#include "ImageBase64.h"
#include "LanguageManager.h"
#include "PageImagePool.h"
#include "TagPainter.h"
#include "TagUnits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QWeakPointer>
#include <QtDebug>

#include <algorithm>

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
    // pdfium reads a document loaded from a file lazily, from a descriptor it keeps open, which
    // the writer's copy does not keep: the document lives in memory.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        m_bytes = file.readAll();
    if (m_bytes.size() != file.size() || file.error() != QFileDevice::NoError) {
        qWarning().noquote() << "Failed to load PDF document:" << path << ", error code:" << FPDF_ERR_FILE;
        m_bytes.clear();
        return false;
    }
    m_document = FPDF_LoadMemDocument64(m_bytes.constData(), size_t(m_bytes.size()), nullptr);
    if (!m_document) {
        qWarning().noquote() << "Failed to load PDF document:" << path << ", error code:" << FPDF_GetLastError();
        m_bytes.clear();
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
    m_bytes.clear();
    m_pageCount = 0;
    m_signData = PdfSignData();
}

void PdfHandler::setSignData(const PdfSignData &data, bool tagHidden)
{
    m_signData = data;
    m_tagHidden = tagHidden;
}

QSize PdfHandler::pageImageSize(int index)
{
    if (!m_document || index < 0 || index >= m_pageCount)
        return QSize();
    FPDF_PAGE page = FPDF_LoadPage(m_document, index);
    if (!page)
        return QSize();
    const QSize size(TagUnits::pageImagePixels(FPDF_GetPageWidth(page)), TagUnits::pageImagePixels(FPDF_GetPageHeight(page)));
    FPDF_ClosePage(page);
    return size;
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

bool PdfHandler::save(QByteArray *saved, SaveFailure *why)
{
    SaveFailure failure;
    const bool ok = writeSaved(saved, &failure);
    if (!ok && why)
        *why = failure;
    return ok;
}

bool PdfHandler::writeSaved(QByteArray *saved, SaveFailure *why)
{
    if (!m_document) {
        qWarning() << "PDF document is not loaded, cannot save.";
        return false;
    }
    // An earlier save's file must never pass for this one, whatever happens below.
    const QString path = intermediateFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    const auto failed = [&](const QString &file, SaveFailure::Reason reason) {
        why->file = file;
        why->reason = reason;
        qWarning().noquote() << "Failed to write:" << file << "-" << translated(SaveFailure::key(reason));
        return false;
    };
    // Another copy of the program may remove it first.
    if (QFileInfo::exists(path) && !QFile::remove(path) && QFileInfo::exists(path)) {
        qWarning().noquote() << "Failed to remove existing file:" << path;
        return failed(path, SaveFailure::ofFile(path, 0));
    }
    if (!QDir().mkpath(folder)) {
        const SaveFailure missing = SaveFailure::ofFolder(folder);
        return failed(missing.file, missing.reason);
    }
    // The writer's output goes to a file of this process's own, so a save running in another
    // copy of the program at the same time can never be taken for this one.
    QTemporaryFile output(folder + QStringLiteral("/pdf_test.XXXXXX.part"));
    if (!output.open()) {
        qWarning().noquote() << "Failed to open file for writing:" << output.fileTemplate() << output.errorString();
        return failed(path, SaveFailure::ofFile(path, 1)); // not a byte of room: the disk is full
    }

    QHash<QString, QImage> decoded; // the same picture in many tags is decoded once
    const std::vector<PdfWriter::Page> plan = m_readOnly ? std::vector<PdfWriter::Page>() : placeTagImages(&decoded);
    qDebug().noquote() << "Saving PDF document to:" << path;
    const PdfWriter::Result written = PdfWriter::run(m_document, !m_readOnly, plan, output.handle(), path);
    if (!written.ok) {
        *why = written.failure;
        return false;
    }

    output.seek(0);
    const QByteArray bytes = output.readAll();
    qDebug() << "File data size:" << bytes.size();
    if (bytes.size() != written.size) {
        qWarning().noquote() << "Saved file is incomplete:" << output.fileName() << bytes.size() << "of"
                             << written.size;
        why->file = path;
        return false;
    }
    // The bytes are in memory: the writer's output gives its room to the file beside it.
    output.remove();
    QSaveFile file(path); // renamed into place only when complete
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return failed(path, SaveFailure::ofFile(path, bytes.size()));
    qDebug().noquote() << "PDF document saved successfully to:" << path;
    if (saved)
        *saved = bytes;
    emit pdfConfirm(buildResult(bytes));
    return true;
}

std::vector<PdfWriter::Page> PdfHandler::placeTagImages(QHash<QString, QImage> *decoded) const
{
    const auto due = [](const PdfSignTag &tag) {
        return (tag.isSignDone && !tag.signImage.isEmpty()) || (tag.isFpDone && !tag.fpImage.isEmpty());
    };
    std::vector<PdfWriter::Page> pages;
    for (int index = 0; index < m_pageCount; ++index) {
        const auto dueOnPage = [index, &due](const PdfSignTag &tag) { return tag.page == index + 1 && due(tag); };
        if (std::none_of(m_signData.tags.cbegin(), m_signData.tags.cend(), dueOnPage))
            continue;
        PdfWriter::Page page;
        page.index = index;
        const auto place = [&](const QString &base64, int x, int y, int w, int h) {
            qDebug() << "Inserting image to PDF";
            if (w <= 0 || h <= 0) {
                qWarning() << "Tag box too small for an image:" << w << "x" << h << "points";
                return;
            }
            auto known = decoded->constFind(base64);
            if (known == decoded->constEnd())
                known = decoded->insert(base64, ImageBase64::decode(base64).convertToFormat(QImage::Format_ARGB32));
            const QImage &image = *known;
            if (image.isNull()) {
                qWarning() << "Failed to load image from Base64 data.";
                return;
            }
            page.images.push_back(
                {x, y, w, h, image.constBits(), image.width(), image.height(), int(image.bytesPerLine())});
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
                place(tag.signImage, x, y, w, h);
            }
            if (tag.isFpDone && !tag.fpImage.isEmpty()) {
                qDebug() << "Inserting fingerprint on page" << tag.page << "at (" << x << ", " << y
                         << ") with size (" << w << ", " << h << ")";
                place(tag.fpImage, x, y, w, h);
            }
        }
        pages.push_back(std::move(page));
    }
    return pages;
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
