#include "PointRecorder.h"

void PointRecorder::reset()
{
    m_bytes.clear();
    m_recording = false;
    m_penUpMarked = false;
}

int PointRecorder::append(uint8_t type, uint32_t x, uint32_t y, uint32_t pressure)
{
    if (m_bytes.size() + kRecordSize > kCapacity)
        return -1;
    if (m_bytes.capacity() == 0)
        m_bytes.reserve(64 * 1024);
    const uint8_t record[kRecordSize] = {
        type,
        uint8_t((x >> 9) & 0x7F),
        uint8_t((x >> 2) & 0x7F),
        uint8_t((y >> 9) & 0x7F),
        uint8_t((y >> 2) & 0x7F),
        uint8_t(pressure & 0x7F),
        uint8_t(((x & 3) << 5) | ((y & 3) << 3) | ((pressure >> 7) & 7)),
        uint8_t((pressure >> 10) & 1),
        0,
    };
    m_bytes.insert(m_bytes.end(), record, record + kRecordSize);
    return 0;
}

int PointRecorder::penSample(uint8_t type, uint32_t x, uint32_t y, uint32_t pressure)
{
    if (!m_recording)
        return 0;
    if (type == 0xA0 || type == 0xA1) {
        m_penUpMarked = false;
        return append(type, x, y, pressure);
    }
    if (m_penUpMarked)
        return 0;
    m_penUpMarked = true;
    return append(kPenUp, x, y, pressure);
}

int PointRecorder::otherReport()
{
    if (!m_recording || m_penUpMarked)
        return 0;
    m_penUpMarked = true;
    return append(kPenUp, 0, 0, 0);
}
