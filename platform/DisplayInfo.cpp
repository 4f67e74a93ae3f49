#include "platform/DisplayInfo.h"

#include <cstdio>
#include <cstring>

namespace platform {

std::string DisplayInfo::monitorIdFromEdid(const unsigned char *edid, size_t size)
{
    static const unsigned char header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    if (size < 12 || std::memcmp(edid, header, sizeof header) != 0)
        return std::string();
    const unsigned maker = (unsigned(edid[8]) << 8) | edid[9];
    char id[8];
    for (int i = 0; i < 3; ++i) {
        const unsigned letter = (maker >> (10 - 5 * i)) & 0x1F;
        if (letter < 1 || letter > 26)
            return std::string();
        id[i] = char('A' + letter - 1);
    }
    std::snprintf(id + 3, sizeof id - 3, "%04X", unsigned(edid[10] | (edid[11] << 8)));
    return id;
}

} // namespace platform
