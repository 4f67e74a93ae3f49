// Tablet input reports in the layout the collection's input length picks: every packet queued
// is one the pen could have made, and contact follows down and up as they came.

#include "FuzzInput.h"

#include "PacketDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const size_t inputLength = in.u8() % 33;
    PacketDecoder decoder;
    bool inContact = false;
    bool lastOutOfRange = false;
    while (!in.empty()) {
        // The reader's buffer: zeroed, at least MinBuffer bytes, the report read into its start.
        std::vector<uint8_t> buffer(std::max(inputLength, PacketDecoder::MinBuffer), 0);
        const std::vector<uint8_t> report = in.bytes(std::max<size_t>(inputLength, 1));
        std::copy(report.begin(), report.end(), buffer.begin());
        TABLET_PACKET packet;
        if (!decoder.decode(buffer.data(), inputLength, packet))
            continue;
        FUZZ_CHECK(packet.type >= 0 && packet.type <= 2);
        if (packet.type == 1)
            FUZZ_CHECK(packet.keyNumber >= 0 && packet.keyNumber <= 16 && (packet.keyPressed == 0 || packet.keyPressed == 1));
        const bool outOfRange = packet.type == 0 && packet.status == 4;
        FUZZ_CHECK(!(outOfRange && lastOutOfRange)); // a run of them yields one
        lastOutOfRange = outOfRange;
        if (packet.type != 0)
            continue;
        FUZZ_CHECK(packet.x >= 0 && packet.x <= 0xFFFFFF && packet.y >= 0 && packet.y <= 0xFFFFFF);
        FUZZ_CHECK(packet.pressure >= 0 && packet.pressure <= 0xFFFF);
        switch (packet.status) {
        case 1: // down
            FUZZ_CHECK(!inContact);
            inContact = true;
            break;
        case 2: // drag
            FUZZ_CHECK(inContact);
            break;
        case 3: // up
            FUZZ_CHECK(inContact);
            inContact = false;
            break;
        case 4: // out of range
            FUZZ_CHECK(!inContact);
            break;
        default:
            FUZZ_CHECK(packet.status == 0);
        }
    }
    return 0;
}
