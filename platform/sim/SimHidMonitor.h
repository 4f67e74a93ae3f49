#pragma once

#include "platform/HidMonitor.h"

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

private:
    explicit SimHidMonitor(int fd) : m_fd(fd) {}
    int m_fd;
};

} // namespace platform
