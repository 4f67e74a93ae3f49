#include "ZAZAPIt.h"

#include "FingerprintSimulator.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

namespace {

struct ZazSession
{
    int noFingerPolls = 0;
    std::vector<unsigned char> image; // empty until an image was taken
};

std::mutex sessionsMutex;
std::map<int, ZazSession> sessions;
int nextHandle = 1;

FingerprintSimulator &sim()
{
    return FingerprintSimulator::instance();
}

// Runs act on the open session under the lock; a handle that is not open fails.
template <typename Act>
int withSession(int handle, Act act)
{
    std::lock_guard<std::mutex> lock(sessionsMutex);
    const auto it = sessions.find(handle);
    return it == sessions.end() ? ZAZ_BAD_HANDLE : act(it->second);
}

// Fails with the reason the reader cannot serve a call on this handle now.
int checkReady(int handle, const char *scriptedErrors)
{
    const int open = withSession(handle, [](ZazSession &) { return ZAZ_OK; });
    if (open != ZAZ_OK)
        return open;
    if (!sim().readerPresent())
        return ZAZ_UNPLUGGED;
    return sim().takeScripted("zaz", scriptedErrors, ZAZ_OK);
}

} // namespace

int ZAZOpenDeviceEx(int *handle, int, int, int, int, int)
{
    if (!handle)
        return ZAZ_BAD_ARGUMENT;
    *handle = 0; // never a valid handle, so closing it after a failed open is harmless
    if (!sim().readerPresent())
        return ZAZ_NO_DEVICE;
    const int scripted = sim().takeScripted("zaz", "open_errors", ZAZ_OK);
    if (scripted != ZAZ_OK)
        return scripted;
    ZazSession session;
    session.noFingerPolls = std::max(0, sim().setting("reader", "no_finger", 0));
    std::lock_guard<std::mutex> lock(sessionsMutex);
    *handle = nextHandle++;
    sessions[*handle] = std::move(session);
    return ZAZ_OK;
}

int ZAZCloseDeviceEx(int handle)
{
    std::lock_guard<std::mutex> lock(sessionsMutex);
    return sessions.erase(handle) ? ZAZ_OK : ZAZ_BAD_HANDLE;
}

int ZAZGetImage(int handle, unsigned int)
{
    const int ready = checkReady(handle, "image_errors");
    if (ready != ZAZ_OK)
        return ready;
    const int finger = withSession(handle, [](ZazSession &session) {
        if (session.noFingerPolls > 0) {
            --session.noFingerPolls;
            return ZAZ_NO_FINGER;
        }
        return ZAZ_OK;
    });
    if (finger != ZAZ_OK)
        return finger;
    std::vector<unsigned char> frame = sim().fingerFrame(ZAZ_IMAGE_WIDTH, ZAZ_IMAGE_HEIGHT);
    if (frame.empty())
        return ZAZ_CAPTURE_FAILED;
    return withSession(handle, [&frame](ZazSession &session) {
        session.image = std::move(frame);
        return ZAZ_OK;
    });
}

int ZAZUpImage(int handle, unsigned int, unsigned char *image, int *length)
{
    if (!image || !length)
        return ZAZ_BAD_ARGUMENT;
    const int ready = checkReady(handle, "upload_errors");
    if (ready != ZAZ_OK)
        return ready;
    return withSession(handle, [image, length](ZazSession &session) {
        if (session.image.empty())
            return ZAZ_NO_IMAGE;
        std::copy(session.image.begin(), session.image.end(), image);
        *length = int(session.image.size());
        return ZAZ_OK;
    });
}

const char *ZAZErr2Str(int code)
{
    switch (code) {
    case ZAZ_OK: return "Success";
    case ZAZ_COMM_ERROR: return "Communication with the reader failed";
    case ZAZ_NO_FINGER: return "No finger on the sensor";
    case ZAZ_CAPTURE_FAILED: return "The reader could not take the image";
    case ZAZ_NO_IMAGE: return "No image has been taken";
    case ZAZ_NO_DEVICE: return "No fingerprint reader is attached";
    case ZAZ_BAD_HANDLE: return "The reader is not open";
    case ZAZ_BAD_ARGUMENT: return "Invalid argument";
    case ZAZ_UNPLUGGED: return "The reader was unplugged";
    }
    thread_local char unknown[48];
    std::snprintf(unknown, sizeof unknown, "Unknown error %d", code);
    return unknown;
}
