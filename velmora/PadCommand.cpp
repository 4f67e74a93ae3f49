#include "PadCommand.h"

namespace {
constexpr size_t HeaderSize = 12;
uint16_t littleEndian(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
} // namespace

void PadCommand::putHeader(std::vector<uint8_t>& frame) const
{
    const size_t lc = data.size();
    frame[4] = cla;
    frame[5] = ins;
    frame[6] = p1;
    frame[7] = p2;
    frame[8] = uint8_t(lc);
    frame[9] = uint8_t(lc >> 8);
    frame[10] = uint8_t(le);
    frame[11] = uint8_t(le >> 8);
    std::copy(data.begin(), data.end(), frame.begin() + HeaderSize);
}

std::optional<std::vector<uint8_t>> PadCommand::featureFrame() const
{
    if (data.size() > 0xFFFF)
        return std::nullopt;
    const size_t total = data.size() + HeaderSize;
    uint8_t id;
    size_t length;
    if (total <= 512) {
        id = uint8_t(((total - 1) >> 6) + 1);
        length = size_t(id) * 64;
    } else {
        const size_t m = ((total - 17) >> 10) + 1;
        if (m > 0x0F)  // the id keeps the count in its low four bits
            return std::nullopt;
        id = uint8_t(0x60 | m);
        length = m * 1024 + 16;
    }
    std::vector<uint8_t> frame(length, 0);
    frame[0] = id;
    putHeader(frame);
    return frame;
}

std::optional<std::vector<uint8_t>> PadCommand::reportFrame() const
{
    if (data.size() + HeaderSize > ReportFrameSize)
        return std::nullopt;
    std::vector<uint8_t> frame(ReportFrameSize, 0);
    frame[0] = ReportFrameId;
    const size_t length = data.size() + 8;
    frame[2] = uint8_t(length >> 8);
    frame[3] = uint8_t(length);
    putHeader(frame);
    return frame;
}

std::optional<std::vector<uint8_t>> PadCommand::featureAnswer(const uint8_t* report, size_t length)
{
    constexpr size_t Start = 6;
    if (length < Start)
        return std::nullopt;
    const size_t n = littleEndian(report + 4);
    if (n > FeatureAnswerSize - Start || Start + n > length)
        return std::nullopt;
    return std::vector<uint8_t>(report + Start, report + Start + n);
}

std::optional<std::vector<uint8_t>> PadCommand::reportAnswer(const uint8_t* report, size_t length,
                                                             size_t inputReportLength)
{
    constexpr size_t Start = 6;
    if (length < Start || inputReportLength < 8)
        return std::nullopt;
    const size_t n = littleEndian(report + 4);
    if (n > inputReportLength - 8 || Start + n > length)
        return std::nullopt;
    return std::vector<uint8_t>(report + Start, report + Start + n);
}
