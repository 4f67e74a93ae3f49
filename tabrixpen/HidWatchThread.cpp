#include "HidWatchThread.h"

#include "NotifyMatcher.h"
#include "TabletModels.h"
#include "platform/Hid.h"

#include <chrono>
#include <memory>

namespace {

// A report whose callback hangs must not hold up unloading for ever.
constexpr auto InFlightBound = std::chrono::seconds(2);

} // namespace

HidWatchThread::~HidWatchThread()
{
    stop();
}

bool HidWatchThread::running() const
{
    return m_watching;
}

void HidWatchThread::joinWatch()
{
    if (m_thread.joinable()) {
        m_wait->interrupt();
        m_thread.join();
    }
    m_wait.reset();
}

void HidWatchThread::start(Handler handler)
{
    joinWatch();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_handler = std::move(handler);
    }
    std::unique_ptr<platform::HidMonitor> monitor = platform::hid::monitor();
    m_wait = std::make_unique<platform::InterruptibleWait>();
    if (!monitor || !m_wait->valid())
        return;
    m_watching = true;
    m_thread = std::thread(&HidWatchThread::watch, this, monitor.release());
}

void HidWatchThread::stop()
{
    joinWatch();
    std::unique_lock<std::mutex> guard(m_lock);
    m_idle.wait_for(guard, InFlightBound, [this] { return m_inFlight == 0; });
    m_handler = nullptr;
}

void HidWatchThread::watch(void *source)
{
    std::unique_ptr<platform::HidMonitor> monitor(static_cast<platform::HidMonitor *>(source));
    for (;;) {
        const platform::InterruptibleWait::Outcome outcome = m_wait->wait(monitor->fd());
        if (outcome == platform::InterruptibleWait::Ended)
            break;
        bool any = false;
        platform::HidEvent event;
        while (monitor->next(event)) {
            any = true;
            const int code = NotifyMatcher::match(NotifyMatcher::deviceNameOf(event.info), TabletModels::table());
            if (code != 0)
                report(code, event.kind == platform::HidEvent::Arrived);
        }
        if (!any && outcome == platform::InterruptibleWait::Broken)
            break; // the source of events is gone
    }
    m_watching = false;
}

void HidWatchThread::report(int modelCode, bool arrived)
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
