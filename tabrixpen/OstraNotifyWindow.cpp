#include "OstraNotifyWindow.h"

#include "NotifyMatcher.h"
#include "TabletModels.h"
#include "platform/Hid.h"

#include <cerrno>
#include <chrono>
#include <memory>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// A report whose callback hangs must not hold up unloading for ever.
constexpr auto InFlightBound = std::chrono::seconds(2);

} // namespace

OstraNotifyWindow::~OstraNotifyWindow()
{
    stop();
}

bool OstraNotifyWindow::running() const
{
    return m_watching;
}

void OstraNotifyWindow::joinWatch()
{
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_stopFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_stopFd >= 0) {
        ::close(m_stopFd);
        m_stopFd = -1;
    }
}

void OstraNotifyWindow::start(Handler handler)
{
    joinWatch();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_handler = std::move(handler);
    }
    std::unique_ptr<platform::HidMonitor> monitor = platform::hid::monitor();
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (!monitor || m_stopFd < 0)
        return;
    m_watching = true;
    m_thread = std::thread(&OstraNotifyWindow::watch, this, monitor.release());
}

void OstraNotifyWindow::stop()
{
    joinWatch();
    std::unique_lock<std::mutex> guard(m_lock);
    m_idle.wait_for(guard, InFlightBound, [this] { return m_inFlight == 0; });
    m_handler = nullptr;
}

void OstraNotifyWindow::watch(void *source)
{
    std::unique_ptr<platform::HidMonitor> monitor(static_cast<platform::HidMonitor *>(source));
    pollfd fds[2] = {{monitor->fd(), POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents)
            break;
        bool any = false;
        platform::HidEvent event;
        while (monitor->next(event)) {
            any = true;
            const int code = NotifyMatcher::match(NotifyMatcher::deviceNameOf(event.info), TabletModels::table());
            if (code != 0)
                report(code, event.kind == platform::HidEvent::Arrived);
        }
        if (!any && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)))
            break; // the source of events is gone
    }
    m_watching = false;
}

void OstraNotifyWindow::report(int modelCode, bool arrived)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_inFlight;
    }
    std::thread([this, modelCode, arrived] {
        Handler handler;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            handler = m_handler;
        }
        if (handler)
            handler(modelCode, arrived);
        std::lock_guard<std::mutex> guard(m_lock);
        --m_inFlight;
        m_idle.notify_all();
    }).detach();
}
