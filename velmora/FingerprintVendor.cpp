#include "FingerprintVendor.h"

#include "platform/Libraries.h"

namespace {

// The readers are installed beside this library.
void* openLibrary(const std::string& name)
{
    return platform::libraries::openBesideCaller(reinterpret_cast<const void*>(&openLibrary), name);
}

template <typename Function>
void resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(platform::libraries::symbol(library, name));
}

} // namespace

FingerprintVendor FingerprintVendor::load(const std::string& captureLibrary, const std::string& algorithmLibrary)
{
    // Never closed: a capture may be running on another thread, and dlopen only counts a reload.
    void* capture = openLibrary(captureLibrary);
    void* algorithms = openLibrary(algorithmLibrary);
    FingerprintVendor vendor;
    resolve(capture, "LIVESCAN_GetVersion", vendor.getVersion);
    resolve(capture, "LIVESCAN_Init", vendor.init);
    resolve(capture, "LIVESCAN_GetChannelCount", vendor.getChannelCount);
    resolve(capture, "LIVESCAN_GetMaxImageSize", vendor.getMaxImageSize);
    resolve(capture, "LIVESCAN_BeginCapture", vendor.beginCapture);
    resolve(capture, "LIVESCAN_GetFPRawData", vendor.getRawData);
    resolve(capture, "LIVESCAN_EndCapture", vendor.endCapture);
    resolve(capture, "LIVESCAN_Close", vendor.close);
    resolve(algorithms, "FP_Begin", vendor.fpBegin);
    resolve(algorithms, "FP_GetQualityScore", vendor.qualityScore);
    resolve(algorithms, "FP_FeatureExtract", vendor.featureExtract);
    resolve(algorithms, "FP_FeatureMatch", vendor.featureMatch);
    resolve(algorithms, "FP_End", vendor.fpEnd);
    return vendor;
}
