#pragma once

#include <cstdint>
#include <vector>

// The recorded pen points of one signature: 9-byte records in a buffer of 8 MiB, pen-up
// markers between strokes. Points beyond the buffer are dropped.
class PointRecorder {
public:
    static constexpr uint32_t kCapacity = 8 * 1024 * 1024;
    static constexpr uint32_t kRecordSize = 9;
    static constexpr uint8_t kPenUp = 0x80;

    void reset();
    void start() { m_recording = true; }
    bool isRecording() const { return m_recording; }

    // One pen sample of report type 0xA0, 0xA1 (a point) or 0xA3 (lift, one marker per stroke).
    // -1 when the buffer is full.
    int penSample(uint8_t type, uint32_t x, uint32_t y, uint32_t pressure);
    // Any report that is no pen sample closes the stroke.
    int otherReport();

    uint32_t size() const { return uint32_t(m_bytes.size()); }
    const uint8_t *data() const { return m_bytes.data(); }

private:
    int append(uint8_t type, uint32_t x, uint32_t y, uint32_t pressure);

    std::vector<uint8_t> m_bytes;
    bool m_recording = false;
    bool m_penUpMarked = false;
};
