#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A command record for the pad's command collection, and its frames on the two kinds of
// collection: feature reports (usage 0xFF00:0x0C) or output/input reports (usage 0xFF00:0x01).
struct PadCommand
{
    uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
    uint16_t le = 0;
    std::vector<uint8_t> data;  // Lc = its size

    static PadCommand start() { return {0x83, 0xA4, 0x00, 0x01, 0, {}}; }
    static PadCommand stop() { return {0x83, 0xA4, 0x00, 0x00, 0, {}}; }

    static constexpr uint16_t StatusOk = 0x9000;

    // Feature kind: report id and length grow with the record; nullopt when it fits no frame.
    std::optional<std::vector<uint8_t>> featureFrame() const;
    // Report kind: one 320-byte output report with id 5; nullopt when the data does not fit.
    std::optional<std::vector<uint8_t>> reportFrame() const;

    static constexpr size_t ReportFrameSize = 320;
    static constexpr uint8_t ReportFrameId = 5;
    static constexpr uint8_t FeatureAnswerId = 1;
    static constexpr size_t FeatureAnswerSize = 63;
    static constexpr uint8_t FeatureBusy = 0x60;

    // The answer carried by a feature report (length at bytes 4-5, data from byte 6, at most 57).
    static std::optional<std::vector<uint8_t>> featureAnswer(const uint8_t* report, size_t length);
    // The answer carried by an input report of the report kind, bounded by the collection's input length.
    static std::optional<std::vector<uint8_t>> reportAnswer(const uint8_t* report, size_t length,
                                                            size_t inputReportLength);

private:
    void putHeader(std::vector<uint8_t>& frame) const;
};
