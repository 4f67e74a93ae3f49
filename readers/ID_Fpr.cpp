#include "ID_Fpr.h"

#include "FingerprintMeasure.h"
#include "FingerprintSimulator.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace {

std::atomic<bool> begun{false};

// Frames are the capture library's: its simulated size when that is sane, else its default.
std::pair<int, int> frameSize()
{
    FingerprintSimulator &sim = FingerprintSimulator::instance();
    const int width = sim.setting("livescan", "width", 256);
    const int height = sim.setting("livescan", "height", 360);
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096)
        return {256, 360};
    return {width, height};
}

} // namespace

int FP_Begin(void)
{
    begun = true;
    return FP_OK;
}

int FP_End(void)
{
    return begun.exchange(false) ? FP_OK : FP_ERR_NOT_BEGUN;
}

int FP_GetQualityScore(const unsigned char *frame, unsigned char *score)
{
    if (!begun)
        return FP_ERR_NOT_BEGUN;
    if (!frame || !score)
        return FP_ERR_ARGUMENT;
    const int scripted = FingerprintSimulator::instance().takeScripted("reader", "quality", -1);
    if (scripted >= 0) {
        *score = static_cast<unsigned char>(std::min(scripted, 255));
        return FP_OK;
    }
    const auto [width, height] = frameSize();
    *score = static_cast<unsigned char>(FingerprintMeasure(frame, width, height).quality());
    return FP_OK;
}

int FP_FeatureExtract(unsigned char scannerType, unsigned char fingerCode, const unsigned char *frame,
                      unsigned char *feature)
{
    if (!begun)
        return FP_ERR_NOT_BEGUN;
    if (!frame || !feature)
        return FP_ERR_ARGUMENT;
    const auto [width, height] = frameSize();
    FingerprintMeasure::Feature record;
    if (!FingerprintMeasure(frame, width, height).extract(scannerType, fingerCode, record))
        return FP_ERR_TOO_FEW_FEATURES;
    std::copy(record.begin(), record.end(), feature);
    return FP_OK;
}

int FP_FeatureMatch(const unsigned char *feature1, const unsigned char *feature2, float *score)
{
    if (!begun)
        return FP_ERR_NOT_BEGUN;
    if (!feature1 || !feature2 || !score)
        return FP_ERR_ARGUMENT;
    float similarity = 0;
    if (!FingerprintMeasure::match(feature1, feature2, similarity))
        return FP_ERR_BAD_FEATURE;
    *score = similarity;
    return FP_OK;
}
