#pragma once

#include "platform/DisplayInfo.h"
#include "platform/HidDeviceInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Messages between the simulated HID backend and the device simulator: one datagram of a
// local SOCK_SEQPACKET socket each, starting with an operation byte.
class SimWire {
public:
    enum Op : uint8_t {
        Enumerate = 'E', Open = 'O', Stream = 'S', Write = 'W', GetFeature = 'G', SetFeature = 'F',
        String = 'T', Close = 'C', Monitor = 'M', Displays = 'D', Reply = 'R', Input = 'I', Arrival = 'A', Removal = 'X',
        // A USB device that presents its HID interfaces later (UsbArrival), and those (InterfaceArrival).
        UsbArrival = 'U', InterfaceArrival = 'N',
    };

    // The status of a refused open when the device's permissions are what refused it (others
    // are 0 done, 1 failed).
    static constexpr uint8_t AccessDenied = 2;

    static constexpr size_t MaxMessage = 65536;

    SimWire() = default;
    SimWire(const uint8_t *data, size_t size) : m_data(data, data + size) {}

    void putU8(uint8_t v) { m_data.push_back(v); }
    void putU16(uint16_t v);
    void putU32(uint32_t v);
    void putBytes(const std::vector<uint8_t> &bytes);
    void putString(const std::string &text);
    void putInfo(const HidDeviceInfo &info);
    void putDisplay(const DisplayInfo &display);

    // Readers stop at the end of the data and then report failure through ok().
    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    std::vector<uint8_t> bytes();
    std::string string();
    HidDeviceInfo info();
    DisplayInfo display();
    bool ok() const { return m_ok; }
    // A count, then that many items read by `item`; stops at the first one cut short.
    template <typename T>
    std::vector<T> list(T (SimWire::*item)())
    {
        std::vector<T> result;
        const uint32_t count = u32();
        for (uint32_t i = 0; i < count && m_ok; ++i) {
            T value = (this->*item)();
            if (m_ok)
                result.push_back(std::move(value));
        }
        return result;
    }

    const std::vector<uint8_t> &data() const { return m_data; }

    // The simulator's socket in the folder named by INKWARDEN_DEVSIM.
    static std::string socketPath(const std::string &folder);
    static int connectTo(const std::string &socketPath);
    // False when the peer is gone or the message could not be queued in time.
    static bool send(int fd, const std::vector<uint8_t> &message, int timeoutMs);
    // 1 with a message, 0 on time-out, -1 when the peer is gone.
    static int receive(int fd, std::vector<uint8_t> &message, int timeoutMs);
    // One request without arguments on a connection of its own; false when no answer came.
    static bool ask(const std::string &socketPath, Op op, int timeoutMs, SimWire &reply);

private:
    bool take(size_t n);

    std::vector<uint8_t> m_data;
    size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace platform
