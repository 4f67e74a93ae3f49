#pragma once

namespace platform {

// A wait for a descriptor to become readable that another thread can end at any time, for
// watch threads that must stop promptly.
class InterruptibleWait {
public:
    InterruptibleWait();
    ~InterruptibleWait();
    InterruptibleWait(const InterruptibleWait &) = delete;
    InterruptibleWait &operator=(const InterruptibleWait &) = delete;

    // False when the system gave no means to interrupt a wait.
    bool valid() const { return m_stopFd >= 0; }

    enum Outcome {
        Readable,
        Broken,   // hung up or failed; events still queued may be read before giving up
        Ended,    // interrupted, or the wait itself failed
    };
    // Waits without a time-out; from one thread at a time.
    Outcome wait(int fd);
    // Ends the current wait and every later one; from any thread.
    void interrupt();

private:
    int m_stopFd = -1;
};

} // namespace platform
