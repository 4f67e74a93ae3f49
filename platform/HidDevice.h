#pragma once

#include "platform/HidDeviceInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Why an interface could not be opened: the user was refused access to the device node (its
// permissions, EACCES), or anything else.
enum class HidOpenFailure { None, AccessDenied, Other };

// An open HID interface (one top-level collection). Reports use the Windows layout: byte 0 is
// the report id (0 on devices without numbered reports). One thread may read while others
// write or exchange feature reports.
class HidDevice {
public:
    virtual ~HidDevice() = default;

    const HidDeviceInfo &info() const { return m_info; }

    // Reads one input report into buf, zero-filling the rest of it. Returns the report's byte
    // count, 0 when none arrived within timeoutMs, or -1 when the device failed or is gone.
    virtual int read(uint8_t *buf, size_t length, int timeoutMs) = 0;

    // Writes one output report. Returns the byte count, 0 on time-out, -1 on failure.
    virtual int write(const uint8_t *buf, size_t length, int timeoutMs) = 0;

    // buf[0] names the report id on entry; on success the report fills buf and its byte
    // count is returned; -1 on failure.
    virtual int getFeature(uint8_t *buf, size_t length) = 0;
    virtual bool setFeature(const uint8_t *buf, size_t length) = 0;

    // USB string descriptor `index` of the device, as UTF-16.
    virtual bool indexedString(int index, std::u16string &text) = 0;

protected:
    explicit HidDevice(HidDeviceInfo info) : m_info(std::move(info)) {}

private:
    HidDeviceInfo m_info;
};

} // namespace platform
