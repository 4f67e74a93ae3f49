#include "sim/SimUsbMonitor.h"

#include "platform/Hid.h"

namespace platform {

std::unique_ptr<SimUsbMonitor> SimUsbMonitor::open()
{
    std::unique_ptr<HidMonitor> hid = hid::monitor();
    if (!hid)
        return nullptr;
    return std::unique_ptr<SimUsbMonitor>(new SimUsbMonitor(std::move(hid)));
}

bool SimUsbMonitor::next(UsbEvent &event)
{
    HidEvent received;
    while (m_hid->next(received)) {
        if (received.info.collectionIndex != 0)
            continue;
        event.kind = received.kind == HidEvent::Arrived ? UsbEvent::Arrived : UsbEvent::Removed;
        return true;
    }
    return false;
}

} // namespace platform
