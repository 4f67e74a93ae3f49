#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Capabilities of one top-level collection. Report lengths count the leading report-id byte,
// even on devices without numbered reports, so buffers match the Windows layout.
struct HidCaps {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t inputReportLength = 0;
    uint16_t outputReportLength = 0;
    uint16_t featureReportLength = 0;
};

// One HID interface as the libraries see it: a top-level collection of a device.
struct HidDeviceInfo {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t revision = 0;
    int interfaceNumber = -1;   // -1 when the device is not a USB interface
    int collectionIndex = 0;    // 0-based among the device's top-level collections
    int collectionCount = 1;
    HidCaps caps;
    // Tells this plug of a device from an earlier one at the same path: hidraw nodes are
    // numbered again from the lowest free, a USB device is not. Empty where paths are never
    // used twice.
    std::string instance;

    // "HID\VID_vvvv&PID_pppp&REV_rrrr&MI_ii[&COLnn]", upper-case hexadecimal.
    std::string hardwareId() const;
};

} // namespace platform
