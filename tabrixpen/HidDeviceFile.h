#pragma once

#include "platform/HidDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// HID attributes as Windows reports them.
struct HidAttributes {
    uint32_t size = sizeof(HidAttributes);
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
};

// An opened tablet interface. Attributes and capabilities survive close() and are replaced
// by the next successful open(). Not locked: its owner serialises open and close.
class HidDeviceFile {
public:
    // A failed open leaves the file closed; a refused permission is reported on standard
    // error, the library's only log.
    bool open(const std::string &path);
    void close();
    bool isOpen() const { return m_device != nullptr; }

    // True when the whole report was written within the time-out.
    bool write(const std::vector<uint8_t> &report, int timeoutMs);
    // As HidDevice::read; -1 when the file is closed.
    int read(uint8_t *buf, size_t length, int timeoutMs);
    bool indexedString(int index, std::u16string &text);

    const HidAttributes &attributes() const { return m_attributes; }
    const platform::HidCaps &caps() const { return m_caps; }

private:
    std::unique_ptr<platform::HidDevice> m_device;
    HidAttributes m_attributes;
    platform::HidCaps m_caps;
};
