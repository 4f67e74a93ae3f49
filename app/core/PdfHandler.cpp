#include "PdfHandler.h"
#include "SharedInstance.h"

#include "ImageBase64.h"
#include "LanguageManager.h"
#include "PageImagePool.h"
#include "TagPainter.h"
#include "TagUnits.h"

#include "platform/ScratchFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMetaMethod>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStandardPaths>
#include <QWeakPointer>
#include <QtDebug>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

QSharedPointer<PdfHandler> PdfHandler::instance()
{
    static QWeakPointer<PdfHandler> cached;
    return sharedInstance(cached, [] { return new PdfHandler; });
}

PdfHandler::PdfHandler()
    : m_pageImages(PageImagePool::create())
{
    FPDF_InitLibrary();
    platform::ScratchFile::setTrace([](const char *step, const std::string &path) {
        qDebug().noquote() << "File step:" << step << QFile::decodeName(path.c_str());
    });
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

namespace {

// A QString holds at most this many characters.
constexpr qint64 MaxStringChars = (std::numeric_limits<int>::max() - 64) / 2 - 1;

// The file as Base64 text, built without a second copy of it; empty when the text would not fit.
QString base64Of(const platform::ScratchFile &file)
{
    const qint64 size = file.size();
    const qint64 chars = (size + 2) / 3 * 4;
    if (size < 0 || chars > MaxStringChars) {
        qWarning() << "The saved document is too large for its Base64 text in the result:" << size << "bytes";
        return QString();
    }
    try {
        QString text(int(chars), Qt::Uninitialized);
        QChar *out = text.data();
        constexpr qint64 Chunk = 3 << 20; // a multiple of 3: no padding inside the text
        QByteArray block(int(Chunk), Qt::Uninitialized);
        for (qint64 at = 0; at < size; at += Chunk) {
            const qint64 n = std::min(Chunk, size - at);
            if (!file.readAt(at, block.data(), size_t(n))) {
                qWarning() << "Failed to read the saved document back for its Base64 text.";
                return QString();
            }
            for (const char c : QByteArray::fromRawData(block.constData(), int(n)).toBase64())
                *out++ = QLatin1Char(c);
        }
        return text;
    } catch (const std::bad_alloc &) {
        qWarning() << "Not enough memory for the saved document's Base64 text:" << size << "bytes";
        return QString();
    }
}

} // namespace

bool PdfHandler::loadDocument(const QString &path, OpenFailure::Reason *why)
{
    closePages();
    OpenFailure::Reason unasked;
    if (!why)
        why = &unasked;
    if (!QFileInfo::exists(path)) {
        qWarning().noquote() << "File does not exist:" << path;
        *why = OpenFailure::NotFound;
        return false;
    }
    // On disk, not in memory: its size costs no memory, and pdfium reads it only as it needs.
    // Without room in the cache folder, the system's temporary folder may have some.
    auto source = std::make_unique<platform::ScratchFile>();
    const std::string file = QFile::encodeName(path).toStdString();
    int error = ENOENT;
    for (const QString &folder : {QStandardPaths::writableLocation(QStandardPaths::CacheLocation), QDir::tempPath()}) {
        if (QDir().mkpath(folder) && (error = source->copyOf(file, QFile::encodeName(folder).toStdString())) == 0)
            break;
        qWarning().noquote() << "No private copy of" << path << "in" << folder << "-" << qt_error_string(error);
    }
    if (error) {
        // Without room for the copy the file itself serves; a change of it is noticed, not taken.
        const int direct = source->openFile(file);
        if (direct) {
            qWarning().noquote() << "Failed to load PDF document:" << path << ", error code:" << FPDF_ERR_FILE
                                 << qt_error_string(direct);
            *why = OpenFailure::ofError(direct);
            return false;
        }
    }
    if (!open(*source, why)) {
        if (*why == OpenFailure::NoPages)
            qWarning().noquote() << "PDF document has no pages:" << path;
        else
            qWarning().noquote() << "Failed to load PDF document:" << path << ", error code:" << FPDF_GetLastError();
        return false;
    }
    m_source = std::move(source);
    m_sourcePath = path;
    return true;
}

bool PdfHandler::reopenDocument(OpenFailure::Reason *why)
{
    closePages();
    OpenFailure::Reason unasked;
    if (!why)
        why = &unasked;
    *why = OpenFailure::NotRead;
    if (sourceChanged()) {
        qWarning().noquote() << "The PDF document changed on disk since it was opened:" << m_sourcePath;
        return false;
    }
    if (!m_source || !open(*m_source, why)) {
        qWarning().noquote() << "Failed to reopen PDF document:" << m_sourcePath;
        return false;
    }
    return true;
}

bool PdfHandler::open(const platform::ScratchFile &source, OpenFailure::Reason *why)
{
    m_document = m_access.load(source);
    if (!m_document) {
        *why = source.size() == 0 ? OpenFailure::Empty : OpenFailure::ofPdfium(FPDF_GetLastError());
        return false;
    }
    m_pageCount = std::max(0, FPDF_GetPageCount(m_document));
    if (m_pageCount == 0) { // nothing to show or tag
        *why = OpenFailure::NoPages;
        closePages();
        return false;
    }
    return true;
}

void PdfHandler::closePages()
{
    if (m_document)
        FPDF_CloseDocument(m_document);
    m_document = nullptr;
    m_pageCount = 0;
    m_signData = PdfSignData();
}

void PdfHandler::closeDocument()
{
    closePages();
    m_source.reset();
    m_sourcePath.clear();
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
    return writeSaved(QString(), saved, why);
}

bool PdfHandler::saveTo(const QString &target, SaveFailure *why)
{
    return writeSaved(target, nullptr, why);
}

bool PdfHandler::writeSaved(const QString &target, QByteArray *saved, SaveFailure *why)
{
    SaveFailure unasked;
    if (!why)
        why = &unasked;
    *why = SaveFailure();
    // Another document in the file that serves as the session's copy is never saved as this one.
    if (sourceChanged()) {
        qWarning().noquote() << "The PDF document changed on disk since it was opened, cannot save:" << m_sourcePath;
        *why = {SaveFailure::FileChanged, m_sourcePath};
        return false;
    }
    if (!m_document || !m_source) {
        qWarning() << "PDF document is not loaded, cannot save.";
        return false;
    }
    // Events run while the writer works; a save asked for by one of them waits for none.
    if (m_saving) {
        qWarning() << "A save is already running, cannot save.";
        return false;
    }
    const QScopedValueRollback<bool> saving(m_saving, true);
    const QString path = intermediateFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    // An empty file in the failure is the document's target.
    const auto failed = [&](const SaveFailure &failure) {
        *why = failure;
        qWarning().noquote() << "Failed to write:" << (failure.file.isEmpty() ? path : failure.file) << "-"
                             << failure.text();
        return false;
    };
    if (!QDir().mkpath(folder))
        return failed(SaveFailure::ofFolder(folder));
    // The writer's output has no name until it is complete, then takes the intermediate name;
    // this copy keeps it open, so another copy of the program saving at the same time can
    // neither make this save fail nor give it its document.
    platform::ScratchFile output;
    if (const int error = output.create(QFile::encodeName(folder).toStdString())) {
        qWarning().noquote() << "Failed to open file for writing in:" << folder << qt_error_string(error);
        return failed({SaveFailure::ofError(error, path), path});
    }

    // The result tells of the tags saved, whatever the events served meanwhile change.
    const PdfSignData signData = m_signData;
    qDebug().noquote() << "Saving PDF document to:" << path;
    PdfWriter::Result written;
    try {
        QHash<QString, QImage> decoded; // the same picture in many tags is decoded once
        const std::vector<PdfWriter::Page> plan = m_readOnly ? std::vector<PdfWriter::Page>() : placeTagImages(&decoded);
        written = PdfWriter::run(m_source->fd(), !m_readOnly, plan, output.fd(), path,
                                 [this](int done, int total) { emit saveProgress(done, total); });
    } catch (const std::bad_alloc &) {
        qWarning().noquote() << "Not enough memory to save:" << path;
        written.failure = {SaveFailure::NoMemory, path};
    }
    // An earlier save's file must never pass for this one.
    const auto unwritten = [&](const SaveFailure &failure) {
        QFile::remove(path);
        return failed(failure);
    };
    if (!written.ok)
        return unwritten(written.failure);
    if (output.size() != written.size) {
        qWarning().noquote() << "Saved file is incomplete:" << path << output.size() << "of" << written.size;
        return unwritten({SaveFailure::NotWritten, path});
    }
    if (m_source->changed()) // while the writer read it
        return unwritten({SaveFailure::FileChanged, m_sourcePath});
    SaveFailure unpublished;
    if (!publishSaved(output, target, &unpublished))
        return failed(unpublished);
    if (saved) {
        if (written.size <= std::numeric_limits<int>::max())
            saved->resize(int(written.size));
        if (saved->size() != written.size || !output.readAt(0, saved->data(), size_t(saved->size()))) {
            saved->clear();
            return failed({SaveFailure::NotWritten, path});
        }
    }
    // The result holds the whole file as Base64, 2.7 times its size: made only for a listener.
    if (isSignalConnected(QMetaMethod::fromSignal(&PdfHandler::pdfConfirm)))
        emit pdfConfirm(buildResult(output, signData));
    return true;
}

bool PdfHandler::publishSaved(platform::ScratchFile &output, const QString &target, SaveFailure *failure)
{
    const QString path = intermediateFilePath();
    if (const int error = output.publish(QFile::encodeName(path).toStdString())) {
        qWarning().noquote() << "Failed to write:" << path << qt_error_string(error);
        QFile::remove(path); // an earlier save's file must never pass for this one
        *failure = {SaveFailure::ofError(error, path), path};
        return false;
    }
    qDebug().noquote() << "PDF document saved successfully to:" << path;
    if (target.isEmpty())
        return true;
    if (const int error = platform::ScratchFile::putOver(output, QFile::encodeName(target).toStdString())) {
        qWarning().noquote() << "Failed to write:" << target << qt_error_string(error);
        *failure = {SaveFailure::ofError(error, target), target};
        return false;
    }
    qDebug().noquote() << "PDF document put in place:" << target;
    return true;
}

bool PdfHandler::sourceChanged() const
{
    return m_source && m_source->changed();
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

PdfSignResult PdfHandler::buildResult(const platform::ScratchFile &saved, const PdfSignData &data)
{
    PdfSignResult result;
    result.pdfBase64 = base64Of(saved);
    for (const PdfSignTag &tag : data.tags) {
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
