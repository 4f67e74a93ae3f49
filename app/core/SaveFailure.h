#pragma once

#include <QString>

// Why a document could not be saved, and what could not be written, in the terms the operator
// is told.
class SaveFailure
{
public:
    enum Reason {
        NotWritten,
        Permission,
        DiskFull,
        FolderMissing,
        Damaged,
        FolderNotCreated,
        NoMemory,
        WriterStopped, // the PDF writer ended before it finished
        WriterSilent,  // the PDF writer reported nothing for its bound and was stopped
        WriterNotStarted, // `file` is the writer
        PageNotLoaded,    // `page` is the page
        OutputTooLarge,   // the written document would pass 2 GiB
        DocumentTooLarge, // it holds more than the PDF library can write in one piece
        FileChanged,      // the file serving as the session's copy changed on disk
    };

    Reason reason = NotWritten;
    // The file or folder that failed; empty when it was the document's target.
    QString file;
    int page = 0; // counted from 1

    // The reason behind a system error number from a failed write at `path`.
    static Reason ofError(int error, const QString &path);
    // The outermost folder of `folder` that could not be made, and why.
    static SaveFailure ofFolder(const QString &folder);
    // The language-table key of the reason's text.
    static const char *key(Reason reason);
    // The reason's text in the current language.
    QString text() const;
};
