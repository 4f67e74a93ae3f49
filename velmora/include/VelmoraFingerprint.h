/* Velmora: fingerprint exports, passed through to the capture library "libID_FprCap.so" and the
   algorithm library "libID_Fpr.so" (loaded by name at run time, never unloaded). */
#ifndef VELMORA_FINGERPRINT_H
#define VELMORA_FINGERPRINT_H

#include "Velmora.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Results besides 0 (success), a quality score (capture) and the reader libraries' own codes. */
#define ZAFP_MISSING        -1   /* a reader library or one of its functions is missing */
#define ZAFP_NOT_READY      -100 /* ZelmarZAFP_Begin has not succeeded, or ZelmarZAFP_End ran */
#define ZAFP_TIMEOUT        -102 /* no frame of the minimum quality within the time-out */
#define ZAFP_BAD_ARGUMENT   -103 /* a null feature or score pointer */
#define ZAFP_BAD_FRAME_SIZE -104 /* the reader reported no usable frame size */
#define ZAFP_VENDOR_FAILED  -105 /* a reader library call failed with the result 0 */

#define ZAFP_FEATURE_BYTES 512

/* Opens the reader and the algorithms: 0 ready. */
VELMORA_API int ZelmarZAFP_Begin(void);
/* Waits up to `timeout` seconds for a frame whose quality reaches the low byte of `minQuality`,
   then returns its score; with a path, the frame is also saved there as an 8-bit grey PNG
   (whatever the extension). */
VELMORA_API int ZelmarZAFP_GetFPCapture(int timeout, unsigned int minQuality, const char* path);
/* Captures as above, then extracts the frame's 512-byte feature record into `feature`: 0 ok. */
VELMORA_API int ZelmarZAFP_GetFeature(int timeout, unsigned int minQuality, const char* path,
                                      unsigned char* feature);
/* Similarity of two feature records, 0 to 100, into `score`: 0 ok. */
VELMORA_API int ZelmarZAFP_FeatureMatch(const unsigned char* feature1, const unsigned char* feature2,
                                        float* score);
/* Closes the reader and the algorithms: 0 ok. */
VELMORA_API int ZelmarZAFP_End(void);

#ifdef __cplusplus
}
#endif

#endif
