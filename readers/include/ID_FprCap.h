#pragma once

// Live-scan capture: initialise, then per frame begin capture, read the raw grey frame
// (width x height bytes as reported by LIVESCAN_GetMaxImageSize, rows top to bottom), end capture.
// Results are 1 for success, negative LIVESCAN_ERR_* values for failures.

#ifdef __cplusplus
extern "C" {
#endif

#define LIVESCAN_API __attribute__((visibility("default")))

enum {
    LIVESCAN_OK = 1,
    LIVESCAN_ERR_NO_DEVICE = -2,
    LIVESCAN_ERR_NOT_INIT = -3,
    LIVESCAN_ERR_ARGUMENT = -4,
    LIVESCAN_ERR_READ = -5,
    LIVESCAN_ERR_NOT_CAPTURING = -6
};

enum { LIVESCAN_VERSION = 100 };

LIVESCAN_API int LIVESCAN_Init(void);
LIVESCAN_API int LIVESCAN_Close(void);
LIVESCAN_API int LIVESCAN_GetVersion(void);
LIVESCAN_API int LIVESCAN_GetChannelCount(void);
LIVESCAN_API int LIVESCAN_GetMaxImageSize(int channel, int *width, int *height);
LIVESCAN_API int LIVESCAN_BeginCapture(int channel);
LIVESCAN_API int LIVESCAN_GetFPRawData(int channel, unsigned char *frame);
LIVESCAN_API int LIVESCAN_EndCapture(int channel);
// Brightness and contrast, 0 to 255 each, 128 leaves the frame as the sensor sees it.
LIVESCAN_API int LIVESCAN_SetBright(int channel, int bright);
LIVESCAN_API int LIVESCAN_SetContrast(int channel, int contrast);
LIVESCAN_API int LIVESCAN_GetBright(int channel, int *bright);
LIVESCAN_API int LIVESCAN_GetContrast(int channel, int *contrast);

#ifdef __cplusplus
}
#endif
