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

bool SimHidMonitor::nextMessage(uint8_t &op, HidDeviceInfo &info)
{
    std::vector<uint8_t> message;
    while (SimWire::receive(m_fd, message, 0) == 1) {
        SimWire frame(message.data(), message.size());
        op = frame.u8();
        info = frame.info();
        if (frame.ok())
            return true;
    }
    return false;
}

bool SimHidMonitor::next(HidEvent &event)
{
    uint8_t op = 0;
    HidDeviceInfo info;
    while (nextMessage(op, info)) {
        // A USB device alone has no interface to tell of yet.
        if (op != SimWire::Arrival && op != SimWire::InterfaceArrival && op != SimWire::Removal)
            continue;
        event.kind = op == SimWire::Removal ? HidEvent::Removed : HidEvent::Arrived;
        event.info = std::move(info);
        return true;
    }
    return false;
}

} // namespace platform
