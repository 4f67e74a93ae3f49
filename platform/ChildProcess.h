#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Runs a program of its own for work that may stop its process on a failed internal check, or
// never return, so that only that program goes down. The program starts fresh (a fork followed
// at once by the exec, with nothing but system calls between, so no lock of this threaded
// process is ever taken in the copy). It holds none of this process's descriptors but the
// standard streams and those it was given, never outlives this process, and is stopped when its
// report stays silent for the bound; it keeps its own bound by calling stillAlive().
namespace child {

// How a program that a sanitizer stopped ends; the sanitizer's report is on its standard error.
constexpr int SanitizerExit = 86;

struct Outcome
{
    enum Kind {
        Finished, // `code` is what the program returned
        Died,     // `code` is the signal that ended it
        Silent,   // reported nothing for the bound and was killed
        NotStarted,      // `code` is the system's error number when the program could not be run
        SanitizerReport, // a sanitizer found an error in it (sanitizer builds only)
    };
    Kind kind = NotStarted;
    int code = 0;
};

// The program's input, piece after piece as it takes them: each call gives the next bytes, which
// stay valid until the next call; an empty piece ends the input.
using Feed = std::function<std::string_view()>;

// Starts `argv` with what `feed` gives on its standard input, the descriptors of `give` as its
// 3, 4, ... in that order and the write end of its report channel right after them. `heard` gets
// each piece of the report as it comes, and `idle` runs at least every few tens of milliseconds
// while the program runs (the caller's events). Taking its input counts as a report. Called
// from one thread at a time.
Outcome run(const std::vector<std::string> &argv, const std::vector<int> &give, int silenceMs,
            const std::function<void(const char *, size_t)> &heard = {}, const std::function<void()> &idle = {},
            const Feed &feed = {});

// In the started program: it is stopped unless it calls this again within `boundMs`.
void stillAlive(int boundMs);

// Writes all of `size` bytes to `fd`; 0 on success, else the system's error number.
int writeAll(int fd, const void *data, size_t size);
// Reads all of `size` bytes from `fd`; 0 on success, EIO when it ends first, else the system's error number.
int readAll(int fd, void *data, size_t size);

} // namespace child
} // namespace platform
