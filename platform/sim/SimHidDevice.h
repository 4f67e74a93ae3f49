#pragma once

#include "platform/HidDevice.h"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

// An interface opened on the device simulator: requests and answers on one socket, input
// reports on a second one, so a reading thread never sees another thread's answers.
class SimHidDevice : public HidDevice {
public:
    static std::unique_ptr<SimHidDevice> open(const std::string &socketPath, const std::string &path,
                                              HidOpenFailure &failure);
    ~SimHidDevice() override;

    int read(uint8_t *buf, size_t length, int timeoutMs) override;
    int write(const uint8_t *buf, size_t length, int timeoutMs) override;
    int getFeature(uint8_t *buf, size_t length) override;
    bool setFeature(const uint8_t *buf, size_t length) override;
    bool indexedString(int index, std::u16string &text) override;

private:
    SimHidDevice(HidDeviceInfo info, int control, int stream);

    // The answer's status byte and payload; nullopt on time-out or a lost simulator.
    struct Answer {
        uint8_t status = 0;
        std::vector<uint8_t> payload;
    };
    std::optional<Answer> request(uint8_t op, const std::vector<uint8_t> &payload, int timeoutMs, bool *gone = nullptr);

    std::mutex m_controlLock;
    int m_control;
    int m_stream;
    uint32_t m_sequence = 0;
};

} // namespace platform
