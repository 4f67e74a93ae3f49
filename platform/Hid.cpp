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
    return list().value_or(std::vector<HidDeviceInfo>());
}

std::optional<std::vector<HidDeviceInfo>> list()
{
    if (const char *folder = simulatorFolder())
        return SimHidBackend(folder).enumerate();
    return LinuxHidBackend::enumerate();
}

std::unique_ptr<HidDevice> open(const std::string &path, HidOpenFailure *failure)
{
    HidOpenFailure why = HidOpenFailure::None;
    std::unique_ptr<HidDevice> device;
    if (const char *folder = simulatorFolder())
        device = SimHidBackend(folder).open(path, why);
    else
        device = LinuxHidBackend::open(path, why);
    if (failure)
        *failure = device ? HidOpenFailure::None : why == HidOpenFailure::None ? HidOpenFailure::Other : why;
    return device;
}

std::unique_ptr<HidMonitor> monitor()
{
    if (const char *folder = simulatorFolder())
        return SimHidBackend(folder).monitor();
    return LinuxHidBackend::monitor();
}

} // namespace hid
} // namespace platform
