#pragma once

#include <array>
#include <cstdint>

// Plain measures on a grey frame (one byte per pixel, rows top to bottom, dark ridges):
// - quality: share of the frame covered by ridges times how clear the ridges are there (their
//   contrast times how well they agree on one direction), 0 to 100;
// - feature record: the ridge direction of each cell of a 16 x 16 grid, or "no ridges";
// - match: the share of ridge cells whose directions agree (within 12 degrees) with the other
//   record's cell at the same place, best over shifts of one cell, 0 to 1.
// They are simple stand-ins for fingerprint algorithms, not minutiae matching.
class FingerprintMeasure
{
public:
    static constexpr int kFeatureBytes = 512;
    static constexpr int kGrid = 16;
    using Feature = std::array<std::uint8_t, kFeatureBytes>;

    FingerprintMeasure(const std::uint8_t *frame, int width, int height);

    int quality() const;
    // False when the frame holds too few ridge cells to describe.
    bool extract(std::uint8_t scannerType, std::uint8_t fingerCode, Feature &feature) const;
    // False when either record is not one of ours.
    static bool match(const std::uint8_t *feature1, const std::uint8_t *feature2, float &score);

private:
    struct Block
    {
        double deviation = 0;  // grey standard deviation: ridge contrast
        double coherence = 0;  // 0 no common direction, 1 parallel ridges
        double direction = 0;  // ridge direction in radians, 0 to pi
    };
    Block block(int left, int top, int width, int height) const;
    bool isRidgeBlock(const Block &b) const;

    const std::uint8_t *m_frame;
    int m_width;
    int m_height;
};
