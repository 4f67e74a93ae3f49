#include "PdfWriter.h"

#include "TagUnits.h"

#include "platform/ChildProcess.h"

#include <QtDebug>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Everything below up to run() is done in the copy of the process: no Qt, no log and no locks,
// only pdfium, plain memory and the report.

enum Kind : int32_t {
    PageNotLoaded,
    NoPlace,
    ObjectFailed,
    BitmapFailed,
    SetBitmapFailed,
    MatrixFailed,
    ImagePlaced,
    ContentGenerated,
    ContentFailed,
    CopyFailed,
    ReopenFailed,
    SaveFailed,
    InfoLost,
    WriteFailed,
    Written,
};

struct Event
{
    int32_t kind;
    int32_t value;
    double figures[4];
};

class Report
{
public:
    explicit Report(int fd) : m_fd(fd) {}
    void add(Kind kind, int value = 0, double a = 0, double b = 0, double c = 0, double d = 0) const
    {
        const Event event{kind, value, {a, b, c, d}};
        platform::child::writeAll(m_fd, &event, sizeof event);
    }

private:
    int m_fd;
};

struct MemoryWrite
{
    FPDF_FILEWRITE fileWrite;
    std::string *bytes;
};

int appendBlock(FPDF_FILEWRITE *self, const void *data, unsigned long size)
{
    reinterpret_cast<MemoryWrite *>(self)->bytes->append(static_cast<const char *>(data), size);
    return 1;
}

bool writeToMemory(FPDF_DOCUMENT document, std::string *bytes)
{
    MemoryWrite record{{1, &appendBlock}, bytes};
    return FPDF_SaveAsCopy(document, &record.fileWrite, FPDF_NO_INCREMENTAL);
}

// Maps points of the page as displayed (origin top left, y down, as the page image) into the
// page's own space, so /Rotate and a media box away from the origin are honoured.
struct Affine
{
    double m11, m12, m21, m22, dx, dy;
    void map(double x, double y, double *px, double *py) const
    {
        *px = m11 * x + m21 * y + dx;
        *py = m12 * x + m22 * y + dy;
    }
};

// pdfium gives the mapping of whole device pixels; it is affine, so three corners fix it.
bool displayToPage(FPDF_PAGE page, Affine *affine)
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
    *affine = {(x1 - x0) / width, (y1 - y0) / width, (x2 - x0) / height, (y2 - y0) / height, x0, y0};
    return true;
}

enum class Insertion { Inserted, Skipped, Unplaceable };

Insertion insertImage(FPDF_DOCUMENT document, FPDF_PAGE page, const Affine &toPage, const PdfWriter::Image &image,
                      const Report &report)
{
    FPDF_PAGEOBJECT object = FPDFPageObj_NewImageObj(document);
    if (!object) {
        report.add(ObjectFailed);
        return Insertion::Skipped;
    }
    // pdfium only reads these pixels: the object takes its own copy.
    FPDF_BITMAP bitmap = FPDFBitmap_CreateEx(image.width, image.height, FPDFBitmap_BGRA,
                                             const_cast<unsigned char *>(image.pixels), image.stride);
    if (!bitmap) {
        report.add(BitmapFailed);
        FPDFPageObj_Destroy(object);
        return Insertion::Skipped;
    }
    const bool copied = FPDFImageObj_SetBitmap(&page, 1, object, bitmap);
    FPDFBitmap_Destroy(bitmap);
    if (!copied) {
        report.add(SetBitmapFailed);
        FPDFPageObj_Destroy(object);
        return Insertion::Skipped;
    }

    // Fitted and centred in the box, in points of the displayed page, then into page space.
    const double s = std::min(double(image.w) / image.width, double(image.h) / image.height);
    const double dw = image.width * s;
    const double dh = image.height * s;
    const double left = image.x + (image.w - dw) * 0.5;
    const double top = image.y + (image.h - dh) * 0.5;
    double ox, oy, rx, ry, ux, uy;
    toPage.map(left, top + dh, &ox, &oy);
    toPage.map(left + dw, top + dh, &rx, &ry);
    toPage.map(left, top, &ux, &uy);
    report.add(ImagePlaced, 0, ox, oy, dw, dh);
    if (!FPDFImageObj_SetMatrix(object, rx - ox, ry - oy, ux - ox, uy - oy, ox, oy)) {
        report.add(MatrixFailed);
        FPDFPageObj_Destroy(object);
        return Insertion::Unplaceable;
    }
    FPDFPage_InsertObject(page, object);
    return Insertion::Inserted;
}

