#pragma once

#include "platform/HidDevice.h"
#include "platform/HidMonitor.h"
#include "sim/SimWire.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The HID layer served by the device simulator whose socket lies in `folder`.
class SimHidBackend {
public:
    explicit SimHidBackend(const std::string &folder) : m_socket(SimWire::socketPath(folder)) {}

    // Null when the simulator does not answer.
    std::optional<std::vector<HidDeviceInfo>> enumerate() const;
    std::unique_ptr<HidDevice> open(const std::string &path, HidOpenFailure &failure) const;
    std::unique_ptr<HidMonitor> monitor() const;

    // Simulator answers normally take microseconds; this only bounds a hung simulator. It is
    // generous because a sanitizer build on a loaded machine can stall the server for a second.
    static constexpr int RequestTimeoutMs = 5000;

private:
    std::string m_socket;
};

} // namespace platform
