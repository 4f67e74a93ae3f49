// The PDF writer: a program of its own, started fresh for each save, that inserts the captured
// images into a document and writes it. pdfium stops its process on some damaged documents;
// here that ends only this program, and the save fails. Single-threaded; no Qt.

#include "PdfFileAccess.h"
#include "PdfWriterProtocol.h"
#include "PdfiumApi.h"
#include "TagUnits.h"

#include "platform/ChildProcess.h"
#include "platform/ScratchFile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef INKWARDEN_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

using namespace PdfWriterProtocol;

namespace {

// Between two reports of progress while the output is written.
constexpr int64_t WritingStep = 16 << 20;

class Report
{
public:
    explicit Report(int boundMs) : m_boundMs(boundMs) {}
    void add(Kind kind, int value = 0, double a = 0, double b = 0, double c = 0, double d = 0) const
    {
        const Event event{kind, value, {a, b, c, d}};
        platform::child::writeAll(ReportFd, &event, sizeof event);
        platform::child::stillAlive(m_boundMs);
    }

private:
    int m_boundMs;
};

// The job's pictures, each read once however many images show it.
using Pictures = std::vector<std::vector<unsigned char>>;

struct Page
{
    int index = 0;
    std::vector<ImageHeader> images;
};

bool readInput(void *data, size_t size)
{
    return platform::child::readAll(STDIN_FILENO, data, size) == 0;
}

// The next page of the job, as the program sends it; a picture first named here is read.
int readPage(Page *page, Pictures *pictures)
{
    PageHeader header;
    if (!readInput(&header, sizeof header) || header.images < 0)
        return EINVAL;
    page->index = header.index;
    page->images.clear();
    for (int i = 0; i < header.images; ++i) {
        ImageHeader box;
        if (!readInput(&box, sizeof box) || box.width <= 0 || box.height <= 0 || box.picture < 0
            || size_t(box.picture) > pictures->size())
            return EINVAL;
        const size_t bytes = size_t(box.width) * size_t(box.height) * 4;
        if (size_t(box.picture) == pictures->size()) {
            std::vector<unsigned char> pixels(bytes);
            if (!readInput(pixels.data(), bytes))
                return EINVAL;
            pictures->push_back(std::move(pixels));
        } else if ((*pictures)[size_t(box.picture)].size() != bytes) {
            return EINVAL;
        }
        page->images.push_back(box);
    }
    return 0;
}

// pdfium writes the offsets of the cross-reference table as 32-bit numbers: an output past 2 GiB
// would be damaged. INKWARDEN_PDF_OUTPUT_LIMIT may set a lower bound (tests).
int64_t outputLimit()
{
    constexpr int64_t Offsets = (int64_t(1) << 31) - 1;
    const char *lower = std::getenv("INKWARDEN_PDF_OUTPUT_LIMIT");
    const long long asked = lower ? std::atoll(lower) : 0;
    return asked > 0 ? std::min<int64_t>(asked, Offsets) : Offsets;
}

// The input's size, for what an abort of pdfium means.
int64_t g_documentSize = 0;

struct FileWrite
{
    FPDF_FILEWRITE fileWrite;
    const Report *report;
    int64_t limit;
    int64_t written;
    int error;
    bool tooLarge;
};

int writeBlock(FPDF_FILEWRITE *self, const void *data, unsigned long size)
{
    auto *out = reinterpret_cast<FileWrite *>(self);
    if (out->written + int64_t(size) > out->limit) {
        out->tooLarge = true;
        return 0;
    }
    out->error = platform::child::writeAll(OutputFd, data, size);
    if (out->error)
        return 0;
    if ((out->written + int64_t(size)) / WritingStep != out->written / WritingStep)
        out->report->add(Writing, 0, double(out->written + int64_t(size)));
    out->written += int64_t(size);
    return 1;
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

Insertion insertImage(FPDF_DOCUMENT document, FPDF_PAGE page, const Affine &toPage, const ImageHeader &box,
                      std::vector<unsigned char> &pixels, const Report &report)
{
    FPDF_PAGEOBJECT object = FPDFPageObj_NewImageObj(document);
    if (!object) {
        report.add(ObjectFailed);
        return Insertion::Skipped;
    }
    // The object takes its own copy of the pixels.
    FPDF_BITMAP bitmap = FPDFBitmap_CreateEx(box.width, box.height, FPDFBitmap_BGRA, pixels.data(), box.width * 4);
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
    const double s = std::min(double(box.w) / box.width, double(box.h) / box.height);
    const double dw = box.width * s;
    const double dh = box.height * s;
    const double left = box.x + (box.w - dw) * 0.5;
    const double top = box.y + (box.h - dh) * 0.5;
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

// Reads the job's `pages` one after another and inserts their images. False when a page cannot be
// loaded or an image due on it cannot be placed there: it must not pass for a signed page.
bool insertImages(FPDF_DOCUMENT document, int pages, const Report &report)
{
    Pictures pictures;
    Page plan;
    for (int done = 0; done < pages;) {
        if (const int error = readPage(&plan, &pictures)) {
            report.add(JobFailed, error);
            return false;
        }
        FPDF_PAGE page = FPDF_LoadPage(document, plan.index);
        if (!page) {
            report.add(PageNotLoaded, plan.index);
            return false;
        }
        Affine toPage;
        if (!displayToPage(page, &toPage)) {
            report.add(NoPlace, plan.index);
            FPDF_ClosePage(page);
            return false;
        }
        int inserted = 0;
        bool placed = true;
        for (const ImageHeader &box : plan.images) {
            const Insertion result = insertImage(document, page, toPage, box, pictures[size_t(box.picture)], report);
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
        report.add(PageDone, ++done, double(pages));
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

int writeDocument(const Report &report)
{
    const platform::ScratchFile source(DocumentFd);
    JobHeader job;
    if (!readInput(&job, sizeof job) || job.pages < 0) {
        report.add(JobFailed, EINVAL);
        return 1;
    }
    g_documentSize = source.size();
    PdfFileAccess access;
    FPDF_DOCUMENT document = access.load(source);
    if (!document) {
        report.add(LoadFailed, int(FPDF_GetLastError()));
        return 1;
    }
    // pdfium repairs a broken cross-reference table on load, but leaves the information object
    // out of a save (its number then free for a new object) unless it was read before: reading
    // it first makes every save of such a document keep title and author.
    const std::string info = documentInfo(document);
    if (job.insert && !insertImages(document, job.pages, report))
        return 1;
    FileWrite out{{1, &writeBlock}, &report, outputLimit(), 0, 0, false};
    const bool savedAll = FPDF_SaveAsCopy(document, &out.fileWrite, FPDF_NO_INCREMENTAL);
    if (out.tooLarge) {
        report.add(OutputTooLarge, 0, double(out.limit));
        return 1;
    }
    // pdfium may go on after a failed block: the file's own error comes first.
    if (out.error) {
        report.add(WriteFailed, out.error);
        return 1;
    }
    if (!savedAll) {
        report.add(SaveFailed, int(FPDF_GetLastError()));
        return 1;
    }
    // A damaged document may lose its information on the way: such a save is refused.
    const platform::ScratchFile output(OutputFd);
    PdfFileAccess savedAccess;
    FPDF_DOCUMENT saved = savedAccess.load(output);
    const bool kept = saved && documentInfo(saved) == info;
    if (!kept) {
        report.add(InfoLost);
        return 1;
    }
    report.add(Written, 0, double(out.written));
    return 0;
}

// pdfium ends its process with abort() when an allocation fails. One that failed for want of
// memory leaves ENOMEM behind; without it, pdfium refused a block past its bound of 2 GiB, which
// only a document of that size holds (one stream over 2 GiB).
void onAbort(int)
{
    const bool noMemory = errno == ENOMEM;
    if (noMemory || g_documentSize > (int64_t(1) << 31)) {
        const Event event{noMemory ? NoMemory : DocumentTooLarge, 0, {}};
        platform::child::writeAll(ReportFd, &event, sizeof event);
    }
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef INKWARDEN_SANITIZED
    __sanitizer_set_death_callback([] { _exit(platform::child::SanitizerExit); });
#endif
    const int boundMs = argc == 2 ? std::atoi(argv[1]) : 0;
    if (boundMs <= 0)
        return 2;
    const Report report(boundMs);
    struct sigaction action = {};
    action.sa_handler = &onAbort;
    action.sa_flags = SA_RESETHAND; // abort() goes on to end the process
    sigaction(SIGABRT, &action, nullptr);
    FPDF_InitLibrary();
    int code = 1;
    try {
        code = writeDocument(report);
    } catch (const std::bad_alloc &) {
        report.add(NoMemory);
    }
    // Whatever pdfium still holds goes with the process: no teardown to wait for.
    _exit(code);
}
