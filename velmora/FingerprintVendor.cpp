#include "FingerprintVendor.h"

#include <dlfcn.h>

namespace {

template <typename Function>
void resolve(void* library, const char* name, Function& function)
{
    function = library ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
}

} // namespace

FingerprintVendor FingerprintVendor::load(const std::string& captureLibrary, const std::string& algorithmLibrary)
{
    // Never closed: a capture may be running on another thread, and dlopen only counts a reload.
    void* capture = dlopen(captureLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* algorithms = dlopen(algorithmLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
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
