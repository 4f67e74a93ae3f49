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

    // Text form, one report a line: "<delay in ms> <hex bytes>", '#' starts a comment.
    static std::optional<SimTrace> parse(const std::string &text);
    static std::optional<SimTrace> load(const std::string &file);
};

} // namespace platform
