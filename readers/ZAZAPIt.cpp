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
    {
        std::lock_guard<std::mutex> lock(sessionsMutex);
        if (!sessions.count(handle))
            return ZAZ_BAD_HANDLE;
    }
    if (!sim().readerPresent())
        return ZAZ_UNPLUGGED;
    const int scripted = sim().takeScripted("zaz", "image_errors", ZAZ_OK);
    if (scripted != ZAZ_OK)
        return scripted;
    {
        std::lock_guard<std::mutex> lock(sessionsMutex);
        const auto it = sessions.find(handle);
        if (it == sessions.end())
            return ZAZ_BAD_HANDLE;
        if (it->second.noFingerPolls > 0) {
            --it->second.noFingerPolls;
            return ZAZ_NO_FINGER;
        }
    }
    std::vector<unsigned char> frame = sim().fingerFrame(ZAZ_IMAGE_WIDTH, ZAZ_IMAGE_HEIGHT);
    if (frame.empty())
        return ZAZ_CAPTURE_FAILED;
    std::lock_guard<std::mutex> lock(sessionsMutex);
    const auto it = sessions.find(handle);
    if (it == sessions.end())
        return ZAZ_BAD_HANDLE;
    it->second.image = std::move(frame);
    return ZAZ_OK;
}

int ZAZUpImage(int handle, unsigned int, unsigned char *image, int *length)
{
    if (!image || !length)
        return ZAZ_BAD_ARGUMENT;
    {
        std::lock_guard<std::mutex> lock(sessionsMutex);
        if (!sessions.count(handle))
            return ZAZ_BAD_HANDLE;
    }
    if (!sim().readerPresent())
        return ZAZ_UNPLUGGED;
    const int scripted = sim().takeScripted("zaz", "upload_errors", ZAZ_OK);
    if (scripted != ZAZ_OK)
        return scripted;
    std::lock_guard<std::mutex> lock(sessionsMutex);
    const auto it = sessions.find(handle);
    if (it == sessions.end())
        return ZAZ_BAD_HANDLE;
    if (it->second.image.empty())
        return ZAZ_NO_IMAGE;
    std::copy(it->second.image.begin(), it->second.image.end(), image);
    *length = int(it->second.image.size());
    return ZAZ_OK;
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
