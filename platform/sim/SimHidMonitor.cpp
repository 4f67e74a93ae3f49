#include "sim/SimHidMonitor.h"

#include "sim/SimHidBackend.h"
#include "sim/SimWire.h"

#include <unistd.h>

namespace platform {

std::unique_ptr<SimHidMonitor> SimHidMonitor::open(const std::string &socketPath)
{
    const int fd = SimWire::connectTo(socketPath);
    if (fd < 0)
        return nullptr;
    SimWire request;
    request.putU8(SimWire::Monitor);
    request.putU32(0);
    std::vector<uint8_t> answer;
    // The subscription is acknowledged, so no event sent after open() returns is missed.
    if (!SimWire::send(fd, request.data(), SimHidBackend::RequestTimeoutMs)
        || SimWire::receive(fd, answer, SimHidBackend::RequestTimeoutMs) != 1) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<SimHidMonitor>(new SimHidMonitor(fd));
}

SimHidMonitor::~SimHidMonitor()
{
    ::close(m_fd);
}

bool SimHidMonitor::next(HidEvent &event)
{
    std::vector<uint8_t> message;
    while (SimWire::receive(m_fd, message, 0) == 1) {
        SimWire frame(message.data(), message.size());
        const uint8_t op = frame.u8();
        if (op != SimWire::Arrival && op != SimWire::Removal)
            continue;
        HidEvent received;
        received.kind = op == SimWire::Arrival ? HidEvent::Arrived : HidEvent::Removed;
        received.info = frame.info();
        if (!frame.ok())
            continue;
        event = std::move(received);
        return true;
    }
    return false;
}

} // namespace platform
