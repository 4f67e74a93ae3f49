#include "sim/SimSignaturePadModel.h"

#include "sim/DevSim.h"

#include <chrono>
#include <mutex>

namespace platform {

namespace {
using Clock = std::chrono::steady_clock;
constexpr size_t RecordHeader = 12;     // the command record starts at byte 4 of either frame
constexpr size_t FeatureAnswerLength = 63;
constexpr uint16_t ReportLength = 320;
constexpr uint8_t ReportFrameId = 5;
constexpr uint8_t FeatureAnswerId = 1;
constexpr uint8_t Busy = 0x60;
} // namespace

struct SimSignaturePadModel::State {
    mutable std::mutex lock;
    SimBytes answer{0x00, 0x90};
    int busyMs = 0;
    Clock::time_point busyUntil;
    std::vector<SimBytes> commands;

    // Notes the record of a frame; false when the frame holds none.
    bool take(const SimBytes &frame)
    {
        if (frame.size() < RecordHeader)
            return false;
        const size_t lc = frame[8] | frame[9] << 8;
        const size_t end = std::min(frame.size(), RecordHeader + lc);
        std::lock_guard<std::mutex> guard(lock);
        commands.emplace_back(frame.begin() + 4, frame.begin() + static_cast<long>(end));
        busyUntil = Clock::now() + std::chrono::milliseconds(busyMs);
        return true;
    }

    // byte 0 the report id, bytes 4-5 the answer's length, the answer from byte 6.
    SimBytes frame(uint8_t id, size_t length) const
    {
        std::lock_guard<std::mutex> guard(lock);
        SimBytes report(length, 0);
        report[0] = id;
        if (id == FeatureAnswerId && Clock::now() < busyUntil) {
            report[1] = Busy;
            return report;
        }
        report[4] = static_cast<uint8_t>(answer.size());
        report[5] = static_cast<uint8_t>(answer.size() >> 8);
        for (size_t i = 0; i < answer.size() && 6 + i < length; ++i)
            report[6 + i] = answer[i];
        return report;
    }
};

SimSignaturePadModel::SimSignaturePadModel(Channel channel)
    : m_state(std::make_shared<State>()), m_channel(channel)
{
}

SimDeviceDesc SimSignaturePadModel::desc() const
{
    SimDeviceDesc desc;
    desc.name = "signature-pad";
    desc.vendorId = VendorId;
    desc.productId = ProductId;
    desc.interfaceNumber = 0;

    SimCollectionDesc pen;
    pen.usagePage = 0x0D;
    pen.usage = 0x01;
    pen.inputLength = 10;
    pen.reportIds = {PenReportId};

    SimCollectionDesc command;
    command.usagePage = 0xFF00;
    const std::shared_ptr<State> state = m_state;
    if (m_channel == Channel::Feature) {
        command.usage = 0x0C;
        command.featureLength = 512;
        command.reportIds = {};
        desc.onSetFeature = [state](const SimRequest &request) { return state->take(request.data); };
        desc.onGetFeature = [state](const SimRequest &request) -> std::optional<SimBytes> {
            if (request.data.empty() || request.data[0] != FeatureAnswerId)
                return std::nullopt;
            return state->frame(FeatureAnswerId, FeatureAnswerLength);
        };
    } else {
        command.usage = 0x01;
        command.inputLength = ReportLength;
        command.outputLength = ReportLength;
        command.reportIds = {ReportFrameId};
        desc.onOutput = [state](const SimRequest &request) {
            if (request.data.empty() || request.data[0] != ReportFrameId || !state->take(request.data))
                return false;
            request.sim.sendInput(request.device, CommandCollection, state->frame(ReportFrameId, ReportLength));
            return true;
        };
    }
    desc.collections = {pen, command};
    desc.strings[2] = u"Velmora Signature Pad";
    return desc;
}

void SimSignaturePadModel::answerStatus(uint16_t status)
{
    answerBytes({static_cast<uint8_t>(status), static_cast<uint8_t>(status >> 8)});
}

void SimSignaturePadModel::answerBytes(const SimBytes &answer)
{
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->answer = answer;
}

void SimSignaturePadModel::answerBusyFor(int milliseconds)
{
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->busyMs = milliseconds;
}

std::vector<SimBytes> SimSignaturePadModel::commands() const
{
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->commands;
}

SimBytes SimSignaturePadModel::penReport(uint8_t type, int x, int y, int pressure)
{
    return {PenReportId, type,
            static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x),
            static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(y),
            static_cast<uint8_t>(pressure >> 2), static_cast<uint8_t>((pressure & 3) << 6),
            0, 0};
}

SimBytes SimSignaturePadModel::keyReport(int code)
{
    return {PenReportId, 0xCC, static_cast<uint8_t>(code), 0, 0, 0, 0, 0, 0, 0};
}

} // namespace platform
