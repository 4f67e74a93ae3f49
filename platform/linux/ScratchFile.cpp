#include "platform/ScratchFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <random>
#include <string>
#include <utility>
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

void (*s_trace)(const char *, const std::string &) = nullptr;

void traced(const char *step, const std::string &path)
{
    if (s_trace)
        s_trace(step, path);
}

// Short, so that any name the file system takes can be a target beside it.
constexpr char TemporaryPrefix[] = ".inkwarden-";

std::string temporaryName(const std::string &folder)
{
    static thread_local std::mt19937 random{std::random_device{}()};
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = folder + "/" + TemporaryPrefix;
    for (int i = 0; i < 8; ++i)
        name += letters[random() % (sizeof letters - 1)];
    return name;
}

// Held while any descriptor of the file is open, and dropped by the system when its maker dies.
bool lockFile(int fd)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool isNamed(int fd, const std::string &name)
{
    struct stat open, named;
    return fstat(fd, &open) == 0 && lstat(name.c_str(), &named) == 0 && open.st_dev == named.st_dev
           && open.st_ino == named.st_ino;
}

// Removes the temporaries of copies of the program that died before renaming or removing them:
// a live maker holds the lock of its temporary.
void sweep(const std::string &folder)
{
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent *entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, TemporaryPrefix, sizeof TemporaryPrefix - 1) != 0)
            continue;
        const std::string name = folder + "/" + entry->d_name;
        const int fd = open(name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info;
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && lockFile(fd) && isNamed(fd, name))
            unlink(name.c_str());
        ::close(fd);
    }
    closedir(dir);
}

// A new file under a short name of its own in `folder`, locked: the descriptor, or minus the error.
int namedTemporary(const std::string &folder, std::string *name)
{
    sweep(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = temporaryName(folder);
        const int fd = open(name->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -errno;
        }
        // A sweep may have taken it before the lock; a file system without locks has none to take.
        const bool locked = lockFile(fd) || (errno != EAGAIN && errno != EACCES);
        if (locked && isNamed(fd, *name))
            return fd;
        ::close(fd);
    }
    return -EEXIST;
}

// A file without a name in `folder`, locked, so that a sweep leaves its name alone between link
// and rename: the descriptor, or minus the error.
int openNameless(const std::string &folder)
{
    const int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0)
        return -errno;
    lockFile(fd);
    return fd;
}

int flushData(int fd, const std::string &path)
{
    if (fdatasync(fd) != 0)
        return errno;
    traced("flush", path);
    return 0;
}

int flushFolder(const std::string &folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    // Some file systems flush a folder with its files, and refuse to be asked.
    const int error = fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    if (!error)
        traced("flush folder", folder);
    return error;
}

// Where a nameless file cannot take a name: the bytes under a short name beside `path` for as
// long as they are written and flushed, then renamed over it. `mode` 0: a new file's.
int replaceByName(const ScratchFile &source, const std::string &path, mode_t mode)
{
    const std::string folder = folderOf(path);
    std::string name;
    const int fd = namedTemporary(folder, &name);
    if (fd < 0)
        return -fd;
    int error = mode && fchmod(fd, mode) != 0 ? errno : 0;
    if (!error)
        error = copyContents(source.fd(), fd, source.size());
    if (!error)
        error = flushData(fd, path);
    if (!error)
        error = rename(name.c_str(), path.c_str()) == 0 ? 0 : errno;
    if (!error)
        traced("rename", path);
    if (error)
        unlink(name.c_str());
    ::close(fd);
    return error ? error : flushFolder(folder);
}

// The file `path` names through any chain of links; itself when it is none, or names nothing yet.
int followLinks(const std::string &path, std::string *real)
{
    *real = path;
    for (int hops = 0; hops <= 40; ++hops) {
        char target[PATH_MAX];
        const ssize_t n = readlink(real->c_str(), target, sizeof target);
        if (n < 0)
            return errno == EINVAL || errno == ENOENT ? 0 : errno;
        if (size_t(n) == sizeof target)
            return ENAMETOOLONG;
        const std::string next(target, size_t(n));
        *real = next.front() == '/' ? next : folderOf(*real) + "/" + next;
    }
    return ELOOP;
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
    m_fd = -1;
    m_linkable = false;
    m_watched = false;
}

void ScratchFile::setTrace(void (*trace)(const char *step, const std::string &path))
{
    s_trace = trace;
}

int ScratchFile::create(const std::string &folder)
{
    close();
    m_fd = openNameless(folder);
    m_linkable = m_fd >= 0;
    if (m_linkable)
        return 0;
    if (m_fd != -EOPNOTSUPP && m_fd != -EISDIR)
        return -std::exchange(m_fd, -1);
    // No nameless files here: a name only until it is removed again, the descriptor serves.
    std::string name;
    m_fd = namedTemporary(folder, &name);
    if (m_fd < 0)
        return -std::exchange(m_fd, -1);
    unlink(name.c_str());
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
    const int error = openRegular(path, &m_fd, &m_opened);
    m_watched = !error;
    return error;
}

bool ScratchFile::changed() const
{
    struct stat now;
    if (!m_watched)
        return false;
    // Read through the descriptor, a file moved over the path or removed changes nothing here.
    return fstat(m_fd, &now) != 0 || now.st_size != m_opened.st_size || now.st_mtim.tv_sec != m_opened.st_mtim.tv_sec
           || now.st_mtim.tv_nsec != m_opened.st_mtim.tv_nsec;
}

int ScratchFile::putOver(const ScratchFile &source, const std::string &path)
{
    std::string real;
    if (const int error = followLinks(path, &real))
        return error;
    struct stat existing;
    const bool exists = stat(real.c_str(), &existing) == 0;
    if (exists) {
        if (!S_ISREG(existing.st_mode))
            return EISDIR;
        // Renaming over it would succeed even when the file itself is write-protected.
        if (!(existing.st_mode & S_IWUSR) || access(real.c_str(), W_OK) != 0)
            return EACCES;
    }
    const mode_t mode = exists ? existing.st_mode & 07777 : 0;
    ScratchFile copy(openNameless(folderOf(real)));
    if (copy.m_fd == -EOPNOTSUPP || copy.m_fd == -EISDIR)
        return replaceByName(source, real, mode);
    if (copy.m_fd < 0)
        return -std::exchange(copy.m_fd, -1);
    if (mode && fchmod(copy.m_fd, mode) != 0)
        return errno;
    if (const int error = copyContents(source.m_fd, copy.m_fd, source.size()))
        return error;
    return copy.flushAndLink(real);
}

int ScratchFile::publish(const std::string &path)
{
    return m_linkable ? flushAndLink(path) : replaceByName(*this, path, 0);
}

int ScratchFile::flushAndLink(const std::string &path) const
{
    if (const int error = flushData(m_fd, path))
        return error;
    const std::string folder = folderOf(path);
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    const auto link = [&self](const std::string &name) {
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
            return errno;
        traced("link", name);
        return 0;
    };
    int error = link(path); // a new file takes its name at once
    if (error == EEXIST) {
        // A link cannot replace a file: a short name of its own beside the path first.
        sweep(folder);
        std::string name;
        for (int attempt = 0; (error = link(name = temporaryName(folder))) == EEXIST && attempt < 100; ++attempt) {
        }
        if (!error && rename(name.c_str(), path.c_str()) != 0) {
            error = errno;
            unlink(name.c_str());
        } else if (!error) {
            traced("rename", path);
        }
    }
    return error ? error : flushFolder(folder);
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
