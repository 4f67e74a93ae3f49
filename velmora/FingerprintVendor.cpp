#include "FingerprintVendor.h"

#include <dlfcn.h>

namespace {

// The folder this library was loaded from; the readers are installed beside it.
std::string ownFolder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ownFolder), &info) || !info.dli_fname)
        return std::string();
    const std::string file = info.dli_fname;
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

// Beside this library first: a bare name is searched for on behalf of whoever calls dlopen,
// which is not always this library (sanitizer runtimes intercept it).
void* openLibrary(const std::string& name)
{
    const std::string folder = ownFolder();
    if (!folder.empty() && name.find('/') == std::string::npos) {
        if (void* beside = dlopen((folder + name).c_str(), RTLD_NOW | RTLD_LOCAL))
            return beside;
    }
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

template <typename Function>
void resolve(void* library, const char* name, Function& function)
{
    function = library ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
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
