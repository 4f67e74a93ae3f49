#include "CaptureControl.h"

#include <QThread>

#include <chrono>

void CaptureControl::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
    m_changed.notify_all();
}

bool CaptureControl::stopRequested() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stop;
}

void CaptureControl::pause(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}

void CaptureControl::markFinished()
{
    // Notified under the lock: the joiner may destroy this object as soon as it sees the mark.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

void CaptureControl::stopAndJoin(QThread &thread)
{
    stop();
    // Waiting for the thread's own end mark orders everything it did before the caller goes on,
    // also for race checkers, which do not see the ordering QThread::wait gives.
    if (thread.isRunning() || thread.isFinished()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_finished; });
    }
    thread.wait();
}
