#pragma once

// Fingerprint algorithms on live-scan frames (the capture library's frame size):
// a quality score, a 512-byte feature record and a similarity of two records.
// Results are 1 for success, negative FP_ERR_* values for failures.

#ifdef __cplusplus
extern "C" {
#endif

#define FP_API __attribute__((visibility("default")))

enum {
    FP_OK = 1,
    FP_ERR_NOT_BEGUN = -3,
    FP_ERR_ARGUMENT = -4,
    FP_ERR_TOO_FEW_FEATURES = -7,
    FP_ERR_BAD_FEATURE = -8
};

enum { FP_FEATURE_BYTES = 512 };

FP_API int FP_Begin(void);
FP_API int FP_End(void);
// Quality 0 (no fingerprint) to 100.
FP_API int FP_GetQualityScore(const unsigned char *frame, unsigned char *score);
// `scannerType` and `fingerCode` are stored in the record as given.
FP_API int FP_FeatureExtract(unsigned char scannerType, unsigned char fingerCode,
                             const unsigned char *frame, unsigned char *feature);
// Similarity 0 (unrelated) to 1 (same ridge flow).
FP_API int FP_FeatureMatch(const unsigned char *feature1, const unsigned char *feature2,
                           float *score);

#ifdef __cplusplus
}
#endif
