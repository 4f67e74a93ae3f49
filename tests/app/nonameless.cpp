// Preloaded: O_TMPFILE is refused as by a network folder or a FAT stick; with NONAMELESS_KILL_AT_FLUSH=N
// the program is killed at its Nth fdatasync, when a file about to take a name is there.
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>

extern "C" int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? mode_t(va_arg(args, int)) : 0;
    va_end(args);
    if ((flags & O_TMPFILE) == O_TMPFILE)
        return errno = EOPNOTSUPP, -1;
    return reinterpret_cast<int (*)(const char *, int, ...)>(dlsym(RTLD_NEXT, "open"))(path, flags, mode);
}

extern "C" int fdatasync(int fd)
{
    static int calls = 0;
    const char *killAt = std::getenv("NONAMELESS_KILL_AT_FLUSH");
    if (killAt && ++calls == std::atoi(killAt))
        std::raise(SIGKILL);
    return reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"))(fd);
}
