#pragma once

#include "platform/HidDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

// One collection of a hidraw node. Reads from a node carry every collection's reports, so a
// collection of a multi-collection device keeps only reports with its own ids.
class LinuxHidDevice : public HidDevice {
public:
    static std::unique_ptr<LinuxHidDevice> open(const std::string &path, HidOpenFailure &failure);
    ~LinuxHidDevice() override;

    int read(uint8_t *buf, size_t length, int timeoutMs) override;
    int write(const uint8_t *buf, size_t length, int timeoutMs) override;
    int getFeature(uint8_t *buf, size_t length) override;
    bool setFeature(const uint8_t *buf, size_t length) override;
    bool indexedString(int index, std::u16string &text) override;

private:
    LinuxHidDevice(HidDeviceInfo info, int fd, bool numbered, std::vector<uint8_t> reportIds, std::string usbNode);

    int m_fd;
    bool m_numbered;
    std::vector<uint8_t> m_reportIds;
    std::string m_usbNode;   // usbfs node of the parent USB device, for string descriptors
};

} // namespace platform
