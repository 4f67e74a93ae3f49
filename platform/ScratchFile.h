#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A file of this process's own that has no name while it is written, so nothing of it is left
// behind however the process ends; once complete it may take a name. Also a private copy of a
// document taken when it is opened, which no later change of the file on disk reaches.
class ScratchFile
{
public:
    ScratchFile() = default;
    // Takes over a descriptor open for reading (and writing, for a file to be written).
    explicit ScratchFile(int fd) : m_fd(fd) {}
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;
    ~ScratchFile();

    // Each returns 0, or the system's error number with nothing created; a file at `path`
    // that is not a regular file gives EINVAL at once, whoever holds its other end.
    // An empty file in `folder`.
    int create(const std::string &folder);
    // A copy in `folder` of the regular file at `path` as it is now; holes stay holes.
    int copyOf(const std::string &path, const std::string &folder);
    // The regular file at `path` itself, for reading.
    int openFile(const std::string &path);
    // Puts a copy of `source` at `path` with the permissions of the file it replaces, without
    // ever leaving a half-written file there.
    static int putOver(const ScratchFile &source, const std::string &path);
    // Gives this file the name `path`, replacing whatever file has it.
    int publish(const std::string &path);

    int fd() const { return m_fd; }
    int64_t size() const;
    // False unless all of `size` bytes at `offset` were read.
    bool readAt(int64_t offset, void *data, size_t size) const;

private:
    void close();

    int m_fd = -1;
    std::string m_name; // where no nameless file could be made: removed when closed
};

} // namespace platform
