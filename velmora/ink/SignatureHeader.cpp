#include "SignatureHeader.h"

#include "MonitorGeometry.h"

namespace {

void put32(SignatureHeader::Bytes &bytes, int offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

void put16(SignatureHeader::Bytes &bytes, int offset, uint16_t value)
{
    bytes[offset] = uint8_t(value);
    bytes[offset + 1] = uint8_t(value >> 8);
}

} // namespace

SignatureHeader::Bytes SignatureHeader::windowGone()
{
    Bytes bytes{};
    bytes[0] = 'Q';
    bytes[1] = 'N';
    bytes[2] = 'V';
    return bytes;
}

SignatureHeader::Bytes SignatureHeader::build(const InkRect &window,
                                              const std::vector<InkRect> &monitors,
                                              int32_t surfaceWidth, int32_t surfaceHeight,
                                              int32_t originX, int32_t originY)
{
    Bytes bytes = windowGone();
    InkRect relative = window;
    const InkRect monitor = MonitorGeometry::toMonitorRect(relative, monitors);
    put32(bytes, 4, uint32_t(surfaceWidth));
    put32(bytes, 8, uint32_t(surfaceHeight));
    put32(bytes, 12, uint32_t(relative.left) + uint32_t(originX));
    put32(bytes, 16, uint32_t(relative.top) + uint32_t(originY));
    put16(bytes, 20, uint16_t(monitor.width()));
    put16(bytes, 22, uint16_t(monitor.height()));
    put16(bytes, 24, kPadRangeX);
    put16(bytes, 26, kPadRangeY);
    return bytes;
}
