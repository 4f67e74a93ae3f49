#pragma once

#include <string>

// The reader library functions the fingerprint exports call; a null entry is a function (or its
// library) that could not be found.
struct FingerprintVendor
{
    int (*getVersion)() = nullptr;
    int (*init)() = nullptr;
    int (*getChannelCount)() = nullptr;
    int (*getMaxImageSize)(int channel, int* width, int* height) = nullptr;
    int (*beginCapture)(int channel) = nullptr;
    int (*getRawData)(int channel, unsigned char* frame) = nullptr;
    int (*endCapture)(int channel) = nullptr;
    int (*close)() = nullptr;
    int (*fpBegin)() = nullptr;
    int (*qualityScore)(const unsigned char* frame, unsigned char* score) = nullptr;
    int (*featureExtract)(unsigned char scannerType, unsigned char fingerCode, const unsigned char* frame,
                          unsigned char* feature) = nullptr;
    int (*featureMatch)(const unsigned char* feature1, const unsigned char* feature2, float* score) = nullptr;
    int (*fpEnd)() = nullptr;

    // Loads both libraries by name (found beside this library) and resolves every function.
    // The libraries stay loaded for the life of the process.
    static FingerprintVendor load(const std::string& captureLibrary = "libID_FprCap.so",
                                  const std::string& algorithmLibrary = "libID_Fpr.so");
};
