#include "sim/SimTrace.h"

#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>

namespace platform {

std::optional<SimTrace> SimTrace::parse(const std::string &text)
{
    SimTrace trace;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream fields(line);
        double delayMs = 0;
        if (!(fields >> delayMs))
            continue;
        if (delayMs < 0)
            return std::nullopt;
        Step step;
        // Nearest, not truncated: 2.002 ms is 2001.9999... in binary.
        step.delayUs = static_cast<int>(std::round(delayMs * 1000));
        std::string hex;
        while (fields >> hex) {
            if (hex.size() % 2 != 0)
                return std::nullopt;
            for (size_t i = 0; i < hex.size(); i += 2) {
                if (!std::isxdigit(static_cast<unsigned char>(hex[i])) || !std::isxdigit(static_cast<unsigned char>(hex[i + 1])))
                    return std::nullopt;
                step.report.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
            }
        }
        if (step.report.empty())
            return std::nullopt;
        trace.steps.push_back(std::move(step));
    }
    return trace;
}

std::optional<SimTrace> SimTrace::load(const std::string &file)
{
    std::ifstream in(file);
    if (!in)
        return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

} // namespace platform
