#include "SafeCopy.h"

#include <QFileInfo>
#include <QSaveFile>

bool SafeCopy::putOver(const QByteArray &bytes, const QString &target)
{
    const QFileInfo existing(target);
    if (existing.exists()) {
        // Renaming over it would succeed even when the file itself is write-protected.
        if (!existing.isFile() || !existing.isWritable() || !(existing.permissions() & QFileDevice::WriteOwner))
            return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
