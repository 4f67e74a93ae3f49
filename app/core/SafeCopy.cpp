#include "SafeCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool SafeCopy::copyOver(const QString &source, const QString &target)
{
    const QFileInfo existing(target);
    if (existing.exists()) {
        // Renaming over it would succeed even when the file itself is write-protected.
        if (!existing.isFile() || !existing.isWritable() || !(existing.permissions() & QFileDevice::WriteOwner))
            return false;
    }
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n == 0)
            return out.commit();
        if (n < 0 || out.write(buffer, n) != n) {
            out.cancelWriting();
            return false;
        }
    }
}
