#pragma once

#include "sim/SimDeviceDesc.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// A recorded sequence of input reports, each sent a delay after the one before.
struct SimTrace {
    struct Step {
        int delayUs = 0;
        SimBytes report;
    };
    std::vector<Step> steps;

    // Text form, one report a line: "<delay in ms> <hex bytes>", '#' starts a comment. A
    // delay is at most 2147483 ms. Without a trace, `error` says which line is wrong and why.
    static std::optional<SimTrace> parse(const std::string &text, std::string &error);
    static std::optional<SimTrace> parse(const std::string &text);
    static std::optional<SimTrace> load(const std::string &file, std::string &error);
};

} // namespace platform
