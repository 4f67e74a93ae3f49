#include "platform/UsbMonitor.h"

#include "linux/LinuxUsbMonitor.h"
#include "sim/SimFolder.h"
#include "sim/SimUsbMonitor.h"

namespace platform {
namespace usb {

std::unique_ptr<UsbMonitor> monitor()
{
    if (simulatorFolder())
        return SimUsbMonitor::open();
    return LinuxUsbMonitor::open();
}

} // namespace usb
} // namespace platform
