#include "sim/SimUsbMonitor.h"

#include "sim/SimFolder.h"
#include "sim/SimWire.h"

namespace platform {

std::unique_ptr<SimUsbMonitor> SimUsbMonitor::open()
{
    const char *folder = simulatorFolder();
    std::unique_ptr<SimHidMonitor> hid = folder ? SimHidMonitor::open(SimWire::socketPath(folder)) : nullptr;
    if (!hid)
        return nullptr;
    return std::unique_ptr<SimUsbMonitor>(new SimUsbMonitor(std::move(hid)));
}

bool SimUsbMonitor::next(UsbEvent &event)
{
    uint8_t op = 0;
    HidDeviceInfo info;
    while (m_hid->nextMessage(op, info)) {
        const bool device = op == SimWire::UsbArrival || ((op == SimWire::Arrival || op == SimWire::Removal) && info.collectionIndex == 0);
        if (!device)
            continue;
        event.kind = op == SimWire::Removal ? UsbEvent::Removed : UsbEvent::Arrived;
        return true;
    }
    return false;
}

} // namespace platform
