#include "platform/HidDeviceInfo.h"

#include <cstdio>

namespace platform {

std::string HidDeviceInfo::hardwareId() const
{
    char text[64];
    int n = std::snprintf(text, sizeof text, "HID\\VID_%04X&PID_%04X&REV_%04X", vendorId, productId, revision);
    if (interfaceNumber >= 0)
        n += std::snprintf(text + n, sizeof text - n, "&MI_%02X", interfaceNumber & 0xFF);
    if (collectionCount > 1)
        std::snprintf(text + n, sizeof text - n, "&COL%02X", (collectionIndex + 1) & 0xFF);
    return text;
}

} // namespace platform
