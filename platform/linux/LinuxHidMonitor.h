#pragma once

#include "platform/HidMonitor.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct udev;
struct udev_monitor;

namespace platform {

// hidraw arrivals and removals from a udev monitor. Identities are cached per node at
// arrival (and for the nodes present at start), because a removed node's parents are gone.
class LinuxHidMonitor : public HidMonitor {
public:
    static std::unique_ptr<LinuxHidMonitor> open();
    ~LinuxHidMonitor() override;

    int fd() const override;
    bool next(HidEvent &event) override;

private:
    LinuxHidMonitor(udev *context, udev_monitor *monitor);

    udev *m_udev;
    udev_monitor *m_monitor;
    std::map<std::string, std::vector<HidDeviceInfo>> m_known;
    std::deque<HidEvent> m_pending;
};

} // namespace platform
