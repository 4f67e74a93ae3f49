#include "NotifyMatcher.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

struct Parts {
    bool complete = false;
    std::string vid, pid, mi, col;
};

Parts partsOf(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    Parts parts;
    const size_t vid = name.find("VID_");
    const size_t pid = name.find("PID_");
    const size_t mi = name.find("MI_");
    if (vid == std::string::npos || pid == std::string::npos || mi == std::string::npos)
        return parts;
    parts.vid = name.substr(vid + 4, 4);
    parts.pid = name.substr(pid + 4, 4);
    parts.mi = name.substr(mi + 3, 2);
    const size_t col = name.find("COL");
    if (col != std::string::npos)
        parts.col = name.substr(col + 3, 2);
    parts.complete = true;
    return parts;
}

} // namespace

std::string NotifyMatcher::deviceNameOf(const platform::HidDeviceInfo &info)
{
    char name[160];
    int n = std::snprintf(name, sizeof name, "\\\\?\\hid#vid_%04x&pid_%04x", info.vendorId, info.productId);
    if (info.interfaceNumber >= 0)
        n += std::snprintf(name + n, sizeof name - size_t(n), "&mi_%02x", info.interfaceNumber & 0xFF);
    if (info.collectionCount > 1)
        n += std::snprintf(name + n, sizeof name - size_t(n), "&col%02x", (info.collectionIndex + 1) & 0xFF);
    std::snprintf(name + n, sizeof name - size_t(n), "#7&1a2b3c4d&0&%04x#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  info.collectionIndex & 0xFFFF);
    return name;
}

int NotifyMatcher::match(const std::string &deviceName, const std::map<int, std::string> &models)
{
    const Parts device = partsOf(deviceName);
    if (!device.complete)
        return 0;
    for (const auto &row : models) {
        const Parts model = partsOf(row.second);
        if (model.complete && model.vid == device.vid && model.pid == device.pid && model.mi == device.mi
            && model.col == device.col)
            return row.first;
    }
    return 0;
}
