/* Velmora: signature-pad library. Plain C interface; every buffer belongs to the caller. */
#ifndef VELMORA_H
#define VELMORA_H

#ifdef __cplusplus
extern "C" {
#endif

#define VELMORA_API __attribute__((visibility("default")))

/* The pad this library drives (USB vendor and product id). */
#define VELMORA_PAD_VENDOR_ID 0x2F7Au
#define VELMORA_PAD_PRODUCT_ID 0x5A01u

/* An X11 window id, as QWidget::winId() returns it. */
typedef unsigned long VelmoraWindow;

/* Pad key code: 1 OK, 2 cancel, 3 clear. Called on the library's reader thread. */
typedef void (*KeyPressCallback)(int key);

/* Numeric results of startSignature, endSignature and clearSignature besides 0 (success),
   -3 (command not sent or answer not read) and the pad's own status word. */
#define VELMORA_NOT_ENDED      0x0A00000C /* no session active, or already ended */
#define VELMORA_LOCK_FAILED    0x0A00000D
#define VELMORA_NO_THREAD      0x0A00000E
#define VELMORA_PAD_NOT_FOUND  0x0A000023
#define VELMORA_NO_HANDLE      0x0A000005

/* Result-code buffers: pchErrCode holds at least 11 bytes, pchError at least 1024; both are
   NUL-terminated GBK text and written only when both pointers are given. */
#define VELMORA_ERRCODE_SIZE 11
#define VELMORA_ERROR_SIZE 1024

/* The raw signature data that getSignatureNoENC copies: int32 length L, then L bytes.
   The buffer carries no size, so it must hold the maximum. */
#define VELMORA_SIGNATURE_DATA_MAX 8388655

/* Last pad event since the previous call (1 OK, 2 cancel, 3 clear, 255 ink), or -1 for none. */
VELMORA_API int ReturnGetInfo(void);
VELMORA_API KeyPressCallback SetKeyPressCallback(KeyPressCallback callback);

VELMORA_API int startSignature(VelmoraWindow window, int width, int height);
VELMORA_API int endSignature(void);
VELMORA_API int clearSignature(void);

/* Both report through the code buffers; the result is 0 only when the lock could not be taken. */
VELMORA_API int getSignatureNoENC(unsigned char* buffer, int* iCode, const char* pchPhotoPath,
                                  char* pchErrCode, char* pchError);
VELMORA_API int getSignatureRealtimePic(const char* pchPhotoPath, char* pchErrCode, char* pchError);

/* Key presses also arrive as an X11 ClientMessage of type "_VELMORA_PAD_MESSAGE" on the window:
   data.l[0] the message id, data.l[1] and data.l[2] the key code. */
VELMORA_API int startMessage(VelmoraWindow window, unsigned int messageId);
VELMORA_API int stopMessage(void);

/* Pen settings, kept in "RZK_PadsafeConf.INI" beside the library. Width 0..256; colour 0x00BBGGRR. */
VELMORA_API void setPenPressFactor(int width, char* pchErrCode, char* pchError);
VELMORA_API void setPenColor(unsigned int color, char* pchErrCode, char* pchError);
VELMORA_API void getPenStyle(int* width, int* color, char* pchErrCode, char* pchError);

#ifdef __cplusplus
}
#endif

#endif
