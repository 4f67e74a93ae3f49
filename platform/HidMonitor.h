#pragma once

#include "platform/HidDeviceInfo.h"

namespace platform {

// Arrival and removal of HID interfaces, one event per top-level collection. A removal
// carries the identity cached at arrival, since a removed device can no longer be asked.
struct HidEvent {
    enum Kind { Arrived, Removed };
    Kind kind = Arrived;
    HidDeviceInfo info;
};

class HidMonitor {
public:
    virtual ~HidMonitor() = default;

    // Readable when events are waiting; poll it alongside a stop descriptor.
    virtual int fd() const = 0;

    // Takes the next waiting event without blocking; false when none is waiting.
    virtual bool next(HidEvent &event) = 0;
};

} // namespace platform
