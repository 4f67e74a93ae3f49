#include "TabletDiscovery.h"

#include "TabletModels.h"
#include "platform/Hid.h"

#include <algorithm>
#include <cctype>

std::vector<std::string> TabletDiscovery::listPresentDevicePaths()
{
    // One walk of the present devices serves every row of the table.
    const std::vector<platform::HidDeviceInfo> present = platform::hid::enumerate();
    std::vector<std::string> paths;
    for (const auto &model : TabletModels::table()) {
        std::string path = findDevicePathByHardwareId(model.second, present);
        if (!path.empty())
            paths.push_back(std::move(path));
    }
    return paths;
}

std::string TabletDiscovery::findDevicePathByHardwareId(const std::string &hardwareId)
{
    return findDevicePathByHardwareId(hardwareId, platform::hid::enumerate());
}

std::string TabletDiscovery::findDevicePathByHardwareId(const std::string &hardwareId,
                                                        const std::vector<platform::HidDeviceInfo> &present)
{
    for (const platform::HidDeviceInfo &info : present) {
        std::string id = info.hardwareId();
        std::transform(id.begin(), id.end(), id.begin(), [](unsigned char c) { return char(std::toupper(c)); });
        if (id == hardwareId)
            return info.path;
    }
    return std::string();
}
