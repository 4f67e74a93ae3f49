#include "sim/SimTrace.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace platform {

namespace {

// The longest delay a step holds, in milliseconds.
constexpr double MaxDelayMs = INT_MAX / 1000.0;

std::string lineError(int number, const std::string &what)
{
    return "line " + std::to_string(number) + ": " + what;
}

} // namespace

std::optional<SimTrace> SimTrace::parse(const std::string &text)
{
    std::string ignored;
    return parse(text, ignored);
}

std::optional<SimTrace> SimTrace::parse(const std::string &text, std::string &error)
{
    SimTrace trace;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = line.substr(0, line.find('#'));
        std::istringstream fields(line);
        std::string delay;
        if (!(fields >> delay))
            continue;
        double delayMs = 0;
        const auto [end, failure] = std::from_chars(delay.data(), delay.data() + delay.size(), delayMs);
        if (failure != std::errc() || end != delay.data() + delay.size() || std::isnan(delayMs)) {
            error = lineError(number, "not a delay in milliseconds: " + delay);
            return std::nullopt;
        }
        if (delayMs < 0) {
            error = lineError(number, "a negative delay");
            return std::nullopt;
        }
        if (!(delayMs <= MaxDelayMs)) {
            std::ostringstream text;
            text << "a delay of " << std::setprecision(15) << delayMs << " ms is longer than the longest, " << static_cast<int>(MaxDelayMs) << " ms";
            error = lineError(number, text.str());
            return std::nullopt;
        }
        Step step;
        // Nearest, not truncated: 2.002 ms is 2001.9999... in binary.
        step.delayUs = static_cast<int>(std::round(delayMs * 1000));
        std::string hex;
        while (fields >> hex) {
            if (hex.size() % 2 != 0) {
                error = lineError(number, "an odd number of hexadecimal digits in " + hex);
                return std::nullopt;
            }
            for (size_t i = 0; i < hex.size(); i += 2) {
                if (!std::isxdigit(static_cast<unsigned char>(hex[i])) || !std::isxdigit(static_cast<unsigned char>(hex[i + 1]))) {
                    error = lineError(number, "not hexadecimal: " + hex);
                    return std::nullopt;
                }
                step.report.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
            }
        }
        if (step.report.empty()) {
            error = lineError(number, "no report after the delay");
            return std::nullopt;
        }
        trace.steps.push_back(std::move(step));
    }
    return trace;
}

std::optional<SimTrace> SimTrace::load(const std::string &file, std::string &error)
{
    std::ifstream in(file);
    if (!in) {
        error = "cannot be read";
        return std::nullopt;
    }
    std::stringstream text;
    text << in.rdbuf();
    return parse(text.str(), error);
}

} // namespace platform
