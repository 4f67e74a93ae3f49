#include "ID_Fpr.h"

#include "FingerprintMeasure.h"
#include "FingerprintSimulator.h"
#include "ID_FprCap.h"

#include <algorithm>
#include <mutex>

namespace {

// Frames are the capture library's: the size of its open capture session when that is sane, else
// its default. The size is taken when the session begins and holds until it ends, as the caller's
// frames do; the settings file may say otherwise by then, the frames in hand do not.
struct Session
{
    bool begun = false;
    int width = 0;
    int height = 0;
};

std::mutex sessionMutex;
Session session;

Session current()
{
    std::lock_guard<std::mutex> lock(sessionMutex);
    return session;
}

} // namespace

int FP_Begin(void)
{
    int width = 0;
    int height = 0;
    if (LIVESCAN_GetMaxImageSize(0, &width, &height) != LIVESCAN_OK || width <= 0 || height <= 0 || width > 4096
        || height > 4096) {
        width = 256;
        height = 360;
    }
    std::lock_guard<std::mutex> lock(sessionMutex);
    session = Session{true, width, height};
    return FP_OK;
}

int FP_End(void)
{
    std::lock_guard<std::mutex> lock(sessionMutex);
    const bool begun = session.begun;
    session = Session();
    return begun ? FP_OK : FP_ERR_NOT_BEGUN;
}

int FP_GetQualityScore(const unsigned char *frame, unsigned char *score)
{
    const Session frames = current();
    if (!frames.begun)
        return FP_ERR_NOT_BEGUN;
    if (!frame || !score)
        return FP_ERR_ARGUMENT;
    const int scripted = FingerprintSimulator::instance().takeScripted("reader", "quality", -1);
    if (scripted >= 0) {
        *score = static_cast<unsigned char>(std::min(scripted, 255));
        return FP_OK;
    }
    *score = static_cast<unsigned char>(FingerprintMeasure(frame, frames.width, frames.height).quality());
    return FP_OK;
}

int FP_FeatureExtract(unsigned char scannerType, unsigned char fingerCode, const unsigned char *frame,
                      unsigned char *feature)
{
    const Session frames = current();
    if (!frames.begun)
        return FP_ERR_NOT_BEGUN;
    if (!frame || !feature)
        return FP_ERR_ARGUMENT;
    FingerprintMeasure::Feature record;
    if (!FingerprintMeasure(frame, frames.width, frames.height).extract(scannerType, fingerCode, record))
        return FP_ERR_TOO_FEW_FEATURES;
    std::copy(record.begin(), record.end(), feature);
    return FP_OK;
}

int FP_FeatureMatch(const unsigned char *feature1, const unsigned char *feature2, float *score)
{
    if (!current().begun)
        return FP_ERR_NOT_BEGUN;
    if (!feature1 || !feature2 || !score)
        return FP_ERR_ARGUMENT;
    float similarity = 0;
    if (!FingerprintMeasure::match(feature1, feature2, similarity))
        return FP_ERR_BAD_FEATURE;
    *score = similarity;
    return FP_OK;
}