// False when an image due on a page cannot be placed there: it must not pass for a signed page.
bool insertImages(FPDF_DOCUMENT document, const std::vector<PdfWriter::Page> &pages, const Report &report)
{
    for (const PdfWriter::Page &plan : pages) {
        FPDF_PAGE page = FPDF_LoadPage(document, plan.index);
        if (!page) {
            report.add(PageNotLoaded, plan.index);
            continue;
        }
        Affine toPage;
        if (!displayToPage(page, &toPage)) {
            report.add(NoPlace, plan.index);
            FPDF_ClosePage(page);
            return false;
        }
        int inserted = 0;
        bool placed = true;
        for (const PdfWriter::Image &image : plan.images) {
            const Insertion result = insertImage(document, page, toPage, image, report);
            inserted += result == Insertion::Inserted;
            placed = placed && result != Insertion::Unplaceable;
        }
        // One content rewrite per page, after all of its images.
        if (placed && inserted > 0) {
            placed = FPDFPage_GenerateContent(page);
            report.add(placed ? ContentGenerated : ContentFailed, plan.index);
        }
        FPDF_ClosePage(page);
        if (!placed)
            return false;
    }
    return true;
}

// The document information entries as pdfium reads them, as raw text.
std::string documentInfo(FPDF_DOCUMENT document)
{
    std::string texts;
    for (const char *key : {"Title", "Author", "Subject", "Keywords", "Creator", "Producer", "CreationDate", "ModDate"}) {
        std::string text(FPDF_GetMetaText(document, key, nullptr, 0), '\0');
        FPDF_GetMetaText(document, key, &text[0], (unsigned long)text.size());
        texts += text;
        texts += '\n';
    }
    return texts;
}

bool keepsDocumentInfo(const std::string &info, const std::string &bytes)
{
    FPDF_DOCUMENT saved = FPDF_LoadMemDocument(bytes.data(), int(bytes.size()), nullptr);
    const bool kept = saved && documentInfo(saved) == info;
    if (saved)
        FPDF_CloseDocument(saved);
    return kept;
}

int writeDocument(FPDF_DOCUMENT original, bool insert, const std::vector<PdfWriter::Page> &pages, int fd,
                  const Report &report)
{
    // pdfium repairs a broken cross-reference table on load, but leaves the information object
    // out of a save (its number then free for a new object) unless it was read before: reading
    // it first makes every save of such a document keep title and author.
    const std::string info = documentInfo(original);
    FPDF_DOCUMENT document = original;
    std::string clean;
    if (insert) {
        // The images go into a copy, so every save writes each image exactly once.
        if (!writeToMemory(original, &clean)) {
            report.add(CopyFailed, int(FPDF_GetLastError()));
            return 1;
        }
        document = FPDF_LoadMemDocument(clean.data(), int(clean.size()), nullptr);
        if (!document) {
            report.add(ReopenFailed, int(FPDF_GetLastError()));
            return 1;
        }
        if (!insertImages(document, pages, report))
            return 1;
    }
    std::string bytes;
    if (!writeToMemory(document, &bytes)) {
        report.add(SaveFailed, int(FPDF_GetLastError()));
        return 1;
    }
    if (!keepsDocumentInfo(info, bytes)) {
        report.add(InfoLost);
        return 1;
    }
    if (const int error = platform::child::writeAll(fd, bytes.data(), bytes.size())) {
        report.add(WriteFailed, error);
        return 1;
    }
    report.add(Written, 0, double(bytes.size()));
    return 0;
}

