#include "PacketDecoder.h"

namespace {

enum Status { Hover = 0, Down = 1, Drag = 2, Up = 3, OutOfRange = 4 };

int32_t littleEndian(const uint8_t *bytes, int count)
{
    int32_t value = 0;
    for (int i = 0; i < count; ++i)
        value |= int32_t(bytes[i]) << (8 * i);
    return value;
}

int lowestBit(uint8_t mask)
{
    int index = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++index;
    }
    return index;
}

} // namespace

bool PacketDecoder::decode(const uint8_t *report, size_t inputLength, TABLET_PACKET &packet)
{
    packet = TABLET_PACKET{};
    const int kind = report[1] & 0x0F;
    bool accepted = false;
    if (kind == 1)
        accepted = decodePen(report, inputLength, packet);
    else if (kind == 2)
        accepted = decodeKey(report, packet);
    if (!accepted)
        return false;
    // A run of out-of-range packets yields one.
    if (packet.type == 0 && packet.status == OutOfRange && m_last.type == 0 && m_last.status == OutOfRange)
        return false;
    m_last = packet;
    return true;
}

bool PacketDecoder::decodePen(const uint8_t *report, size_t inputLength, TABLET_PACKET &packet)
{
    if ((report[1] >> 4) != 4)
        return false;
    packet.type = 0;
    switch (report[2]) {
    case 0xA0:
        packet.status = m_inContact ? Up : Hover;
        m_inContact = false;
        break;
    case 0xA1:
        packet.status = m_inContact ? Drag : Down;
        m_inContact = true;
        break;
    case 0xC0:
        packet.status = m_inContact ? Up : OutOfRange;
        m_inContact = false;
        break;
    default:
        packet.status = Hover;
        break;
    }
    if (inputLength == 9 || inputLength == 11) {
        packet.x = littleEndian(report + 3, 2);
        packet.y = littleEndian(report + 5, 2);
        packet.pressure = littleEndian(report + 7, 2);
    } else if (inputLength == 13) {
        packet.x = littleEndian(report + 3, 3);
        packet.y = littleEndian(report + 6, 3);
        packet.pressure = littleEndian(report + 9, 2);
    }
    return true;
}

bool PacketDecoder::decodeKey(const uint8_t *report, TABLET_PACKET &packet)
{
    if ((report[1] >> 4) != 4)
        return false;
    switch (report[2]) {
    case 1:
        packet.type = 1;
        packet.keyPressed = report[3] != 0 ? 1 : 0;
        if (report[5])
            packet.keyNumber = 9 + lowestBit(report[5]);
        if (report[4])
            packet.keyNumber = 1 + lowestBit(report[4]);
        return true;
    case 3:
        packet.type = 2;
        return true;
    default:
        // Subtype 2 is ignored; an unknown subtype must not pass for a pen hover at 0, 0.
        return false;
    }
}
