#pragma once

#include "platform/UsbMonitor.h"
#include "sim/SimHidMonitor.h"

namespace platform {

// USB events from the device simulator: every plug and unplug of a simulated device, whatever
// it presents. The simulator announces a device once per collection; its first collection
// stands for the device. Interfaces presented after their device are no USB event.
class SimUsbMonitor : public UsbMonitor {
public:
    static std::unique_ptr<SimUsbMonitor> open();

    int fd() const override { return m_hid->fd(); }
    bool next(UsbEvent &event) override;

private:
    explicit SimUsbMonitor(std::unique_ptr<SimHidMonitor> hid) : m_hid(std::move(hid)) {}

    std::unique_ptr<SimHidMonitor> m_hid;
};

} // namespace platform
