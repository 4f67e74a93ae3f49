#include "platform/InterruptibleWait.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

InterruptibleWait::InterruptibleWait() : m_stopFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

InterruptibleWait::~InterruptibleWait()
{
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

InterruptibleWait::Outcome InterruptibleWait::wait(int fd)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) >= 0)
            break;
        if (errno != EINTR)
            return Ended;
    }
    if (fds[1].revents)
        return Ended;
    return (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) ? Broken : Readable;
}

void InterruptibleWait::interrupt()
{
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_stopFd, &one, sizeof one);
}

} // namespace platform
