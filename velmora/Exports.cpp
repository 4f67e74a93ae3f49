// The library's exported signing interface.

#include "ApiLock.h"
#include "InkSession.h"
#include "PadSession.h"
#include "PadSettings.h"
#include "PadState.h"
#include "ResultCodes.h"

#include <Velmora.h>

extern "C" {

int ReturnGetInfo(void)
{
    ApiLock lock;
    if (!lock.held())
        return VELMORA_LOCK_FAILED;
    const int event = PadState::instance().lastEvent.exchange(0);
    return event == 0 ? -1 : event;
}

KeyPressCallback SetKeyPressCallback(KeyPressCallback callback)
{
    PadState::instance().keyCallback = callback;
    return callback;
}

int startSignature(VelmoraWindow window, int width, int height)
{
    ApiLock lock;
    if (!lock.held())
        return VELMORA_LOCK_FAILED;
    return PadSession::instance().start(window, width, height);
}

int endSignature(void)
{
    ApiLock lock;
    if (!lock.held())
        return VELMORA_LOCK_FAILED;
    return PadSession::instance().end();
}

int clearSignature(void)
{
    ApiLock lock;
    if (!lock.held())
        return VELMORA_LOCK_FAILED;
    return PadSession::instance().clear();
}

int getSignatureNoENC(unsigned char* buffer, int* iCode, const char* pchPhotoPath, char* pchErrCode, char* pchError)
{
    ApiLock lock;
    if (!lock.held())
        return 0;
    return PadSession::instance().signaturePlain(buffer, iCode, pchPhotoPath, pchErrCode, pchError);
}

int getSignatureRealtimePic(const char* pchPhotoPath, char* pchErrCode, char* pchError)
{
    ApiLock lock;
    if (!lock.held())
        return 0;
    return InkSession::instance().realtimePicture(pchPhotoPath, pchErrCode, pchError);
}

int startMessage(VelmoraWindow window, unsigned int messageId)
{
    PadState& state = PadState::instance();
    state.messageWindow = window;
    state.messageId = messageId;
    state.messagesOn = true;
    return 0;
}

int stopMessage(void)
{
    PadState& state = PadState::instance();
    state.messagesOn = false;
    state.messageWindow = 0;
    state.messageId = 0;
    return 0;
}

void setPenPressFactor(int width, char* pchErrCode, char* pchError)
{
    // A width the file cannot hold would make the next load discard every setting.
    if (width < 0 || width > PadSettings::MaxPenWidth) {
        ResultCodes::setResultCode(ResultCodes::OutOfRange, pchErrCode, pchError);
        return;
    }
    PadSettingsStore::instance().setPenWidth(width);
    ResultCodes::setResultCode(ResultCodes::Success, pchErrCode, pchError);
}

void setPenColor(unsigned int color, char* pchErrCode, char* pchError)
{
    PadSettingsStore::instance().setPenColor(color & 0x00FFFFFFu);
    ResultCodes::setResultCode(ResultCodes::Success, pchErrCode, pchError);
}

void getPenStyle(int* width, int* color, char* pchErrCode, char* pchError)
{
    const PadSettings settings = PadSettingsStore::instance().current();
    if (width)
        *width = settings.penWidth;
    if (color)
        *color = int(settings.penColor);
    ResultCodes::setResultCode(ResultCodes::Success, pchErrCode, pchError);
}

}
