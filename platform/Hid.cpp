#include "platform/Hid.h"

#include "linux/LinuxHidBackend.h"
#include "sim/SimFolder.h"
#include "sim/SimHidBackend.h"

namespace platform {
namespace hid {

bool simulated()
{
    return simulatorFolder() != nullptr;
}

std::vector<HidDeviceInfo> enumerate()
{
    if (const char *folder = simulatorFolder())
        return SimHidBackend(folder).enumerate();
    return LinuxHidBackend::enumerate();
}

std::unique_ptr<HidDevice> open(const std::string &path)
{
    if (const char *folder = simulatorFolder())
        return SimHidBackend(folder).open(path);
    return LinuxHidBackend::open(path);
}

std::unique_ptr<HidMonitor> monitor()
{
    if (const char *folder = simulatorFolder())
        return SimHidBackend(folder).monitor();
    return LinuxHidBackend::monitor();
}

} // namespace hid
} // namespace platform
