#include "platform/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef INKWARDEN_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

namespace platform {
namespace child {

namespace {

// How a copy that a sanitizer stopped ends; the sanitizer's report is on its standard error.
constexpr int SanitizerExit = 86;

// The process's own crash handlers (sanitizers, fuzzers, the log) would run in the copy, take
// locks and write files: there a fault is reported by the signal alone. The alarm is the copy's
// own bound, and whatever the forking thread had blocked must not keep it from ending.
void dieByDefault()
{
    for (int sig : {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE, SIGTRAP, SIGSYS, SIGALRM}) {
        struct sigaction action = {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        sigaction(sig, &action, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
#ifdef INKWARDEN_SANITIZED
    __sanitizer_set_death_callback([] { _exit(SanitizerExit); });
#endif
}

// Closes every descriptor but those of `keep`, which is sorted.
void keepOnly(const std::vector<int> &keep)
{
    unsigned int from = 0;
    for (int fd : keep) {
        if (unsigned(fd) > from)
            close_range(from, unsigned(fd) - 1, 0);
        from = std::max(from, unsigned(fd) + 1);
    }
    close_range(from, ~0U, 0);
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

Outcome run(const std::function<int(int report)> &work, int timeoutMs, const std::vector<int> &keep)
{
    Outcome outcome;
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0)
        return outcome;
    std::vector<int> kept = keep;
    kept.insert(kept.end(), {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO, channel[1]});
    std::sort(kept.begin(), kept.end());
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        close(channel[0]);
        close(channel[1]);
        return outcome;
    }
    if (pid == 0) {
        // Killed when the forking thread ends, which outlives the wait below; a caller gone
        // before the request took hold is seen here.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        keepOnly(kept);
        dieByDefault();
        // For a caller that stops waiting without ending (stopped or frozen), a little after its own bound.
        alarm(unsigned(timeoutMs / 1000 + 2));
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
    bool ended = false;
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
        else if (n == 0)
            ended = true;
        if (n == 0 || (n < 0 && errno != EINTR))
            break;
    }
    close(channel[0]);
    // However the wait stopped, a copy whose report has not ended may run on: the wait for it
    // must not be unbounded.
    if (!ended)
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
#ifdef INKWARDEN_SANITIZED
        if (outcome.code == SanitizerExit)
            outcome.kind = Outcome::SanitizerReport;
#endif
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
