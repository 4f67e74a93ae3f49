#pragma once

#include "platform/HidDevice.h"
#include "platform/HidMonitor.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct udev;
struct udev_device;

namespace platform {

// The HID layer on hidraw nodes found through libudev. A node with several top-level
// collections appears once per collection, its path suffixed "#colNN".
class LinuxHidBackend {
public:
    // Null when udev cannot be reached.
    static std::optional<std::vector<HidDeviceInfo>> enumerate();
    static std::unique_ptr<HidDevice> open(const std::string &path, HidOpenFailure &failure);
    static std::unique_ptr<HidMonitor> monitor();

    // The interfaces of one hidraw node, from its parents and its report descriptor.
    static std::vector<HidDeviceInfo> describe(udev_device *hidraw);
    static std::string pathOf(const std::string &node, int collection, int collectionCount);
    // Calls visit with each hidraw node present now.
    static void forEachNode(udev *context, const std::function<void(udev_device *)> &visit);
};

} // namespace platform
