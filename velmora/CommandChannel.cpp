#include "CommandChannel.h"

#include "PadIdentity.h"

#include "platform/Hid.h"

#include <Velmora.h>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> g_lastKind{CommandChannel::Unknown};

// One command at a time, whichever thread sends it.
std::mutex& commandBusy()
{
    static auto* busy = new std::mutex;
    return *busy;
}

using Clock = std::chrono::steady_clock;

} // namespace

CommandChannel::CommandChannel(std::unique_ptr<platform::HidDevice> device, Kind kind)
    : m_device(std::move(device)), m_kind(kind)
{
}

CommandChannel::~CommandChannel() = default;

CommandChannel::Kind CommandChannel::lastKind()
{
    return Kind(g_lastKind.load());
}

int CommandChannel::open(std::unique_ptr<CommandChannel>& channel)
{
    for (const platform::HidDeviceInfo& info : platform::hid::enumerate()) {
        const Kind kind = PadIdentity::commandKind(info);
        if (kind == Unknown)
            continue;
        g_lastKind = kind;
        std::unique_ptr<platform::HidDevice> device = PadIdentity::open(info);
        if (!device)
            return VELMORA_NO_HANDLE;
        channel.reset(new CommandChannel(std::move(device), kind));
        return 0;
    }
    return VELMORA_PAD_NOT_FOUND;
}

int CommandChannel::send(const PadCommand& command)
{
    std::unique_ptr<CommandChannel> channel;
    if (const int r = open(channel))
        return r;
    return channel->transceive(command);
}

int CommandChannel::transceive(const PadCommand& command, std::vector<uint8_t>* payload)
{
    std::vector<uint8_t> answer;
    {
        std::lock_guard<std::mutex> busy(commandBusy());
        const bool ok = m_kind == FeatureKind ? exchangeFeature(command, answer) : exchangeReport(command, answer);
        if (!ok)
            return TransportFailed;
    }
    // A status needs two bytes of this answer; nothing is taken from an older one.
    if (answer.size() < 2)
        return TransportFailed;
    const int status = answer[0] | answer[1] << 8;
    if (status != PadCommand::StatusOk)
        return status;
    if (payload)
        payload->assign(answer.begin() + 2, answer.end());
    return 0;
}

bool CommandChannel::exchangeFeature(const PadCommand& command, std::vector<uint8_t>& answer)
{
    if (m_device->info().caps.featureReportLength == 0)
        return false;
    const auto frame = command.featureFrame();
    if (!frame || !m_device->setFeature(frame->data(), frame->size()))
        return false;

    const auto deadline = Clock::now() + std::chrono::milliseconds(AnswerTimeoutMs);
    uint8_t report[PadCommand::FeatureAnswerSize];
    for (;;) {
        std::fill(std::begin(report), std::end(report), 0);
        report[0] = PadCommand::FeatureAnswerId;
        const int n = m_device->getFeature(report, sizeof report);
        if (n < 0)
            return false;
        if (report[1] != PadCommand::FeatureBusy) {
            const auto parsed = PadCommand::featureAnswer(report, size_t(n));
            if (!parsed)
                return false;
            answer = *parsed;
            return true;
        }
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::yield();
    }
}

bool CommandChannel::exchangeReport(const PadCommand& command, std::vector<uint8_t>& answer)
{
    const platform::HidCaps& caps = m_device->info().caps;
    if (caps.inputReportLength == 0 || caps.outputReportLength == 0)
        return false;
    const auto frame = command.reportFrame();
    if (!frame || m_device->write(frame->data(), frame->size(), AnswerTimeoutMs) <= 0)
        return false;

    // Every open interface of the device sees every input report: wait for the answer's id.
    const auto deadline = Clock::now() + std::chrono::milliseconds(AnswerTimeoutMs);
    uint8_t report[PadCommand::ReportFrameSize];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        report[0] = PadCommand::ReportFrameId;
        const int n = m_device->read(report, sizeof report, int(left));
        if (n <= 0)
            return false;
        if (report[0] != PadCommand::ReportFrameId)
            continue;
        const auto parsed = PadCommand::reportAnswer(report, size_t(n), caps.inputReportLength);
        if (!parsed)
            return false;
        answer = *parsed;
        return true;
    }
}
