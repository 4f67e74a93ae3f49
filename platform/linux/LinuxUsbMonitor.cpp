#include "linux/LinuxUsbMonitor.h"

#include <cstring>
#include <libudev.h>

namespace platform {

std::unique_ptr<LinuxUsbMonitor> LinuxUsbMonitor::open()
{
    udev *context = udev_new();
    if (!context)
        return nullptr;
    udev_monitor *monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device") < 0
        || udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor)
            udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::unique_ptr<LinuxUsbMonitor>(new LinuxUsbMonitor(context, monitor));
}

LinuxUsbMonitor::~LinuxUsbMonitor()
{
    udev_monitor_unref(m_monitor);
    udev_unref(m_udev);
}

int LinuxUsbMonitor::fd() const
{
    return udev_monitor_get_fd(m_monitor);
}

bool LinuxUsbMonitor::next(UsbEvent &event)
{
    while (udev_device *device = udev_monitor_receive_device(m_monitor)) {
        const char *action = udev_device_get_action(device);
        const bool added = action && std::strcmp(action, "add") == 0;
        const bool removed = action && std::strcmp(action, "remove") == 0;
        udev_device_unref(device);
        if (added || removed) {
            event.kind = added ? UsbEvent::Arrived : UsbEvent::Removed;
            return true;
        }
    }
    return false;
}

} // namespace platform
