// Recorded traces of input reports: any text parses or is refused, and a parsed trace written
// out in the same form reads back the same.

#include "FuzzInput.h"

#include "sim/SimTrace.h"

#include <cinttypes>

using platform::SimTrace;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto trace = SimTrace::parse(std::string(reinterpret_cast<const char *>(data), size));
    if (!trace)
        return 0;
    std::string text;
    for (const SimTrace::Step &step : trace->steps) {
        FUZZ_CHECK(step.delayUs >= 0);
        FUZZ_CHECK(!step.report.empty());
        char delay[32];
        std::snprintf(delay, sizeof delay, "%d.%03d", step.delayUs / 1000, step.delayUs % 1000);
        text += delay;
        for (uint8_t byte : step.report) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02x", byte);
            text += hex;
        }
        text += '\n';
    }
    const auto again = SimTrace::parse(text);
    FUZZ_CHECK(again && again->steps.size() == trace->steps.size());
    for (size_t i = 0; i < trace->steps.size(); ++i) {
        FUZZ_CHECK(again->steps[i].delayUs == trace->steps[i].delayUs);
        FUZZ_CHECK(again->steps[i].report == trace->steps[i].report);
    }
    return 0;
}
