#include "platform/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace child {

namespace {

// The process's own crash handlers (sanitizers, fuzzers, the log) would run in the copy, take
// locks and write files: there a fault is reported by the signal alone.
void dieByDefault()
{
    for (int sig : {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE, SIGTRAP, SIGSYS}) {
        struct sigaction action = {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        sigaction(sig, &action, nullptr);
    }
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

Outcome run(const std::function<int(int report)> &work, int timeoutMs)
{
    Outcome outcome;
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0)
        return outcome;
    const pid_t pid = fork();
    if (pid < 0) {
        close(channel[0]);
        close(channel[1]);
        return outcome;
    }
    if (pid == 0) {
        close(channel[0]);
        dieByDefault();
        int code = 127;
        try {
            code = work(channel[1]);
        } catch (...) {
            // Unwinding any further would run this process's own code in the copy.
        }
        _exit(code);
    }
    close(channel[1]);

    // The report ends when the copy closes its end, which it does by ending in any way.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool timedOut = false;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd fd = {channel[0], POLLIN, 0};
        const int ready = poll(&fd, 1, int(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        const ssize_t n = read(channel[0], buffer, sizeof buffer);
        if (n > 0)
            outcome.report.append(buffer, size_t(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(channel[0]);
    if (timedOut)
        kill(pid, SIGKILL);
    const int status = waitFor(pid);
    if (timedOut) {
        outcome.kind = Outcome::TimedOut;
    } else if (WIFSIGNALED(status)) {
        outcome.kind = Outcome::Died;
        outcome.code = WTERMSIG(status);
    } else {
        outcome.kind = Outcome::Finished;
        outcome.code = WEXITSTATUS(status);
    }
    return outcome;
}

int writeAll(int fd, const void *data, size_t size)
{
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes += n;
        size -= size_t(n);
    }
    return 0;
}

} // namespace child
} // namespace platform
