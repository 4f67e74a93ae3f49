#pragma once

#include "FingerprintVendor.h"

#include <functional>
#include <mutex>
#include <vector>

// The state behind the fingerprint exports: whether the reader is open, its channel and frame
// size, and the capture loop. The reader libraries are looked up again on every call that needs
// them. One mutex keeps concurrent callers from interleaving their reader calls; a capture holds
// it for up to its time-out.
class FingerprintPassThrough
{
public:
    using VendorLoader = std::function<FingerprintVendor()>;

    explicit FingerprintPassThrough(VendorLoader loader);
    static FingerprintPassThrough& instance();

    int begin();
    int capture(int timeoutSeconds, unsigned int minQuality, const char* path);
    int feature(int timeoutSeconds, unsigned int minQuality, const char* path, unsigned char* feature);
    int match(const unsigned char* feature1, const unsigned char* feature2, float* score);
    int end();

    // Frames larger than this are refused as a sign of a confused reader.
    static constexpr int LargestSide = 4096;

private:
    struct Capture
    {
        int status = 0; // 0 a frame of the minimum quality, else the failure
        int score = 0;
    };
    // A frame of at least the quality in minQuality's low byte, saved to path when one is given.
    Capture captureFrame(const FingerprintVendor& vendor, int timeoutSeconds, unsigned int minQuality,
                         const char* path, std::vector<unsigned char>& frame);
    void saveFrame(const char* path, const std::vector<unsigned char>& frame) const;

    VendorLoader m_loader;
    std::mutex m_mutex;
    bool m_ready = false;
    int m_channel = -1;
    int m_width = 0;
    int m_height = 0;
};
