#include "platform/ScratchFile.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

int copyRange(int from, int to, off_t start, off_t end)
{
    off_t in = start;
    off_t out = start;
    while (in < end) {
        const ssize_t n = copy_file_range(from, &in, to, &out, size_t(end - in), 0);
        if (n > 0)
            continue;
        if (n == 0)
            return EIO; // the file ended early
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return errno;
        // File systems that cannot copy between each other: through memory.
        std::vector<char> buffer(1 << 20);
        while (in < end) {
            const ssize_t got = pread(from, buffer.data(), std::min<size_t>(buffer.size(), size_t(end - in)), in);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return got < 0 ? errno : EIO;
            for (ssize_t done = 0; done < got;) {
                const ssize_t put = pwrite(to, buffer.data() + done, size_t(got - done), out);
                if (put < 0 && errno == EINTR)
                    continue;
                if (put <= 0)
                    return put < 0 ? errno : EIO;
                done += put;
                out += put;
            }
            in += got;
        }
    }
    return 0;
}

// Copies the data of `from`, `size` bytes long, into the empty `to`; holes stay holes, and
// where the file system shares blocks between files none are copied.
int copyContents(int from, int to, off_t size)
{
    if (ioctl(to, FICLONE, from) == 0)
        return 0;
    for (off_t at = 0; at < size;) {
        const off_t data = lseek(from, at, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break; // nothing but a hole up to the end
            return copyRange(from, to, at, size);
        }
        off_t hole = lseek(from, data, SEEK_HOLE);
        if (hole < 0 || hole > size)
            hole = size;
        if (const int error = copyRange(from, to, data, hole))
            return error;
        at = hole;
    }
    return ftruncate(to, size) == 0 ? 0 : errno;
}

// The regular file at `path`, open for reading; a pipe or a device is refused with EINVAL
// without waiting for a writer or for the device.
int openRegular(const std::string &path, int *fd, struct stat *info)
{
    *fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (*fd < 0)
        return errno;
    const int error = fstat(*fd, info) != 0 ? errno : S_ISREG(info->st_mode) ? 0 : EINVAL;
    if (error) {
        ::close(*fd);
        *fd = -1;
    }
    return error;
}

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

ScratchFile::~ScratchFile()
{
    close();
}

void ScratchFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_name.empty())
        unlink(m_name.c_str());
    m_fd = -1;
    m_name.clear();
}

int ScratchFile::create(const std::string &folder)
{
    close();
    m_fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (m_fd >= 0)
        return 0;
    if (errno != EOPNOTSUPP && errno != EISDIR)
        return errno;
    std::string name = folder + "/.scratch.XXXXXX";
    m_fd = mkostemp(&name[0], O_CLOEXEC);
    if (m_fd < 0)
        return errno;
    m_name = name;
    return 0;
}

int ScratchFile::copyOf(const std::string &path, const std::string &folder)
{
    int from = -1;
    struct stat info;
    if (const int error = openRegular(path, &from, &info))
        return error;
    int error = create(folder);
    if (!error)
        error = copyContents(from, m_fd, info.st_size);
    ::close(from);
    if (error)
        close();
    return error;
}

int ScratchFile::openFile(const std::string &path)
{
    close();
    struct stat info;
    return openRegular(path, &m_fd, &info);
}

int ScratchFile::putOver(const ScratchFile &source, const std::string &path)
{
    ScratchFile copy;
    if (const int error = copy.create(folderOf(path)))
        return error;
    struct stat existing;
    if (stat(path.c_str(), &existing) == 0 && fchmod(copy.m_fd, existing.st_mode & 07777) != 0)
        return errno;
    if (const int error = copyContents(source.m_fd, copy.m_fd, source.size()))
        return error;
    return copy.publish(path);
}

int ScratchFile::publish(const std::string &path)
{
    if (!m_name.empty()) {
        if (rename(m_name.c_str(), path.c_str()) != 0)
            return errno;
        m_name.clear();
        return 0;
    }
    // A nameless file takes a name of its own beside the path first, as a link cannot replace a file.
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    for (int attempt = 0;; ++attempt) {
        const std::string name = path + "." + std::to_string(getpid()) + "." + std::to_string(attempt) + ".part";
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST && attempt < 100)
                continue;
            return errno;
        }
        if (rename(name.c_str(), path.c_str()) != 0) {
            const int error = errno;
            unlink(name.c_str());
            return error;
        }
        return 0;
    }
}

int64_t ScratchFile::size() const
{
    struct stat info;
    return fstat(m_fd, &info) == 0 ? int64_t(info.st_size) : -1;
}

bool ScratchFile::readAt(int64_t offset, void *data, size_t size) const
{
    char *bytes = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t n = pread(m_fd, bytes, size, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        offset += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace platform
