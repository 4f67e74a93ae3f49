#pragma once

#include <QString>

// Puts a copy of a file in place of a target without ever leaving the target half written:
// the bytes go to a temporary file beside it, which then takes the target's name.
class SafeCopy
{
public:
    // False, with the target untouched, when the source cannot be read, the target is a
    // read-only file or not a file, or the copy cannot be written completely.
    static bool copyOver(const QString &source, const QString &target);
};
