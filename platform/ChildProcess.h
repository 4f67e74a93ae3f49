#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Runs work in a forked copy of this process, so a library that stops the process on a failed
// internal check, or never returns, takes only the copy down. The copy shares nothing with this
// process after the fork: the work must not use Qt, the log or any lock that another thread of
// this process might hold, and reaches the caller only through `report` and descriptors it was
// given. The copy never outlives this process nor its own time bound, and holds no descriptor
// of this process but the standard streams and those it was given, so a copy left behind can
// keep no window, device or lock of the program. Called from one thread at a time.
namespace child {

struct Outcome
{
    enum Kind {
        Finished, // `code` is what the work returned
        Died,     // `code` is the signal that ended it
        TimedOut, // killed after the time bound
        NotStarted,
        SanitizerReport, // a sanitizer found an error in the copy (sanitizer builds only)
    };
    Kind kind = NotStarted;
    int code = 0;
    std::string report; // every byte the work wrote to its report descriptor
};

// `work` gets the descriptor of its report channel and returns the exit code of the copy; of
// this process's descriptors the copy keeps only those in `keep` (and the standard streams).
Outcome run(const std::function<int(int report)> &work, int timeoutMs, const std::vector<int> &keep = {});

// Writes all of `size` bytes to `fd`; 0 on success, else the system's error number. Safe in the copy.
int writeAll(int fd, const void *data, size_t size);

} // namespace child
} // namespace platform
