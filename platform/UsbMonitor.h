#pragma once

#include <memory>

namespace platform {

// Arrival and removal of whole USB devices, of any class: the program does not tell devices
// apart by the event, it asks each of its own devices whether it is there.
struct UsbEvent {
    enum Kind { Arrived, Removed };
    Kind kind = Arrived;
};

class UsbMonitor {
public:
    virtual ~UsbMonitor() = default;

    // Readable when events are waiting.
    virtual int fd() const = 0;

    // Takes the next waiting event without blocking; false when none is waiting.
    virtual bool next(UsbEvent &event) = 0;
};

namespace usb {

// Null when device events cannot be followed. The device simulator's when INKWARDEN_DEVSIM
// names its folder, udev's otherwise.
std::unique_ptr<UsbMonitor> monitor();

} // namespace usb
} // namespace platform
