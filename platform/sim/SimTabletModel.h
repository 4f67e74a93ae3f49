#pragma once

#include "sim/SimDeviceDesc.h"

#include <string>

namespace platform {

// A pen tablet as the pen-tablet library knows it: one vendor collection on interface 2,
// pen and key input reports, 9-byte command reports, and its range, serial and product name
// in indexed strings 20, 3 and 2.
struct SimTabletModel {
    static constexpr uint16_t VendorId = 0x2B57;

    uint16_t productId = 0x0100;
    uint16_t inputLength = 9;       // 9, 11 or 13
    uint16_t outputLength = 9;
    int32_t maxX = 15200;
    int32_t maxY = 9500;
    uint16_t maxPressure = 8191;
    std::u16string serial = u"TX4C01A7Q2";
    std::u16string productName = u"Tabrix Pen Tablet";

    SimDeviceDesc desc() const;

    // Range string 20: x and y in 2 bytes each (3 from a 13-byte input report on), then the
    // 16-bit pressure, little-endian, packed two bytes per UTF-16 unit.
    std::u16string rangeString() const;
};

} // namespace platform
