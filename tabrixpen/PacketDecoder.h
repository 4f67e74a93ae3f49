#pragma once

#include "TabrixPen.h"

#include <cstddef>
#include <cstdint>

// Turns tablet input reports into packets. Keeps whether the pen touches and the last packet
// queued, for the life of the library: reopening the tablet does not reset them.
class PacketDecoder {
public:
    // The report buffer must hold at least MinBuffer bytes (zero beyond the report), so every
    // layout is decoded without reading past it. `inputLength` picks the layout.
    static constexpr size_t MinBuffer = 16;

    // True with `packet` filled when the report yields a packet to queue.
    bool decode(const uint8_t *report, size_t inputLength, TABLET_PACKET &packet);

private:
    bool decodePen(const uint8_t *report, size_t inputLength, TABLET_PACKET &packet);
    static bool decodeKey(const uint8_t *report, TABLET_PACKET &packet);

    bool m_inContact = false;
    TABLET_PACKET m_last{};
};
