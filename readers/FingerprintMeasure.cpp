#include "FingerprintMeasure.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kQualityBlock = 16;
constexpr double kRidgeDeviation = 15.0;
constexpr double kRidgeCoherence = 0.2;
constexpr int kMinimumCells = 16;
constexpr int kMaxShift = 1;
constexpr int kMinimumOverlap = 12;
constexpr int kSameDirection = 12; // degrees
constexpr std::uint8_t kNoRidges = 255;
constexpr char kMagic[4] = {'I', 'W', 'F', '1'};
constexpr int kCellsOffset = 16;

} // namespace

FingerprintMeasure::FingerprintMeasure(const std::uint8_t *frame, int width, int height)
    : m_frame(frame), m_width(width), m_height(height)
{
}

FingerprintMeasure::Block FingerprintMeasure::block(int left, int top, int width, int height) const
{
    double sum = 0, sumSq = 0, gxx = 0, gyy = 0, gxy = 0;
    for (int y = top; y < top + height; ++y) {
        const std::uint8_t *row = m_frame + std::size_t(y) * std::size_t(m_width);
        for (int x = left; x < left + width; ++x) {
            const double v = row[x];
            sum += v;
            sumSq += v * v;
            const int xl = std::max(x - 1, 0), xr = std::min(x + 1, m_width - 1);
            const int yu = std::max(y - 1, 0), yd = std::min(y + 1, m_height - 1);
            const double gx = double(row[xr]) - double(row[xl]);
            const double gy = double(m_frame[std::size_t(yd) * std::size_t(m_width) + std::size_t(x)])
                              - double(m_frame[std::size_t(yu) * std::size_t(m_width) + std::size_t(x)]);
            gxx += gx * gx;
            gyy += gy * gy;
            gxy += gx * gy;
        }
    }
    Block b;
    const double n = double(width) * double(height);
    const double mean = sum / n;
    b.deviation = std::sqrt(std::max(0.0, sumSq / n - mean * mean));
    const double energy = gxx + gyy;
    if (energy > 0)
        b.coherence = std::sqrt((gxx - gyy) * (gxx - gyy) + 4 * gxy * gxy) / energy;
    // The gradient runs across the ridges; the ridges run at a right angle to it.
    double direction = 0.5 * std::atan2(2 * gxy, gxx - gyy) + kPi / 2;
    if (direction >= kPi)
        direction -= kPi;
    b.direction = direction;
    return b;
}

bool FingerprintMeasure::isRidgeBlock(const Block &b) const
{
    return b.deviation >= kRidgeDeviation && b.coherence >= kRidgeCoherence;
}

int FingerprintMeasure::quality() const
{
    const int columns = m_width / kQualityBlock;
    const int rows = m_height / kQualityBlock;
    if (columns <= 0 || rows <= 0)
        return 0;
    int ridgeBlocks = 0;
    double clearness = 0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const Block b = block(c * kQualityBlock, r * kQualityBlock, kQualityBlock, kQualityBlock);
            if (!isRidgeBlock(b))
                continue;
            ++ridgeBlocks;
            clearness += std::min(b.deviation / 60.0, 1.0) * b.coherence;
        }
    }
    if (ridgeBlocks == 0)
        return 0;
    // A finger rarely fills the glass: half the frame counts as fully covered.
    const double coverage = std::min(1.0, double(ridgeBlocks) / (double(columns) * rows) / 0.5);
    return int(std::lround(100.0 * coverage * clearness / ridgeBlocks));
}

bool FingerprintMeasure::extract(std::uint8_t scannerType, std::uint8_t fingerCode, Feature &feature) const
{
    feature.fill(0);
    const int cellW = m_width / kGrid;
    const int cellH = m_height / kGrid;
    if (cellW < 4 || cellH < 4)
        return false;
    int ridgeCells = 0;
    for (int r = 0; r < kGrid; ++r) {
        for (int c = 0; c < kGrid; ++c) {
            const Block b = block(c * cellW, r * cellH, cellW, cellH);
            std::uint8_t &cell = feature[std::size_t(kCellsOffset + r * kGrid + c)];
            if (!isRidgeBlock(b)) {
                cell = kNoRidges;
                continue;
            }
            cell = std::uint8_t(std::min(179L, std::lround(b.direction * 180.0 / kPi) % 180));
            ++ridgeCells;
        }
    }
    if (ridgeCells < kMinimumCells)
        return false;
    std::memcpy(feature.data(), kMagic, sizeof kMagic);
    feature[4] = std::uint8_t(m_width & 0xff);
    feature[5] = std::uint8_t(m_width >> 8);
    feature[6] = std::uint8_t(m_height & 0xff);
    feature[7] = std::uint8_t(m_height >> 8);
    feature[8] = scannerType;
    feature[9] = fingerCode;
    feature[10] = std::uint8_t(ridgeCells & 0xff);
    feature[11] = std::uint8_t(ridgeCells >> 8);
    return true;
}

bool FingerprintMeasure::match(const std::uint8_t *feature1, const std::uint8_t *feature2, float &score)
{
    if (std::memcmp(feature1, kMagic, sizeof kMagic) != 0 || std::memcmp(feature2, kMagic, sizeof kMagic) != 0)
        return false;
    const std::uint8_t *cells1 = feature1 + kCellsOffset;
    const std::uint8_t *cells2 = feature2 + kCellsOffset;
    const auto wellFormed = [](const std::uint8_t *cells) {
        return std::all_of(cells, cells + kGrid * kGrid, [](std::uint8_t v) { return v < 180 || v == kNoRidges; });
    };
    if (!wellFormed(cells1) || !wellFormed(cells2))
        return false;
    const auto ridgeCells = [](const std::uint8_t *cells) {
        return int(std::count_if(cells, cells + kGrid * kGrid, [](std::uint8_t v) { return v != kNoRidges; }));
    };
    const int fewer = std::min(ridgeCells(cells1), ridgeCells(cells2));
    double best = 0;
    for (int dy = -kMaxShift; dy <= kMaxShift; ++dy) {
        for (int dx = -kMaxShift; dx <= kMaxShift; ++dx) {
            int common = 0;
            int agreement = 0;
            for (int r = std::max(0, -dy); r < std::min(kGrid, kGrid - dy); ++r) {
                for (int c = std::max(0, -dx); c < std::min(kGrid, kGrid - dx); ++c) {
                    const std::uint8_t a = cells1[r * kGrid + c];
                    const std::uint8_t b = cells2[(r + dy) * kGrid + (c + dx)];
                    if (a == kNoRidges || b == kNoRidges)
                        continue;
                    ++common;
                    // Directions are axial: 0 and 180 degrees are the same ridge.
                    const int apart = std::abs(int(a) - int(b));
                    if (std::min(apart, 180 - apart) <= kSameDirection)
                        ++agreement;
                }
            }
            if (common < kMinimumOverlap || fewer == 0)
                continue;
            const double similarity = double(agreement) / fewer;
            best = std::max(best, similarity);
        }
    }
    score = float(std::min(1.0, best));
    return true;
}
