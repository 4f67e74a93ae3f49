#pragma once

#include "platform/HidDeviceInfo.h"

#include <map>
#include <string>

// Matches device-interface names of arrivals and removals against the model table.
class NotifyMatcher {
public:
    // The interface name Windows would broadcast for the device, in its lower-case form:
    // "\\?\hid#vid_vvvv&pid_pppp&mi_ii[&colnn]#<instance>#{<HID class>}".
    static std::string deviceNameOf(const platform::HidDeviceInfo &info);

    // The model code of the first table row whose vendor, product, interface and collection
    // parts equal the name's, or 0. Names without vendor, product or interface parts match
    // nothing; rows have no collection part, so a name with one matches nothing either.
    static int match(const std::string &deviceName, const std::map<int, std::string> &models);
};
