#include "sim/SimWire.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

int remainingMs(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

} // namespace

void SimWire::putU16(uint16_t v)
{
    putU8(v & 0xFF);
    putU8(v >> 8);
}

void SimWire::putU32(uint32_t v)
{
    putU16(v & 0xFFFF);
    putU16(v >> 16);
}

void SimWire::putBytes(const std::vector<uint8_t> &bytes)
{
    putU32(static_cast<uint32_t>(bytes.size()));
    m_data.insert(m_data.end(), bytes.begin(), bytes.end());
}

void SimWire::putString(const std::string &text)
{
    putBytes(std::vector<uint8_t>(text.begin(), text.end()));
}

void SimWire::putInfo(const HidDeviceInfo &info)
{
    putString(info.path);
    putU16(info.vendorId);
    putU16(info.productId);
    putU16(info.revision);
    putU32(static_cast<uint32_t>(info.interfaceNumber));
    putU32(static_cast<uint32_t>(info.collectionIndex));
    putU32(static_cast<uint32_t>(info.collectionCount));
    putU16(info.caps.usagePage);
    putU16(info.caps.usage);
    putU16(info.caps.inputReportLength);
    putU16(info.caps.outputReportLength);
    putU16(info.caps.featureReportLength);
}

void SimWire::putDisplay(const DisplayInfo &display)
{
    putString(display.name);
    for (int value : {display.x, display.y, display.width, display.height, display.modeWidth, display.modeHeight})
        putU32(static_cast<uint32_t>(value));
    putString(display.monitorId);
}

DisplayInfo SimWire::display()
{
    DisplayInfo display;
    display.name = string();
    for (int *value : {&display.x, &display.y, &display.width, &display.height, &display.modeWidth, &display.modeHeight})
        *value = static_cast<int32_t>(u32());
    display.monitorId = string();
    return display;
}

bool SimWire::take(size_t n)
{
    if (!m_ok || m_data.size() - m_pos < n) {
        m_ok = false;
        return false;
    }
    return true;
}

uint8_t SimWire::u8()
{
    return take(1) ? m_data[m_pos++] : 0;
}

uint16_t SimWire::u16()
{
    const uint16_t low = u8();
    return static_cast<uint16_t>(low | (u8() << 8));
}

uint32_t SimWire::u32()
{
    const uint32_t low = u16();
    return low | (uint32_t(u16()) << 16);
}

std::vector<uint8_t> SimWire::bytes()
{
    const uint32_t n = u32();
    if (!take(n))
        return {};
    std::vector<uint8_t> out(m_data.begin() + m_pos, m_data.begin() + m_pos + n);
    m_pos += n;
    return out;
}

std::string SimWire::string()
{
    const auto raw = bytes();
    return std::string(raw.begin(), raw.end());
}

HidDeviceInfo SimWire::info()
{
    HidDeviceInfo info;
    info.path = string();
    info.vendorId = u16();
    info.productId = u16();
    info.revision = u16();
    info.interfaceNumber = static_cast<int32_t>(u32());
    info.collectionIndex = static_cast<int32_t>(u32());
    info.collectionCount = static_cast<int32_t>(u32());
    info.caps.usagePage = u16();
    info.caps.usage = u16();
    info.caps.inputReportLength = u16();
    info.caps.outputReportLength = u16();
    info.caps.featureReportLength = u16();
    return info;
}

std::string SimWire::socketPath(const std::string &folder)
{
    return folder + "/hid.sock";
}

int SimWire::connectTo(const std::string &socketPath)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path)
        return -1;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SimWire::send(int fd, const std::vector<uint8_t> &message, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const ssize_t n = ::send(fd, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0)
            return true;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        pollfd p{fd, POLLOUT, 0};
        const int wait = remainingMs(deadline);
        if (wait == 0)
            return false;
        if (::poll(&p, 1, wait) < 0 && errno != EINTR)
            return false;
        if (p.revents & (POLLHUP | POLLERR))
            return false;
    }
}

int SimWire::receive(int fd, std::vector<uint8_t> &message, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    message.resize(MaxMessage);
    for (;;) {
        const ssize_t n = ::recv(fd, message.data(), message.size(), MSG_DONTWAIT);
        if (n > 0) {
            message.resize(static_cast<size_t>(n));
            return 1;
        }
        if (n == 0)
            return -1; // orderly shutdown: the device or the simulator went away
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return -1;
        pollfd p{fd, POLLIN, 0};
        const int wait = remainingMs(deadline);
        if (wait == 0) {
            message.clear();
            return 0;
        }
        if (::poll(&p, 1, wait) < 0 && errno != EINTR)
            return -1;
    }
}

bool SimWire::ask(const std::string &socketPath, Op op, int timeoutMs, SimWire &reply)
{
    const int fd = connectTo(socketPath);
    if (fd < 0)
        return false;
    SimWire request;
    request.putU8(op);
    request.putU32(0);
    std::vector<uint8_t> answer;
    const bool answered = send(fd, request.data(), timeoutMs) && receive(fd, answer, timeoutMs) == 1;
    ::close(fd);
    if (answered)
        reply = SimWire(answer.data(), answer.size());
    return answered;
}

} // namespace platform
