#pragma once

#include <condition_variable>
#include <mutex>

// The stop flag of a capture thread. Its pauses end as soon as the flag is set, so joining a
// thread costs no more than the reader call it is in.
class CaptureStopFlag
{
public:
    void set();
    bool isSet() const;
    // Sleeps for ms milliseconds unless the flag is set meanwhile.
    void pause(int ms);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_set = false;
};
