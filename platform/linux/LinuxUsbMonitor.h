#pragma once

#include "platform/UsbMonitor.h"

struct udev;
struct udev_monitor;

namespace platform {

// udev's "usb_device" events: one per plugged or unplugged device, whatever its interfaces.
class LinuxUsbMonitor : public UsbMonitor {
public:
    static std::unique_ptr<LinuxUsbMonitor> open();
    ~LinuxUsbMonitor() override;

    int fd() const override;
    bool next(UsbEvent &event) override;

private:
    LinuxUsbMonitor(udev *context, udev_monitor *monitor) : m_udev(context), m_monitor(monitor) {}

    udev *m_udev;
    udev_monitor *m_monitor;
};

} // namespace platform
