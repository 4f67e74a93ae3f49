#include "PdfWriter.h"

#include "PdfWriterProtocol.h"

#include "platform/ChildProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <QtDebug>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <map>
#include <string>

using namespace PdfWriterProtocol;

namespace {

#ifdef INKWARDEN_SANITIZED
// A writer ended by one of these has a memory error; pdfium's own traps (int3, ud2: SIGTRAP,
// SIGILL) end a writer on a damaged document, and limits or outside kills are no fault of its code.
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

// Only the writer beside the program: a writer from elsewhere may belong to another build.
QString writerProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/inkwarden-pdfwriter");
}

// The job as it goes to the writer, piece after piece: the headers from here, the pixels straight
// from the pictures, and a picture that many images show goes once.
class Job
{
public:
    Job(bool insert, const std::vector<PdfWriter::Page> &pages)
    {
        put(JobHeader{insert ? 1 : 0, int32_t(pages.size())});
        std::map<const unsigned char *, int32_t> numbers;
        for (const PdfWriter::Page &page : pages) {
            put(PageHeader{page.index, int32_t(page.images.size())});
            for (const PdfWriter::Image &image : page.images) {
                const auto known = numbers.emplace(image.pixels, int32_t(numbers.size()));
                put(ImageHeader{image.x, image.y, image.w, image.h, known.first->second, image.width, image.height});
                if (!known.second)
                    continue;
                for (int row = 0; row < image.height; ++row)
                    m_pieces.push_back({reinterpret_cast<const char *>(image.pixels) + size_t(row) * size_t(image.stride),
                                        0, size_t(image.width) * 4});
            }
        }
    }
    // The next piece; empty once all went.
    std::string_view next()
    {
        if (m_next == m_pieces.size())
            return {};
        const Piece &piece = m_pieces[m_next++];
        return {piece.pixels ? piece.pixels : m_headers.data() + piece.at, piece.size};
    }

private:
    struct Piece
    {
        const char *pixels; // none for a header, which lies at `at` in m_headers
        size_t at;
        size_t size;
    };
    template <typename T>
    void put(const T &value)
    {
        m_pieces.push_back({nullptr, m_headers.size(), sizeof value});
        m_headers.append(reinterpret_cast<const char *>(&value), sizeof value);
    }

    std::string m_headers;
    std::vector<Piece> m_pieces;
    size_t m_next = 0;
};

} // namespace

PdfWriter::Result PdfWriter::run(int document, bool insert, const std::vector<Page> &pages, int output,
                                 const QString &path, const std::function<void(int, int)> &progress)
{
    Result result;
    bool written = false;
    // Each event as it comes: the log follows the save, and the progress goes to the caller.
    const auto tell = [&](const Event &event) {
        const double *f = event.figures;
        switch (Kind(event.kind)) {
        case PageNotLoaded:
            qWarning() << "Failed to load page:" << event.value;
            result.failure.reason = SaveFailure::PageNotLoaded;
            result.failure.page = event.value + 1;
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
        case LoadFailed:
            qWarning() << "Failed to load PDF document for saving, error code:" << event.value;
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
            result.failure.reason = SaveFailure::ofError(event.value, path);
            result.failure.file = path;
            break;
        case JobFailed:
            qWarning().noquote() << "The PDF writer could not read its job:" << qt_error_string(event.value);
            break;
        case NoMemory:
            qWarning().noquote() << "The PDF writer ran out of memory while saving:" << path;
            result.failure.reason = SaveFailure::NoMemory;
            break;
        case OutputTooLarge:
            qWarning().noquote() << "Save refused: the saved document would pass" << qint64(f[0])
                                 << "bytes, past which its cross-reference table is damaged:" << path;
            result.failure.reason = SaveFailure::OutputTooLarge;
            break;
        case DocumentTooLarge:
            qWarning().noquote() << "The PDF writer was stopped by pdfium on a part of the document past 2 GiB:" << path;
            result.failure.reason = SaveFailure::DocumentTooLarge;
            break;
        case PageDone:
            if (progress)
                progress(event.value, int(f[0]));
            break;
        case Writing:
            break;
        case Written:
            written = true;
            result.size = qint64(f[0]);
            break;
        }
    };
    // Events as they come, split anywhere between two reads.
    Event event;
    size_t filled = 0;
    const auto hear = [&](const char *data, size_t size) {
        while (size > 0) {
            const size_t n = std::min(size, sizeof event - filled);
            std::memcpy(reinterpret_cast<char *>(&event) + filled, data, n);
            filled += n;
            data += n;
            size -= n;
            if (filled == sizeof event) {
                tell(event);
                filled = 0;
            }
        }
    };
    // The window repaints and the log goes on while the writer works; the operator's input
    // waits until the save is over, even before a progress box shows.
    const bool pump = QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
    const auto idle = [pump] {
        if (pump)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    };
    Job job(insert, pages);
    const QString program = writerProgram();
    const platform::child::Outcome outcome =
        platform::child::run({QFile::encodeName(program).toStdString(), std::to_string(SilenceMs)}, {document, output},
                             SilenceMs, hear, idle, [&job] { return job.next(); });

    // pdfium's own ends: for want of memory, or on a document past what it can write.
    const bool toldWhy = result.failure.reason == SaveFailure::NoMemory
                         || result.failure.reason == SaveFailure::DocumentTooLarge;
    switch (outcome.kind) {
    case platform::child::Outcome::NotStarted:
        qWarning().noquote() << "Failed to start the PDF writer" << program << "for:" << path
                             << qt_error_string(outcome.code);
        result.failure = {SaveFailure::WriterNotStarted, program};
        break;
    case platform::child::Outcome::Died:
        qWarning().noquote() << "PDF writer stopped by signal" << outcome.code << "while saving:" << path;
        if (!toldWhy)
            result.failure.reason = SaveFailure::WriterStopped;
        break;
    case platform::child::Outcome::Silent:
        qWarning().noquote() << "PDF writer reported nothing for" << SilenceMs / 1000 << "s and was stopped:" << path;
        result.failure.reason = SaveFailure::WriterSilent;
        break;
    case platform::child::Outcome::SanitizerReport:
        qWarning().noquote() << "PDF writer stopped by a sanitizer's report while saving:" << path;
        result.failure.reason = SaveFailure::WriterStopped;
        break;
    case platform::child::Outcome::Finished:
        result.ok = outcome.code == 0 && written;
        break;
    }
    // The writer's own troubles are told against the file it was writing.
    if (!result.ok && (result.failure.reason == SaveFailure::WriterStopped
                       || result.failure.reason == SaveFailure::WriterSilent
                       || result.failure.reason == SaveFailure::NoMemory))
        result.failure.file = path;
#ifdef INKWARDEN_SANITIZED
    // Under a sanitizer or a fuzzer such an end is a finding, not a failed save: the run must
    // fail and keep its input.
    if (endedByFault(outcome) && !toldWhy)
        qFatal("PDF writer: memory error while saving %s", qPrintable(path));
#endif
    return result;
}
