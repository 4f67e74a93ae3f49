// The pad's command collection: answers read from feature and input reports stay inside their
// report and their bound, and a command's frame carries its record back unchanged.

#include "FuzzInput.h"

#include "PadCommand.h"

namespace {

void checkAnswer(const std::optional<std::vector<uint8_t>> &answer, const std::vector<uint8_t> &report, size_t bound)
{
    if (!answer)
        return;
    FUZZ_CHECK(answer->size() <= bound && 6 + answer->size() <= report.size());
    FUZZ_CHECK(std::equal(answer->begin(), answer->end(), report.begin() + 6));
}

void checkFrame(const std::vector<uint8_t> &frame, const PadCommand &command)
{
    FUZZ_CHECK(frame.size() >= 12 + command.data.size());
    const uint8_t header[] = {command.cla, command.ins, command.p1, command.p2,
                              uint8_t(command.data.size()), uint8_t(command.data.size() >> 8),
                              uint8_t(command.le), uint8_t(command.le >> 8)};
    FUZZ_CHECK(std::equal(std::begin(header), std::end(header), frame.begin() + 4));
    FUZZ_CHECK(std::equal(command.data.begin(), command.data.end(), frame.begin() + 12));
    FUZZ_CHECK(std::all_of(frame.begin() + 12 + long(command.data.size()), frame.end(), [](uint8_t b) { return b == 0; }));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const size_t inputReportLength = in.u16();
    const std::vector<uint8_t> report = in.bytes(in.u16());
    // Exact-size heap copies: ASan sees a read past the report.
    checkAnswer(PadCommand::featureAnswer(report.data(), report.size()), report, PadCommand::FeatureAnswerSize - 6);
    checkAnswer(PadCommand::reportAnswer(report.data(), report.size(), inputReportLength), report,
                inputReportLength < 8 ? 0 : inputReportLength - 8);

    PadCommand command;
    command.cla = in.u8();
    command.ins = in.u8();
    command.p1 = in.u8();
    command.p2 = in.u8();
    command.le = in.u16();
    // Data beyond the input repeats it, so frames of every size up to the largest are reached.
    command.data.resize(size_t(in.u16()) % 16400);
    const std::vector<uint8_t> rest = in.rest();
    for (size_t i = 0; i < command.data.size() && !rest.empty(); ++i)
        command.data[i] = rest[i % rest.size()];
    if (const auto frame = command.featureFrame()) {
        checkFrame(*frame, command);
        const uint8_t id = (*frame)[0];
        FUZZ_CHECK(id >= 0x61 ? frame->size() == size_t(id & 0x0F) * 1024 + 16 : frame->size() == size_t(id) * 64);
    }
    if (const auto frame = command.reportFrame()) {
        checkFrame(*frame, command);
        FUZZ_CHECK(frame->size() == PadCommand::ReportFrameSize && (*frame)[0] == PadCommand::ReportFrameId);
        FUZZ_CHECK(size_t((*frame)[2] << 8 | (*frame)[3]) == command.data.size() + 8);
    }
    return 0;
}
