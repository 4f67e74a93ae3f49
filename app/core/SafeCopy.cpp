#include "SafeCopy.h"

#include "platform/ScratchFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

int SafeCopy::putOver(const platform::ScratchFile &source, const QString &target)
{
    const QFileInfo existing(target);
    if (existing.exists()) {
        // Renaming over it would succeed even when the file itself is write-protected.
        if (!existing.isFile())
            return EISDIR;
        if (!existing.isWritable() || !(existing.permissions() & QFileDevice::WriteOwner))
            return EACCES;
    }
    return platform::ScratchFile::putOver(source, QFile::encodeName(target).toStdString());
}
