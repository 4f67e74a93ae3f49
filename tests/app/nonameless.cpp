// Preloaded into a program, acts as a file system without nameless files (a network folder, a
// FAT stick): opening with O_TMPFILE is refused as there. With NONAMELESS_KILL_AT_FLUSH=N the
// program is killed at its Nth fdatasync, a moment when a file to be renamed is there.
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>

namespace {

template<typename Open>
int refuseNameless(const char *symbol, const char *path, int flags, va_list args)
{
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    const mode_t mode = (flags & O_CREAT) ? mode_t(va_arg(args, int)) : 0;
    return reinterpret_cast<Open>(dlsym(RTLD_NEXT, symbol))(path, flags, mode);
}

} // namespace

extern "C" int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = refuseNameless<int (*)(const char *, int, ...)>("open", path, flags, args);
    va_end(args);
    return fd;
}

extern "C" int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = refuseNameless<int (*)(const char *, int, ...)>("open64", path, flags, args);
    va_end(args);
    return fd;
}

extern "C" int fdatasync(int fd)
{
    static int calls = 0;
    const char *killAt = std::getenv("NONAMELESS_KILL_AT_FLUSH");
    if (killAt && ++calls == std::atoi(killAt))
        std::raise(SIGKILL);
    return reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"))(fd);
}
