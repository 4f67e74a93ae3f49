#include "CaptureStopFlag.h"

#include <chrono>

void CaptureStopFlag::set()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_set = true;
    }
    m_changed.notify_all();
}

bool CaptureStopFlag::isSet() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_set;
}

void CaptureStopFlag::pause(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_set; });
}
