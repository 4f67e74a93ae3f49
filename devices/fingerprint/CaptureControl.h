#pragma once

#include <condition_variable>
#include <mutex>

class QThread;

// The stop request and the end of one capture thread. Pauses end as soon as a stop is asked
// for, so joining costs no more than the reader call the thread is in.
class CaptureControl
{
public:
    void stop();
    bool stopRequested() const;
    // Sleeps for ms milliseconds unless a stop is asked for meanwhile.
    void pause(int ms);
    // The thread's last act.
    void markFinished();
    // Asks thread to stop and waits until it has ended (at once for a thread never started).
    void stopAndJoin(QThread &thread);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stop = false;
    bool m_finished = false;
};
