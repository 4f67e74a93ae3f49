#pragma once

#include "platform/HidMonitor.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Device events pushed by the device simulator over a subscribed connection.
class SimHidMonitor : public HidMonitor {
public:
    static std::unique_ptr<SimHidMonitor> open(const std::string &socketPath);
    ~SimHidMonitor() override;

    int fd() const override { return m_fd; }
    bool next(HidEvent &event) override;
    // The next waiting message as sent: its operation and the interface it names.
    bool nextMessage(uint8_t &op, HidDeviceInfo &info);

private:
    explicit SimHidMonitor(int fd) : m_fd(fd) {}
    int m_fd;
};

} // namespace platform
