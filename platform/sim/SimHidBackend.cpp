#include "sim/SimHidBackend.h"

#include "sim/SimHidDevice.h"
#include "sim/SimHidMonitor.h"
#include "sim/SimWire.h"

namespace platform {

std::optional<std::vector<HidDeviceInfo>> SimHidBackend::enumerate() const
{
    SimWire reply;
    if (!SimWire::ask(m_socket, SimWire::Enumerate, RequestTimeoutMs, reply) || reply.u8() != SimWire::Reply)
        return std::nullopt;
    reply.u32();
    reply.u8();
    return reply.list(&SimWire::info);
}

std::unique_ptr<HidDevice> SimHidBackend::open(const std::string &path, HidOpenFailure &failure) const
{
    return SimHidDevice::open(m_socket, path, failure);
}

std::unique_ptr<HidMonitor> SimHidBackend::monitor() const
{
    return SimHidMonitor::open(m_socket);
}

} // namespace platform