#ifdef INKWARDEN_SANITIZED
// A copy ended by one of these has a memory error; pdfium's own traps (int3, ud2: SIGTRAP,
// SIGILL) end a copy on a damaged document, and limits or outside kills are no fault of its code.
bool endedByFault(const platform::child::Outcome &outcome)
{
    if (outcome.kind == platform::child::Outcome::SanitizerReport)
        return true;
    if (outcome.kind != platform::child::Outcome::Died)
        return false;
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGSYS}) {
        if (outcome.code == fault)
            return true;
    }
    return false;
}
#endif

} // namespace

PdfWriter::Result PdfWriter::run(FPDF_DOCUMENT document, bool insert, const std::vector<Page> &pages, int fd,
                                 const QString &path)
{
    const platform::child::Outcome outcome = platform::child::run(
        [&](int report) { return writeDocument(document, insert, pages, fd, Report(report)); }, TimeoutMs, {fd});

    Result result;
    bool written = false;
    const std::string &report = outcome.report;
    for (size_t at = 0; at + sizeof(Event) <= report.size(); at += sizeof(Event)) {
        Event event;
        std::memcpy(&event, report.data() + at, sizeof event);
        const double *f = event.figures;
        switch (Kind(event.kind)) {
        case PageNotLoaded:
            qWarning() << "Failed to load page:" << event.value;
            break;
        case NoPlace:
            qWarning() << "Cannot place images on page" << event.value << ": its size has no image";
            break;
        case ObjectFailed:
            qWarning() << "Failed to create image object.";
            break;
        case BitmapFailed:
            qWarning() << "Failed to create bitmap.";
            break;
        case SetBitmapFailed:
            qWarning() << "Failed to set bitmap to image object.";
            break;
        case MatrixFailed:
            qWarning() << "Failed to place image object.";
            break;
        case ImagePlaced:
            qDebug() << "Inserting image at position (" << f[0] << ", " << f[1] << ") with size (" << f[2] << ", "
                     << f[3] << ")";
            break;
        case ContentGenerated:
            qDebug() << "Image inserted successfully to PDF at position" << event.value;
            break;
        case ContentFailed:
            qWarning() << "Failed to generate content for page.";
            break;
        case CopyFailed:
            qWarning() << "Failed to copy PDF document for saving, error code:" << event.value;
            break;
        case ReopenFailed:
            qWarning() << "Failed to reopen PDF document for saving, error code:" << event.value;
            break;
        case SaveFailed:
            qWarning().noquote() << "Failed to save PDF document:" << path << ", error code:" << event.value;
            break;
        case InfoLost:
            qWarning() << "Save refused: the document is damaged and its title and author would not survive the save;"
                          " repair the file and open it again.";
            result.failure.reason = SaveFailure::Damaged;
            break;
        case WriteFailed:
            qWarning().noquote() << "Failed to save PDF document:" << path << qt_error_string(event.value);
            result.failure.reason = SaveFailure::ofError(event.value);
            result.failure.file = path;
            break;
        case Written:
            written = true;
            result.size = qint64(f[0]);
            break;
        }
    }

    switch (outcome.kind) {
    case platform::child::Outcome::NotStarted:
        qWarning().noquote() << "Failed to start the PDF writer for:" << path;
        break;
    case platform::child::Outcome::Died:
        qWarning().noquote() << "PDF writer stopped by signal" << outcome.code << "while saving:" << path;
        break;
    case platform::child::Outcome::TimedOut:
        qWarning().noquote() << "PDF writer did not finish within" << TimeoutMs / 1000 << "s and was stopped:" << path;
        break;
    case platform::child::Outcome::SanitizerReport:
        qWarning().noquote() << "PDF writer stopped by a sanitizer's report while saving:" << path;
        break;
    case platform::child::Outcome::Finished:
        result.ok = outcome.code == 0 && written;
        break;
    }
#ifdef INKWARDEN_SANITIZED
    // Under a sanitizer or a fuzzer such an end is a finding, not a failed save: the run must
    // fail and keep its input.
    if (endedByFault(outcome))
        qFatal("PDF writer: memory error in the copy while saving %s", qPrintable(path));
#endif
    return result;
}
