#include "platform/MachineLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Never follows a symbolic link; creates the file for everyone. An existing file is opened
// without O_CREAT, which sticky shared folders refuse for files of other users.
int openLockFile(const std::string &path)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        for (int mode : {O_RDWR, O_RDONLY}) {
            const int fd = ::open(path.c_str(), mode | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0)
                return fd;
            if (errno != EACCES)
                break;
        }
        if (errno != ENOENT)
            return -1;
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::fchmod(fd, 0666);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

} // namespace

std::string MachineLock::pathFor(const std::string &name)
{
    struct stat st;
    const bool runLock = ::stat("/run/lock", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/run/lock", W_OK) == 0;
    return std::string(runLock ? "/run/lock" : "/tmp") + "/" + name;
}

MachineLock::MachineLock(const std::string &name)
{
    const int fd = openLockFile(pathFor(name));
    if (fd < 0)
        return;
    int r;
    do
        r = ::flock(fd, LOCK_EX);
    while (r != 0 && errno == EINTR);
    if (r != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

MachineLock::~MachineLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace platform
