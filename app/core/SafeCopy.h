#pragma once

#include <QByteArray>
#include <QString>

// Puts a document in place of a target without ever leaving the target half written: the
// bytes go to a temporary file beside it, which then takes the target's name.
class SafeCopy
{
public:
    // False, with the target untouched, when the target is a read-only file or not a file, or
    // the bytes cannot be written completely.
    static bool putOver(const QByteArray &bytes, const QString &target);
};
