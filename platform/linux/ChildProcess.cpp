#include "platform/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace child {

namespace {

// How often the caller's events run while the program works.
constexpr int IdleMs = 30;

unsigned int alarmSeconds(int boundMs)
{
    return unsigned(std::max(1, boundMs / 1000 + 2));
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

void closeAll(const std::vector<int> &fds)
{
    for (int fd : fds) {
        if (fd >= 0)
            close(fd);
    }
}

// Repeats a read or write until all of `size` bytes went through: 0, or the system's error number
// (EIO when the other end is gone).
template <typename Byte, typename Call>
int transferAll(Call call, int fd, Byte *bytes, size_t size)
{
    while (size > 0) {
        const ssize_t n = call(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes += n;
        size -= size_t(n);
    }
    return 0;
}

} // namespace

Outcome run(const std::vector<std::string> &argv, const std::vector<int> &give, int silenceMs,
            const std::function<void(const char *, size_t)> &heard, const std::function<void()> &idle,
            const Feed &feed)
{
    Outcome outcome;
    if (argv.empty())
        return outcome;
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0)
        return outcome;
    // A socket, not a pipe: a program gone before it took all of its input must not raise SIGPIPE here.
    int input[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0) {
        close(channel[0]);
        close(channel[1]);
        return outcome;
    }
    // Closed unread by a successful exec; else the copy writes why the exec failed.
    int started[2];
    if (pipe2(started, O_CLOEXEC) != 0) {
        closeAll({channel[0], channel[1], input[0], input[1]});
        return outcome;
    }
    shutdown(input[0], SHUT_RD);
    shutdown(input[1], SHUT_WR);
    // Above every number the program gets, so no move in the copy overwrites a descriptor still to be moved.
    const int first = STDERR_FILENO + 1;
    const int count = int(give.size()) + 1;
    std::vector<int> moved = {fcntl(input[1], F_DUPFD_CLOEXEC, first + count)};
    close(input[1]);
    for (int fd : give)
        moved.push_back(fcntl(fd, F_DUPFD_CLOEXEC, first + count));
    moved.push_back(fcntl(channel[1], F_DUPFD_CLOEXEC, first + count));
    close(channel[1]);
    const int told = fcntl(started[1], F_DUPFD_CLOEXEC, first + count);
    close(started[1]);
    if (std::find(moved.begin(), moved.end(), -1) != moved.end() || told < 0) {
        closeAll(moved);
        closeAll({channel[0], input[0], started[0], told});
        return outcome;
    }
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    const unsigned int bound = alarmSeconds(silenceMs);
    const pid_t parent = getpid();

    const pid_t pid = fork();
    if (pid == 0) {
        // Only system calls from here to the exec: another thread may hold any lock of this process.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        dup2(moved[0], STDIN_FILENO);
        for (int i = 0; i < count; ++i)
            dup2(moved[size_t(i) + 1], first + i);
        if (told > first + count)
            close_range(unsigned(first + count), unsigned(told - 1), 0);
        close_range(unsigned(told + 1), ~0U, 0);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        // The program's own bound until it first says it is alive, kept across the exec.
        alarm(bound);
        execv(args[0], args.data());
        const int error = errno;
        (void)!write(told, &error, sizeof error);
        _exit(127);
    }
    closeAll(moved);
    close(told);
    if (pid < 0) {
        closeAll({channel[0], input[0], started[0]});
        return outcome;
    }
    int error = 0;
    ssize_t toldBytes;
    while ((toldBytes = read(started[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(started[0]);
    if (toldBytes == sizeof error) {
        closeAll({channel[0], input[0]});
        waitFor(pid);
        outcome.code = error;
        return outcome;
    }
    const auto endFeed = [&input] {
        if (input[0] >= 0)
            close(input[0]);
        input[0] = -1;
    };
    if (!feed)
        endFeed();
    std::string_view piece;

    // The report ends when the program closes its end, which it does by ending in any way.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(silenceMs);
    bool ended = false;
    bool silent = false;
    char buffer[4096];
    try {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                silent = true;
                break;
            }
            pollfd fds[2] = {{channel[0], POLLIN, 0}, {input[0], POLLOUT, 0}};
            const int ready = poll(fds, input[0] >= 0 ? 2 : 1, int(std::min<long long>(left.count(), IdleMs)));
            if (ready < 0 && errno != EINTR)
                break;
            // As much of the input as the program's side takes now.
            while (ready > 0 && input[0] >= 0 && fds[1].revents) {
                if (piece.empty())
                    piece = feed();
                if (piece.empty()) {
                    endFeed();
                    break;
                }
                const ssize_t n = send(input[0], piece.data(), piece.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0) {
                    piece.remove_prefix(size_t(n));
                    deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(silenceMs);
                    continue;
                }
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    break;
                endFeed(); // the program took no more
            }
            if (ready > 0 && fds[0].revents) {
                const ssize_t n = read(channel[0], buffer, sizeof buffer);
                if (n > 0) {
                    deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(silenceMs);
                    if (heard)
                        heard(buffer, size_t(n));
                }
                if (n == 0)
                    ended = true;
                if (n == 0 || (n < 0 && errno != EINTR))
                    break;
            }
            if (idle)
                idle();
        }
    } catch (...) {
        // A callback of the caller's failed (as for want of memory): the program goes first.
        close(channel[0]);
        endFeed();
        kill(pid, SIGKILL);
        waitFor(pid);
        throw;
    }
    close(channel[0]);
    endFeed();
    // However the wait stopped, a program whose report has not ended may run on.
    if (!ended)
        kill(pid, SIGKILL);
    const int status = waitFor(pid);
    if (silent) {
        outcome.kind = Outcome::Silent;
    } else if (WIFSIGNALED(status)) {
        outcome.kind = Outcome::Died;
        outcome.code = WTERMSIG(status);
    } else {
        outcome.kind = Outcome::Finished;
        outcome.code = WEXITSTATUS(status);
#ifdef INKWARDEN_SANITIZED
        if (outcome.code == SanitizerExit)
            outcome.kind = Outcome::SanitizerReport;
#endif
    }
    return outcome;
}

void stillAlive(int boundMs)
{
    alarm(alarmSeconds(boundMs));
}

int writeAll(int fd, const void *data, size_t size)
{
    return transferAll(::write, fd, static_cast<const char *>(data), size);
}

int readAll(int fd, void *data, size_t size)
{
    return transferAll(::read, fd, static_cast<char *>(data), size);
}

} // namespace child
} // namespace platform
