#pragma once

// Optical reader with an on-board image buffer: open it, poll until a finger is on the glass,
// then upload the 256 x 288 grey frame. Results are 0 for success, ZAZ_NO_FINGER while polling,
// other values are errors that ZAZErr2Str turns into text.

#ifdef __cplusplus
extern "C" {
#endif

#define ZAZ_API __attribute__((visibility("default")))

enum {
    ZAZ_OK = 0,
    ZAZ_COMM_ERROR = 1,
    ZAZ_NO_FINGER = 2,
    ZAZ_CAPTURE_FAILED = 3,
    ZAZ_NO_IMAGE = 4,
    ZAZ_NO_DEVICE = -1,
    ZAZ_BAD_HANDLE = -2,
    ZAZ_BAD_ARGUMENT = -3,
    ZAZ_UNPLUGGED = -4
};

enum {
    ZAZ_IMAGE_WIDTH = 256,
    ZAZ_IMAGE_HEIGHT = 288,
    ZAZ_IMAGE_BYTES = ZAZ_IMAGE_WIDTH * ZAZ_IMAGE_HEIGHT
};

// The link parameters (device type, port, baud rate, packet size, password) select a serial or
// USB link on real readers; they are accepted and ignored here.
ZAZ_API int ZAZOpenDeviceEx(int *handle, int deviceType, int port, int baudRate, int packetSize,
                            int password);
ZAZ_API int ZAZCloseDeviceEx(int handle);
// Takes an image into the reader's buffer; ZAZ_NO_FINGER while the glass is empty.
ZAZ_API int ZAZGetImage(int handle, unsigned int address);
// Copies the last image into `image` (ZAZ_IMAGE_BYTES, rows top to bottom) and its size into `length`.
ZAZ_API int ZAZUpImage(int handle, unsigned int address, unsigned char *image, int *length);
// Text of a result code; the pointer stays valid until the next call on the same thread.
ZAZ_API const char *ZAZErr2Str(int code);

#ifdef __cplusplus
}
#endif
