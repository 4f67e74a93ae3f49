#include "linux/LinuxHidMonitor.h"

#include "linux/LinuxHidBackend.h"

#include <cstring>
#include <libudev.h>

namespace platform {

std::unique_ptr<LinuxHidMonitor> LinuxHidMonitor::open()
{
    udev *context = udev_new();
    if (!context)
        return nullptr;
    udev_monitor *monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor)
            udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::unique_ptr<LinuxHidMonitor>(new LinuxHidMonitor(context, monitor));
}

LinuxHidMonitor::LinuxHidMonitor(udev *context, udev_monitor *monitor) : m_udev(context), m_monitor(monitor)
{
    // Nodes present now may be removed later; remember who they were.
    LinuxHidBackend::forEachNode(m_udev, [this](udev_device *device) {
        if (const char *node = udev_device_get_devnode(device))
            m_known[node] = LinuxHidBackend::describe(device);
    });
}

LinuxHidMonitor::~LinuxHidMonitor()
{
    udev_monitor_unref(m_monitor);
    udev_unref(m_udev);
}

int LinuxHidMonitor::fd() const
{
    return udev_monitor_get_fd(m_monitor);
}

bool LinuxHidMonitor::next(HidEvent &event)
{
    while (m_pending.empty()) {
        udev_device *device = udev_monitor_receive_device(m_monitor);
        if (!device)
            return false;
        const char *action = udev_device_get_action(device);
        const char *node = udev_device_get_devnode(device);
        if (action && node) {
            if (std::strcmp(action, "add") == 0) {
                auto &interfaces = m_known[node];
                interfaces = LinuxHidBackend::describe(device);
                for (const HidDeviceInfo &info : interfaces)
                    m_pending.push_back({HidEvent::Arrived, info});
            } else if (std::strcmp(action, "remove") == 0) {
                const auto known = m_known.find(node);
                if (known != m_known.end()) {
                    for (const HidDeviceInfo &info : known->second)
                        m_pending.push_back({HidEvent::Removed, info});
                    m_known.erase(known);
                }
            }
        }
        udev_device_unref(device);
    }
    event = std::move(m_pending.front());
    m_pending.pop_front();
    return true;
}

} // namespace platform
