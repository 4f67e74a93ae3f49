#pragma once

#include "platform/HidDevice.h"
#include "platform/HidMonitor.h"

#include <memory>
#include <optional>
#include <vector>

namespace platform {

// Entry points of the HID layer. The backend is chosen per call: the device simulator when
// INKWARDEN_DEVSIM names its folder, the system's hidraw devices otherwise.
namespace hid {

std::vector<HidDeviceInfo> enumerate();
// As enumerate, but null when the set of present interfaces cannot be had at all.
std::optional<std::vector<HidDeviceInfo>> list();

// Null when the path names no present interface or it cannot be opened; `failure`, when given,
// says why.
std::unique_ptr<HidDevice> open(const std::string &path, HidOpenFailure *failure = nullptr);

// Null when device events cannot be followed.
std::unique_ptr<HidMonitor> monitor();

bool simulated();

} // namespace hid
} // namespace platform
