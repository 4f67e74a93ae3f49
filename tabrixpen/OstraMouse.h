#pragma once

#include <atomic>
#include <cstdint>

// Pen-to-mouse emulation. Fed every pen packet by the dispatch thread.
class OstraMouse {
public:
    // Any rotation in degrees becomes 0, 90, 180 or 270.
    static int normaliseRotation(unsigned degrees) { return static_cast<int>(degrees % 360 / 90 * 90); }

    void setTabletRange(int32_t maxX, int32_t maxY);
    void setMapping(bool mapToPenDisplay, int rotation);
    void activate(bool on);
    void pushEvent(int32_t x, int32_t y, int32_t status);

    bool mapToPenDisplay() const { return m_mapToPenDisplay; }
    int rotation() const { return m_rotation; }
    bool active() const { return m_active; }

private:
    std::atomic<int32_t> m_maxX{0};
    std::atomic<int32_t> m_maxY{0};
    std::atomic<bool> m_mapToPenDisplay{false};
    std::atomic<int> m_rotation{0};
    std::atomic<bool> m_active{false};
};
