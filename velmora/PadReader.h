#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform { class HidDevice; }

// The pen collection of the pad and the thread that reads its 10-byte reports.
class PadReader
{
public:
    enum Action { Continue, End };
    using Handler = std::function<Action(PadReader&, const uint8_t* report)>;

    static constexpr size_t ReportSize = 10;

    // Finds and opens the pen collection; null when the pad has none.
    static std::unique_ptr<PadReader> openPenInterface();
    ~PadReader();

    // False when no thread could be created.
    bool start(Handler handler);

    // Asks the thread to stop. True when the caller may join it now; false when the caller is
    // the reader itself or the reader is inside a key callback, which may be waiting for the caller.
    bool requestStop();
    void join();
    bool exited() const { return m_exited; }

    // Brackets a key callback; false (and no callback) once a stop was asked for.
    bool enterCallback();
    void leaveCallback();

private:
    explicit PadReader(std::unique_ptr<platform::HidDevice> pen);
    void run();

    std::unique_ptr<platform::HidDevice> m_pen;
    Handler m_handler;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_exited{false};
    std::mutex m_callbackMutex;
    bool m_inCallback = false;
};
