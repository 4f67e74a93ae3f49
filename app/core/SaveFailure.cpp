#include "SaveFailure.h"

#include "LanguageManager.h"

#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>

SaveFailure SaveFailure::ofFolder(const QString &folder)
{
    QString missing = QFileInfo(folder).absoluteFilePath();
    for (QString up = QFileInfo(missing).absolutePath(); up != missing && !QFileInfo(up).isDir();
         up = QFileInfo(missing).absolutePath())
        missing = up;
    const QFileInfo parent(QFileInfo(missing).absolutePath());
    SaveFailure failure;
    failure.file = missing;
    failure.reason = FolderNotCreated;
    if (parent.isDir() && !parent.isWritable())
        failure.reason = Permission;
    else if (QStorageInfo(parent.absoluteFilePath()).bytesAvailable() == 0)
        failure.reason = DiskFull;
    return failure;
}

SaveFailure::Reason SaveFailure::ofError(int error, const QString &path)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return Permission;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DiskFull;
    case ENOMEM:
        return NoMemory;
    case ENOENT:
    case ENOTDIR:
        // A folder that is there but takes no new file (as under /proc) is no missing folder.
        return QFileInfo(QFileInfo(path).absolutePath()).isDir() ? NotWritten : FolderMissing;
    default:
        return NotWritten;
    }
}

const char *SaveFailure::key(Reason reason)
{
    switch (reason) {
    case Permission:
        return "save_reason_permission";
    case DiskFull:
        return "save_reason_disk_full";
    case FolderMissing:
        return "save_reason_folder_missing";
    case Damaged:
        return "save_reason_damaged";
    case FolderNotCreated:
        return "save_reason_folder_not_created";
    case NoMemory:
        return "save_reason_no_memory";
    case WriterStopped:
        return "save_reason_writer_stopped";
    case WriterSilent:
        return "save_reason_writer_silent";
    case WriterNotStarted:
        return "save_reason_writer_not_started";
    case PageNotLoaded:
        return "save_reason_page_not_loaded";
    case OutputTooLarge:
        return "save_reason_output_too_large";
    case DocumentTooLarge:
        return "save_reason_document_too_large";
    case FileChanged:
        return "save_reason_file_changed";
    case NotWritten:
        break;
    }
    return "save_reason_not_written";
}

QString SaveFailure::text() const
{
    const QString text = translated(key(reason));
    return reason == PageNotLoaded ? text.arg(page) : text;
}
