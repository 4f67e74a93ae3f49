/* TabrixPen: pen tablets and pen displays over USB HID. Plain C interface. */
#ifndef TABRIXPEN_H
#define TABRIXPEN_H

#include <stddef.h>
#include <stdint.h>

/* The calling convention of every export and callback; the default one on this platform. */
#define TABRIX_STDCALL
#define TABRIX_API __attribute__((visibility("default")))

#define TABRIX_OK 1
#define TABRIX_ERR_NO_DEVICE (-1000)
#define TABRIX_ERR_OPEN_FAILED (-1001)
#define TABRIX_ERR_NULL_ARGUMENT (-1002)
#define TABRIX_ERR_QUEUE_EMPTY (-1003)

#ifdef __cplusplus
extern "C" {
#endif

/* One pen or key event. type: 0 pen, 1 key, 2 key event without data. status (pen): 0 hover,
   1 down, 2 drag, 3 up, 4 out of range. x, y, pressure in tablet units. */
typedef struct TABLET_PACKET {
    int32_t type;
    int32_t status;
    int32_t keyPressed;
    int32_t reserved1;
    int32_t keyNumber;
    int32_t reserved2;
    int32_t x;
    int32_t y;
    int32_t pressure;
} TABLET_PACKET;

/* Ranges and identity of a tablet; both texts NUL-terminated. */
typedef struct TABLET_CONTEXT {
    int32_t maxX;
    int32_t maxY;
    uint16_t maxPressure;
    uint8_t padding[2];
    char serial[16];
    char productName[32];
} TABLET_CONTEXT;

#ifdef __cplusplus
#define TABRIX_STATIC_ASSERT static_assert
#else
#define TABRIX_STATIC_ASSERT _Static_assert
#endif
TABRIX_STATIC_ASSERT(sizeof(TABLET_PACKET) == 36, "TABLET_PACKET is 36 bytes");
TABRIX_STATIC_ASSERT(offsetof(TABLET_PACKET, keyNumber) == 16, "TABLET_PACKET layout");
TABRIX_STATIC_ASSERT(offsetof(TABLET_PACKET, x) == 24, "TABLET_PACKET layout");
TABRIX_STATIC_ASSERT(offsetof(TABLET_PACKET, pressure) == 32, "TABLET_PACKET layout");
TABRIX_STATIC_ASSERT(sizeof(TABLET_CONTEXT) == 60, "TABLET_CONTEXT is 60 bytes");
TABRIX_STATIC_ASSERT(offsetof(TABLET_CONTEXT, maxPressure) == 8, "TABLET_CONTEXT layout");
TABRIX_STATIC_ASSERT(offsetof(TABLET_CONTEXT, serial) == 12, "TABLET_CONTEXT layout");
TABRIX_STATIC_ASSERT(offsetof(TABLET_CONTEXT, productName) == 28, "TABLET_CONTEXT layout");

/* Called on the library's dispatch thread with each packet; the result is ignored. */
typedef int(TABRIX_STDCALL *TabrixPacketCallback)(TABLET_PACKET packet);
/* Called on a short-lived thread: 1 a supported tablet arrived, 0 one was removed. */
typedef void(TABRIX_STDCALL *TabrixNotifyCallback)(int arrived);

/* Exports, with the ordinal each has in the Windows build (ELF binds by name only).
   Ordinals 11 to 15 are unused. Callback ids are the function's address; -1002 for null. */
/* 1 */ TABRIX_API int TABRIX_STDCALL TabrixCheckDevice(void);
/* 2 */ TABRIX_API int TABRIX_STDCALL TabrixOpen(void);
/* 3 */ TABRIX_API int TABRIX_STDCALL TabrixGetContext(TABLET_CONTEXT *context);
/* 4 */ TABRIX_API void TABRIX_STDCALL TabrixClose(void);
/* 5 */ TABRIX_API int TABRIX_STDCALL TabrixGetPacket(TABLET_PACKET *packet);
/* 6 */ TABRIX_API int64_t TABRIX_STDCALL TabrixSetPacketCallback(TabrixPacketCallback callback);
/* 7 */ TABRIX_API int64_t TABRIX_STDCALL TabrixSetNotifyCallback(TabrixNotifyCallback callback);
/* 8 */ TABRIX_API void TABRIX_STDCALL TabrixClearCallback(int64_t id);
/* 9 */ TABRIX_API int TABRIX_STDCALL TabrixGetScreenRect(int *left, int *top, int *right, int *bottom, float *scale);
/* 10 */ TABRIX_API int TABRIX_STDCALL TabrixActivateMouse(int activate, int mapToPenDisplay, unsigned rotation);
/* 16 */ TABRIX_API int TABRIX_STDCALL TabrixClearTabletSurface(void);

#ifdef __cplusplus
}
#endif

#endif
