#pragma once

#include "CommandChannel.h"

#include "platform/HidDevice.h"
#include "platform/HidDeviceInfo.h"

#include <memory>

// Which of the pad's collections an enumerated HID interface is.
namespace PadIdentity {

bool isPad(const platform::HidDeviceInfo& info);
// Digitizer 0x0D:0x01 or vendor 0xFF0D:0x01.
bool isPenCollection(const platform::HidDeviceInfo& info);
// Vendor 0xFF00:0x0C (feature kind) or 0xFF00:0x01 (report kind); Unknown for anything else.
CommandChannel::Kind commandKind(const platform::HidDeviceInfo& info);

// Opens one of the pad's interfaces; null when it cannot. A refused permission is logged: it
// means the pad's udev rule is missing.
std::unique_ptr<platform::HidDevice> open(const platform::HidDeviceInfo& info);

}
