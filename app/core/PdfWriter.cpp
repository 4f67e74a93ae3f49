#include "PdfWriter.h"

#include "PdfWriterProtocol.h"

#include "platform/ChildProcess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QtDebug>

#include <csignal>
#include <cstring>
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

// Beside the program; programs built elsewhere in the build tree (tests) use the one built there.
QString writerProgram()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/inkwarden-pdfwriter");
    return QFileInfo::exists(beside) ? beside : QStringLiteral(INKWARDEN_PDFWRITER);
}

template <typename T>
void put(std::string *job, const T &value)
{
    job->append(reinterpret_cast<const char *>(&value), sizeof value);
}

std::string jobOf(bool insert, const std::vector<PdfWriter::Page> &pages)
{
    std::string job;
    put(&job, JobHeader{insert ? 1 : 0, int32_t(pages.size())});
    for (const PdfWriter::Page &page : pages) {
        put(&job, PageHeader{page.index, int32_t(page.images.size())});
        for (const PdfWriter::Image &image : page.images) {
            put(&job, ImageHeader{image.x, image.y, image.w, image.h, image.width, image.height});
            for (int row = 0; row < image.height; ++row)
                job.append(reinterpret_cast<const char *>(image.pixels) + size_t(row) * size_t(image.stride),
                           size_t(image.width) * 4);
        }
    }
    return job;
}

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
    std::string heard;
    const auto hear = [&](const char *data, size_t size) {
        heard.append(data, size);
        size_t at = 0;
        for (; at + sizeof(Event) <= heard.size(); at += sizeof(Event)) {
            Event event;
            std::memcpy(&event, heard.data() + at, sizeof event);
            tell(event);
        }
        heard.erase(0, at);
    };
    // The window repaints and the log goes on while the writer works; the operator's input
    // waits until the save is over, even before a progress box shows.
    const bool pump = QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
    const auto idle = [pump] {
        if (pump)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    };
    const platform::child::Outcome outcome =
        platform::child::run({writerProgram().toStdString(), std::to_string(SilenceMs)}, {document, output}, SilenceMs,
                             hear, idle, jobOf(insert, pages));

    switch (outcome.kind) {
    case platform::child::Outcome::NotStarted:
        qWarning().noquote() << "Failed to start the PDF writer" << writerProgram() << "for:" << path;
        result.failure.reason = SaveFailure::WriterStopped;
        break;
    case platform::child::Outcome::Died:
        qWarning().noquote() << "PDF writer stopped by signal" << outcome.code << "while saving:" << path;
        if (result.failure.reason != SaveFailure::NoMemory) // pdfium's end for want of memory
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
        if (outcome.code == 127) {
            qWarning().noquote() << "The PDF writer could not be run:" << writerProgram();
            result.failure.reason = SaveFailure::WriterStopped;
        }
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
    if (endedByFault(outcome) && result.failure.reason != SaveFailure::NoMemory)
        qFatal("PDF writer: memory error while saving %s", qPrintable(path));
#endif
    return result;
}
