#pragma once

#include "platform/InterruptibleWait.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Follows HID arrivals and removals on a thread of its own and reports each one of a
// supported tablet on a short-lived thread, so the caller never holds up the watch.
class HidWatchThread {
public:
    using Handler = std::function<void(int modelCode, bool arrived)>;

    ~HidWatchThread();

    // Restarts the watch with `handler`. Returns once it watches, or has failed to start.
    void start(Handler handler);
    // Ends the watch and waits, within a bound, for reports still being delivered.
    void stop();
    bool running() const;

private:
    void watch(void *monitor);
    void report(int modelCode, bool arrived);
    void joinWatch();

    mutable std::mutex m_lock;        // the handler and the count of reports in flight
    std::condition_variable m_idle;
    Handler m_handler;
    int m_inFlight = 0;
    std::thread m_thread;
    std::unique_ptr<platform::InterruptibleWait> m_wait;
    std::atomic<bool> m_watching{false};
};
