// The library's exported fingerprint interface.

#include "FingerprintPassThrough.h"

#include <VelmoraFingerprint.h>

extern "C" {

int ZelmarZAFP_Begin(void)
{
    return FingerprintPassThrough::instance().begin();
}

int ZelmarZAFP_GetFPCapture(int timeout, unsigned int minQuality, const char* path)
{
    return FingerprintPassThrough::instance().capture(timeout, minQuality, path);
}

int ZelmarZAFP_GetFeature(int timeout, unsigned int minQuality, const char* path, unsigned char* feature)
{
    return FingerprintPassThrough::instance().feature(timeout, minQuality, path, feature);
}

int ZelmarZAFP_FeatureMatch(const unsigned char* feature1, const unsigned char* feature2, float* score)
{
    return FingerprintPassThrough::instance().match(feature1, feature2, score);
}

int ZelmarZAFP_End(void)
{
    return FingerprintPassThrough::instance().end();
}

}
