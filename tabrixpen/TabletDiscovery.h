#pragma once

#include "platform/HidDeviceInfo.h"

#include <string>
#include <vector>

// Finds present supported tablets by hardware id, in ascending model code.
class TabletDiscovery {
public:
    static std::vector<std::string> listPresentDevicePaths();

    // The path of the present interface whose hardware id equals `hardwareId` (compared
    // upper-case), or empty text.
    static std::string findDevicePathByHardwareId(const std::string &hardwareId);
    static std::string findDevicePathByHardwareId(const std::string &hardwareId,
                                                  const std::vector<platform::HidDeviceInfo> &present);
};
