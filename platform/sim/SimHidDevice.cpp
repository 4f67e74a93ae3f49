#include "sim/SimHidDevice.h"

#include "sim/SimHidBackend.h"
#include "sim/SimWire.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <unistd.h>

namespace platform {

std::unique_ptr<SimHidDevice> SimHidDevice::open(const std::string &socketPath, const std::string &path,
                                                 HidOpenFailure &failure)
{
    const int timeout = SimHidBackend::RequestTimeoutMs;
    const int control = SimWire::connectTo(socketPath);
    if (control < 0)
        return nullptr;
    SimWire request;
    request.putU8(SimWire::Open);
    request.putU32(0);
    request.putString(path);
    std::vector<uint8_t> answer;
    if (!SimWire::send(control, request.data(), timeout) || SimWire::receive(control, answer, timeout) != 1) {
        ::close(control);
        return nullptr;
    }
    SimWire reply(answer.data(), answer.size());
    reply.u8();
    reply.u32();
    const uint8_t status = reply.u8();
    const uint32_t token = reply.u32();
    HidDeviceInfo info = reply.info();
    if (!reply.ok() || status != 0) {
        if (status == SimWire::AccessDenied)
            failure = HidOpenFailure::AccessDenied;
        ::close(control);
        return nullptr;
    }

    const int stream = SimWire::connectTo(socketPath);
    SimWire attach;
    attach.putU8(SimWire::Stream);
    attach.putU32(0);
    attach.putU32(token);
    if (stream < 0 || !SimWire::send(stream, attach.data(), timeout) || SimWire::receive(stream, answer, timeout) != 1
        || answer.size() < 6 || answer[5] != 0) {
        if (stream >= 0)
            ::close(stream);
        ::close(control);
        return nullptr;
    }
    return std::unique_ptr<SimHidDevice>(new SimHidDevice(std::move(info), control, stream));
}

SimHidDevice::SimHidDevice(HidDeviceInfo info, int control, int stream)
    : HidDevice(std::move(info)), m_control(control), m_stream(stream)
{
}

SimHidDevice::~SimHidDevice()
{
    // Closing is acknowledged, so the simulator's view of open handles is exact on return.
    request(SimWire::Close, {}, SimHidBackend::RequestTimeoutMs);
    ::close(m_stream);
    ::close(m_control);
}

int SimHidDevice::read(uint8_t *buf, size_t length, int timeoutMs)
{
    std::vector<uint8_t> message;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        const int got = SimWire::receive(m_stream, message, left < 0 ? 0 : static_cast<int>(left));
        if (got <= 0)
            return got;
        SimWire frame(message.data(), message.size());
        if (frame.u8() != SimWire::Input)
            continue;
        const std::vector<uint8_t> report = frame.bytes();
        if (!frame.ok())
            continue;
        std::memset(buf, 0, length);
        const size_t n = std::min(length, report.size());
        std::memcpy(buf, report.data(), n);
        return static_cast<int>(n);
    }
}

std::optional<SimHidDevice::Answer> SimHidDevice::request(uint8_t op, const std::vector<uint8_t> &payload, int timeoutMs, bool *gone)
{
    std::lock_guard<std::mutex> guard(m_controlLock);
    const uint32_t sequence = ++m_sequence;
    SimWire message;
    message.putU8(op);
    message.putU32(sequence);
    for (uint8_t b : payload)
        message.putU8(b);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!SimWire::send(m_control, message.data(), timeoutMs)) {
        if (gone)
            *gone = true;
        return std::nullopt;
    }
    std::vector<uint8_t> raw;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        const int got = SimWire::receive(m_control, raw, left < 0 ? 0 : static_cast<int>(left));
        if (got <= 0) {
            if (gone)
                *gone = got < 0;
            return std::nullopt;
        }
        SimWire reply(raw.data(), raw.size());
        // Answers to requests that timed out earlier arrive late; they are skipped by number.
        if (reply.u8() != SimWire::Reply || reply.u32() != sequence)
            continue;
        Answer answer;
        answer.status = reply.u8();
        answer.payload = reply.bytes();
        if (reply.ok())
            return answer;
    }
}

int SimHidDevice::write(const uint8_t *buf, size_t length, int timeoutMs)
{
    SimWire payload;
    payload.putBytes(std::vector<uint8_t>(buf, buf + length));
    bool gone = false;
    const auto answer = request(SimWire::Write, payload.data(), timeoutMs, &gone);
    if (!answer)
        return gone ? -1 : 0;
    return answer->status == 0 ? static_cast<int>(length) : -1;
}

int SimHidDevice::getFeature(uint8_t *buf, size_t length)
{
    if (length == 0)
        return -1;
    SimWire payload;
    payload.putBytes(std::vector<uint8_t>(buf, buf + length));
    const auto answer = request(SimWire::GetFeature, payload.data(), SimHidBackend::RequestTimeoutMs);
    if (!answer || answer->status != 0)
        return -1;
    std::memset(buf, 0, length);
    const size_t n = std::min(length, answer->payload.size());
    std::memcpy(buf, answer->payload.data(), n);
    return static_cast<int>(n);
}

bool SimHidDevice::setFeature(const uint8_t *buf, size_t length)
{
    SimWire payload;
    payload.putBytes(std::vector<uint8_t>(buf, buf + length));
    const auto answer = request(SimWire::SetFeature, payload.data(), SimHidBackend::RequestTimeoutMs);
    return answer && answer->status == 0;
}

bool SimHidDevice::indexedString(int index, std::u16string &text)
{
    SimWire payload;
    payload.putU32(static_cast<uint32_t>(index));
    const auto answer = request(SimWire::String, payload.data(), SimHidBackend::RequestTimeoutMs);
    if (!answer || answer->status != 0)
        return false;
    text.clear();
    for (size_t i = 0; i + 1 < answer->payload.size(); i += 2)
        text.push_back(static_cast<char16_t>(answer->payload[i] | (answer->payload[i + 1] << 8)));
    return true;
}

} // namespace platform
