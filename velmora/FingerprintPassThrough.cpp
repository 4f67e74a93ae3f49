#include "FingerprintPassThrough.h"

#include "GreyPng.h"
#include "PadLog.h"
#include "VelmoraFingerprint.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr int kVendorOk = 1;
constexpr unsigned char kScannerType = 11;
constexpr unsigned char kFingerCode = 12;
constexpr std::chrono::milliseconds kRetryPause(100);

// A vendor failure must never read as our success (0).
int vendorFailure(int result)
{
    return result == 0 ? ZAFP_VENDOR_FAILED : result;
}

// 0 when the vendor function answers success; a function the vendor lacks is ZAFP_MISSING.
template <typename Function, typename... Args>
int callVendor(Function function, Args... args)
{
    if (!function)
        return ZAFP_MISSING;
    const int result = function(args...);
    return result == kVendorOk ? 0 : vendorFailure(result);
}

} // namespace

FingerprintPassThrough::FingerprintPassThrough(VendorLoader loader) : m_loader(std::move(loader)) {}

FingerprintPassThrough& FingerprintPassThrough::instance()
{
    static FingerprintPassThrough passThrough([] { return FingerprintVendor::load(); });
    return passThrough;
}

int FingerprintPassThrough::begin()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ready = false; // the reader is initialised afresh; what was known of it no longer holds
    const FingerprintVendor vendor = m_loader();
    if (vendor.getVersion)
        vendor.getVersion();
    if (const int init = callVendor(vendor.init))
        return init;

    if (!vendor.getChannelCount)
        return ZAFP_MISSING;
    const int channels = vendor.getChannelCount();
    if (channels < 0)
        return 1; // no channel to use: not ready
    if (channels >= 1)
        m_channel = 0;

    int width = 0;
    int height = 0;
    if (const int size = callVendor(vendor.getMaxImageSize, m_channel, &width, &height))
        return size;
    if (width <= 0 || height <= 0 || width > LargestSide || height > LargestSide) {
        padLog(Line, "Fingerprint reader reported the frame size %d x %d; not used", width, height);
        return ZAFP_BAD_FRAME_SIZE;
    }

    if (const int algorithms = callVendor(vendor.fpBegin))
        return algorithms;
    m_width = width;
    m_height = height;
    m_ready = true;
    return 0;
}

FingerprintPassThrough::Capture FingerprintPassThrough::captureFrame(const FingerprintVendor& vendor,
                                                                     int timeoutSeconds, unsigned int minQuality,
                                                                     const char* path,
                                                                     std::vector<unsigned char>& frame)
{
    const int minimum = int(minQuality & 0xFF);
    if (!vendor.beginCapture || !vendor.getRawData || !vendor.qualityScore || !vendor.endCapture)
        return {ZAFP_MISSING, 0};
    frame.assign(size_t(m_width) * size_t(m_height), 0);
    const auto start = std::chrono::steady_clock::now();
    const auto timeout = std::chrono::seconds(timeoutSeconds > 0 ? timeoutSeconds : 0);
    for (;;) {
        vendor.beginCapture(m_channel);
        const int read = vendor.getRawData(m_channel, frame.data());
        if (read != kVendorOk)
            return {vendorFailure(read), 0};
        unsigned char score = 0;
        vendor.qualityScore(frame.data(), &score);
        if (score >= minimum) {
            if (path)
                saveFrame(path, frame);
            return {0, score};
        }
        if (std::chrono::steady_clock::now() - start >= timeout)
            break;
        std::this_thread::sleep_for(kRetryPause);
    }
    vendor.endCapture(m_channel);
    return {ZAFP_TIMEOUT, 0};
}

void FingerprintPassThrough::saveFrame(const char* path, const std::vector<unsigned char>& frame) const
{
    const std::string failure = writeGreyPng(path, frame.data(), m_width, m_height);
    if (!failure.empty())
        padLog(Line, "Fingerprint image not saved to %s: %s", path, failure.c_str());
}

int FingerprintPassThrough::capture(int timeoutSeconds, unsigned int minQuality, const char* path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ready)
        return ZAFP_NOT_READY;
    std::vector<unsigned char> frame;
    const Capture result = captureFrame(m_loader(), timeoutSeconds, minQuality, path, frame);
    return result.status != 0 ? result.status : result.score;
}

int FingerprintPassThrough::feature(int timeoutSeconds, unsigned int minQuality, const char* path,
                                   unsigned char* feature)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ready)
        return ZAFP_NOT_READY;
    if (!feature)
        return ZAFP_BAD_ARGUMENT;
    std::memset(feature, 0, ZAFP_FEATURE_BYTES);
    const FingerprintVendor vendor = m_loader();
    if (!vendor.featureExtract)
        return ZAFP_MISSING;
    std::vector<unsigned char> frame;
    const Capture result = captureFrame(vendor, timeoutSeconds, minQuality, path, frame);
    if (result.status != 0)
        return result.status;
    return callVendor(vendor.featureExtract, kScannerType, kFingerCode, frame.data(), feature);
}

int FingerprintPassThrough::match(const unsigned char* feature1, const unsigned char* feature2, float* score)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ready)
        return ZAFP_NOT_READY;
    if (!feature1 || !feature2 || !score)
        return ZAFP_BAD_ARGUMENT;
    float similarity = 0;
    if (const int matched = callVendor(m_loader().featureMatch, feature1, feature2, &similarity))
        return matched;
    *score = similarity * 100;
    return 0;
}

int FingerprintPassThrough::end()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool wasReady = m_ready;
    m_ready = false;
    m_channel = -1;
    m_width = 0;
    m_height = 0;
    if (!wasReady)
        return ZAFP_NOT_READY;
    const FingerprintVendor vendor = m_loader();
    if (const int closed = callVendor(vendor.close))
        return closed;
    return callVendor(vendor.fpEnd);
}
