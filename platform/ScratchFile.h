#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/stat.h>

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
    // The regular file at `path` itself, for reading; changed() tells when it no longer holds
    // what it held now.
    int openFile(const std::string &path);
    // Puts a copy of `source` in place of the file that `path` names through any links, with
    // the permissions of the file it replaces or those of a new file, without ever leaving a
    // half-written file there. EACCES for a write-protected file, EISDIR for anything but a file.
    static int putOver(const ScratchFile &source, const std::string &path);
    // Gives this file's bytes the name `path`, replacing whatever file has it.
    int publish(const std::string &path);
    // Each step that made a file's bytes or name lasting, once taken ("flush", "link", "rename",
    // "flush folder"), for the log.
    static void setTrace(void (*trace)(const char *step, const std::string &path));

    int fd() const { return m_fd; }
    int64_t size() const;
    // False unless all of `size` bytes at `offset` were read.
    bool readAt(int64_t offset, void *data, size_t size) const;
    // For a file opened by openFile: its size, modification time or identity is not what it was.
    bool changed() const;

private:
    void close();
    int flushAndLink(const std::string &path) const;

    int m_fd = -1;
    bool m_linkable = false; // nameless (O_TMPFILE): a name can be given to it
    bool m_watched = false;
    struct stat m_opened = {};
};

} // namespace platform
