#pragma once

#include "MouseInputSink.h"
#include "TabletRect.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Pen-to-mouse emulation: pen hover and drag move the pointer, pen down and up press and
// release the left button. Fed every pen packet by the tablet's dispatch thread; injects on a
// thread of its own while active.
class OstraMouse {
public:
    // Everything the position of a pen point depends on.
    struct Geometry {
        int32_t maxX = 0;
        int32_t maxY = 0;
        TabletRect base;
        TabletRect pen;
        bool mapToPenDisplay = false;
        int rotation = 0;
    };

    using SinkFactory = std::function<std::unique_ptr<MouseInputSink>()>;
    using Clock = std::function<int64_t()>;   // milliseconds, steady

    OstraMouse();
    ~OstraMouse();
    OstraMouse(const OstraMouse &) = delete;
    OstraMouse &operator=(const OstraMouse &) = delete;

    // Any rotation in degrees becomes 0, 90, 180 or 270.
    static int normaliseRotation(unsigned degrees) { return static_cast<int>(degrees % 360 / 90 * 90); }

    // The normalised position of a tablet point; false when a range or the base display is
    // empty, so nothing can be placed.
    static bool position(const Geometry &geometry, int32_t x, int32_t y, int32_t &normalisedX, int32_t &normalisedY);

    // The sink is made on the emulation thread when it starts (X connections belong to
    // their thread); the clock times the double-click snap.
    void setSinkFactory(SinkFactory factory);
    void setClock(Clock clock);

    void setTabletRange(int32_t maxX, int32_t maxY);
    void setMapping(bool mapToPenDisplay, int rotation);
    void activate(bool on);
    void pushEvent(int32_t x, int32_t y, int32_t status);

    bool active() const { return m_active; }
    Geometry geometry() const;

private:
    struct Event {
        int32_t x;
        int32_t y;
        int32_t status;
    };
    struct PenUp {
        int32_t x = 0;
        int32_t y = 0;
        int64_t time = 0;
    };

    void setupRects();
    void run();
    void inject(const Event &event, const Geometry &geometry, MouseInputSink *sink);

    static constexpr size_t MaxQueued = 65535;

    std::mutex m_activation;          // serialises switching on and off
    mutable std::mutex m_lock;        // the queue and the rectangles
    std::condition_variable m_wake;
    std::deque<Event> m_queue;
    TabletRect m_base;
    TabletRect m_pen;
    std::atomic<int32_t> m_maxX{0};
    std::atomic<int32_t> m_maxY{0};
    std::atomic<bool> m_mapToPenDisplay{false};
    std::atomic<int> m_rotation{0};
    std::atomic<bool> m_active{false};
    bool m_stop = false;              // guarded by m_lock
    std::thread m_thread;
    PenUp m_lastPenUp;                // emulation thread only
    SinkFactory m_factory;
    Clock m_clock;
};
