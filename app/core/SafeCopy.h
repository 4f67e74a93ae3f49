#pragma once

#include <QString>

namespace platform {
class ScratchFile;
}

// Puts a document in place of a target without ever leaving the target half written: the
// bytes go to a nameless file beside it, which then takes the target's name.
class SafeCopy
{
public:
    // 0, or the system's error number with the target untouched: EACCES for a read-only file,
    // EISDIR for anything but a file.
    static int putOver(const platform::ScratchFile &source, const QString &target);
};
