#include "OstraMouse.h"

#include "DisplayGeometry.h"
#include "platform/Displays.h"

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

enum Status { Hover = 0, Down = 1, Drag = 2, Up = 3 };

constexpr int64_t SnapMs = 500;
constexpr float SnapPixels = 12.0f;
constexpr int32_t MinBaseWidth = 640;

// Truncation toward zero that stays defined for any float.
int32_t truncated(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0f)
        return INT_MAX;
    if (value <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int32_t>(value);
}

float size(int32_t low, int32_t high)
{
    return static_cast<float>(static_cast<uint32_t>(high - low));
}

int64_t steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

OstraMouse::OstraMouse() : m_factory(&MouseInputSink::openDisplay), m_clock(&steadyMs)
{
}

OstraMouse::~OstraMouse()
{
    activate(false);
}

void OstraMouse::setSinkFactory(SinkFactory factory)
{
    std::lock_guard<std::mutex> guard(m_activation);
    m_factory = std::move(factory);
}

void OstraMouse::setClock(Clock clock)
{
    std::lock_guard<std::mutex> guard(m_activation);
    m_clock = std::move(clock);
}

void OstraMouse::setTabletRange(int32_t maxX, int32_t maxY)
{
    m_maxX = maxX;
    m_maxY = maxY;
}

void OstraMouse::setMapping(bool mapToPenDisplay, int rotation)
{
    m_mapToPenDisplay = mapToPenDisplay;
    m_rotation = rotation;
}

OstraMouse::Geometry OstraMouse::geometry() const
{
    Geometry geometry;
    geometry.maxX = m_maxX;
    geometry.maxY = m_maxY;
    geometry.mapToPenDisplay = m_mapToPenDisplay;
    geometry.rotation = m_rotation;
    std::lock_guard<std::mutex> guard(m_lock);
    geometry.base = m_base;
    geometry.pen = m_pen;
    return geometry;
}

void OstraMouse::setupRects()
{
    TabletRect base, pen;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        base = m_base;
        pen = m_pen;
    }
    DisplayGeometry::getPrimaryDisplayRect(base);
    if (base.right - base.left < MinBaseWidth) {
        int width = 0, height = 0;
        platform::displays::screenSize(width, height);
        base = {0, 0, width, height};
    }
    DisplayGeometry::getPenDisplayRect(pen);
    std::lock_guard<std::mutex> guard(m_lock);
    m_base = base;
    m_pen = pen;
}

void OstraMouse::activate(bool on)
{
    std::lock_guard<std::mutex> guard(m_activation);
    if (on) {
        setupRects();
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_thread.joinable()) {
            m_queue.clear();
            m_stop = false;
            m_active = true;
            m_thread = std::thread(&OstraMouse::run, this);
        }
        return;
    }
    if (!m_thread.joinable())
        return;
    m_active = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    std::lock_guard<std::mutex> lock(m_lock);
    m_stop = false;
    m_queue.clear();
}

void OstraMouse::pushEvent(int32_t x, int32_t y, int32_t status)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_active || m_queue.size() >= MaxQueued)
            return;
        m_queue.push_back({x, y, status});
    }
    m_wake.notify_one();
}

void OstraMouse::run()
{
    std::unique_ptr<MouseInputSink> sink = m_factory ? m_factory() : nullptr;
    if (!sink) {
        static std::atomic<bool> told{false};
        if (!told.exchange(true))
            std::fprintf(stderr, "TabrixPen: no X display for mouse emulation; pen input moves no pointer\n");
    }
    for (;;) {
        Event event;
        Geometry geometry;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                return;
            event = m_queue.front();
            m_queue.pop_front();
            geometry.base = m_base;
            geometry.pen = m_pen;
        }
        if (!m_active)
            continue;
        geometry.maxX = m_maxX;
        geometry.maxY = m_maxY;
        geometry.mapToPenDisplay = m_mapToPenDisplay;
        geometry.rotation = m_rotation;
        inject(event, geometry, sink.get());
    }
}

bool OstraMouse::position(const Geometry &g, int32_t x, int32_t y, int32_t &normalisedX, int32_t &normalisedY)
{
    const float baseW = size(g.base.left, g.base.right);
    const float baseH = size(g.base.top, g.base.bottom);
    const float penW = size(g.pen.left, g.pen.right);
    const float penH = size(g.pen.top, g.pen.bottom);
    if (g.maxX <= 0 || g.maxY <= 0 || baseW == 0 || baseH == 0)
        return false;
    const float maxX = static_cast<float>(static_cast<uint32_t>(g.maxX));
    const float maxY = static_cast<float>(static_cast<uint32_t>(g.maxY));

    float fx = baseW / maxX, fy = baseH / maxY;
    if (g.mapToPenDisplay && penW != 0) {
        const bool quarterTurn = g.rotation == 90 || g.rotation == 270;
        fx = penW / (quarterTurn ? maxY : maxX);
        fy = penH / (quarterTurn ? maxX : maxY);
    }

    // A point outside the tablet's range is taken at its edge.
    x = x < 0 ? 0 : x > g.maxX ? g.maxX : x;
    y = y < 0 ? 0 : y > g.maxY ? g.maxY : y;
    int32_t u = x, v = y;
    switch (g.rotation) {
    case 90: u = g.maxY - y; v = x; break;
    case 180: u = g.maxX - x; v = g.maxY - y; break;
    case 270: u = y; v = g.maxX - x; break;
    default: break;
    }

    const int32_t pu = truncated(static_cast<float>(static_cast<uint32_t>(u)) * fx);
    const int32_t pv = truncated(static_cast<float>(static_cast<uint32_t>(v)) * fy);
    const int64_t offsetX = g.mapToPenDisplay ? g.pen.left : 0;
    const int64_t offsetY = g.mapToPenDisplay ? g.pen.top : 0;
    normalisedX = truncated(static_cast<float>(offsetX + pu) / baseW * 65535.0f);
    normalisedY = truncated(static_cast<float>(offsetY + pv) / baseH * 65535.0f);
    return true;
}

void OstraMouse::inject(const Event &event, const Geometry &geometry, MouseInputSink *sink)
{
    int32_t x = 0, y = 0;
    if (!position(geometry, event.x, event.y, x, y))
        return;
    auto send = [&](int32_t dx, int32_t dy, uint32_t flags) {
        if (sink)
            sink->send({dx, dy, flags}, geometry.base);
    };
    switch (event.status) {
    case Hover:
    case Drag:
        send(x, y, MouseInput::Absolute | MouseInput::Move);
        break;
    case Down: {
        // A second tap soon after and close to the last release lands exactly on it.
        const float baseW = size(geometry.base.left, geometry.base.right);
        const float baseH = size(geometry.base.top, geometry.base.bottom);
        const int64_t reachX = truncated(65535.0f / baseW * SnapPixels);
        const int64_t reachY = truncated(65535.0f / baseH * SnapPixels);
        if (m_clock() - m_lastPenUp.time <= SnapMs && std::llabs(int64_t(m_lastPenUp.x) - x) <= reachX
            && std::llabs(int64_t(m_lastPenUp.y) - y) <= reachY)
            send(m_lastPenUp.x, m_lastPenUp.y, MouseInput::Absolute | MouseInput::Move);
        send(0, 0, MouseInput::LeftDown);
        break;
    }
    case Up: {
        const int64_t now = m_clock();
        send(0, 0, MouseInput::Absolute | MouseInput::LeftUp);
        m_lastPenUp = {x, y, now};
        break;
    }
    default:
        break;
    }
}
