#include "sim/SimHidBackend.h"

#include "sim/SimHidDevice.h"
#include "sim/SimHidMonitor.h"
#include "sim/SimWire.h"

#include <unistd.h>

namespace platform {

std::vector<HidDeviceInfo> SimHidBackend::enumerate() const
{
    std::vector<HidDeviceInfo> result;
    const int fd = SimWire::connectTo(m_socket);
    if (fd < 0)
        return result;
    SimWire request;
    request.putU8(SimWire::Enumerate);
    request.putU32(0);
    std::vector<uint8_t> answer;
    if (SimWire::send(fd, request.data(), RequestTimeoutMs) && SimWire::receive(fd, answer, RequestTimeoutMs) == 1) {
        SimWire reply(answer.data(), answer.size());
        if (reply.u8() == SimWire::Reply) {
            reply.u32();
            reply.u8();
            const uint32_t count = reply.u32();
            for (uint32_t i = 0; i < count && reply.ok(); ++i) {
                HidDeviceInfo info = reply.info();
                if (reply.ok())
                    result.push_back(std::move(info));
            }
        }
    }
    ::close(fd);
    return result;
}

std::unique_ptr<HidDevice> SimHidBackend::open(const std::string &path) const
{
    return SimHidDevice::open(m_socket, path);
}

std::unique_ptr<HidMonitor> SimHidBackend::monitor() const
{
    return SimHidMonitor::open(m_socket);
}

} // namespace platform
