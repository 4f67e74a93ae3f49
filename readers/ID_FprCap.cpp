#include "ID_FprCap.h"

#include "FingerprintSimulator.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kDefaultWidth = 256;
constexpr int kDefaultHeight = 360;
constexpr int kLargestSide = 4096;
// A reader has a few channels; each one served holds state, so a configured count beyond this
// is cut to it.
constexpr int kMostChannels = 16;
// A real sensor blocks for its exposure while it takes a frame, so a caller that reads again
// at once after a frame it rejects does not spin.
constexpr std::chrono::milliseconds kExposure(80);

struct LivescanState
{
    bool initialised = false;
    int channels = 1;
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    int emptyFramesLeft = 0;
    std::vector<bool> capturing;
    std::vector<int> bright;
    std::vector<int> contrast;
};

std::mutex stateMutex;
LivescanState state;

FingerprintSimulator &sim()
{
    return FingerprintSimulator::instance();
}

// Runs act on the channel under the lock, or fails with the reason the channel cannot be used now.
template <typename Act>
int onChannel(int channel, Act act)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    if (!state.initialised)
        return LIVESCAN_ERR_NOT_INIT;
    if (channel < 0 || channel >= state.channels)
        return LIVESCAN_ERR_ARGUMENT;
    return act(std::size_t(channel));
}

void applyBrightContrast(std::vector<std::uint8_t> &frame, int bright, int contrast)
{
    if (bright == 128 && contrast == 128)
        return;
    for (std::uint8_t &v : frame)
        v = std::uint8_t(std::clamp((int(v) - 128) * contrast / 128 + bright, 0, 255));
}

} // namespace

int LIVESCAN_Init(void)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    if (!sim().readerPresent())
        return LIVESCAN_ERR_NO_DEVICE;
    const int scripted = sim().takeScripted("livescan", "init_errors", LIVESCAN_OK);
    if (scripted != LIVESCAN_OK)
        return scripted;
    state = LivescanState();
    state.initialised = true;
    state.channels = std::clamp(sim().setting("livescan", "channels", 1), 1, kMostChannels);
    state.width = sim().setting("livescan", "width", kDefaultWidth);
    state.height = sim().setting("livescan", "height", kDefaultHeight);
    state.emptyFramesLeft = std::max(0, sim().setting("reader", "no_finger", 0));
    state.capturing.assign(std::size_t(state.channels), false);
    state.bright.assign(std::size_t(state.channels), 128);
    state.contrast.assign(std::size_t(state.channels), 128);
    return LIVESCAN_OK;
}

int LIVESCAN_Close(void)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    if (!state.initialised)
        return LIVESCAN_ERR_NOT_INIT;
    state = LivescanState();
    return LIVESCAN_OK;
}

int LIVESCAN_GetVersion(void)
{
    return LIVESCAN_VERSION;
}

int LIVESCAN_GetChannelCount(void)
{
    if (!sim().readerPresent())
        return LIVESCAN_ERR_NO_DEVICE;
    // Reported as configured, even when nonsensical, so callers' checks can be tried.
    return sim().setting("livescan", "channels", 1);
}

int LIVESCAN_GetMaxImageSize(int channel, int *width, int *height)
{
    if (!width || !height)
        return LIVESCAN_ERR_ARGUMENT;
    return onChannel(channel, [width, height](std::size_t) {
        *width = state.width;
        *height = state.height;
        return LIVESCAN_OK;
    });
}

int LIVESCAN_BeginCapture(int channel)
{
    return onChannel(channel, [](std::size_t c) {
        if (!sim().readerPresent())
            return LIVESCAN_ERR_NO_DEVICE;
        state.capturing[c] = true;
        return LIVESCAN_OK;
    });
}

int LIVESCAN_GetFPRawData(int channel, unsigned char *frame)
{
    if (!frame)
        return LIVESCAN_ERR_ARGUMENT;
    const int result = onChannel(channel, [frame](std::size_t c) -> int {
        if (!sim().readerPresent())
            return LIVESCAN_ERR_NO_DEVICE;
        if (!state.capturing[c])
            return LIVESCAN_ERR_NOT_CAPTURING;
        const int scripted = sim().takeScripted("livescan", "raw_errors", LIVESCAN_OK);
        if (scripted != LIVESCAN_OK)
            return scripted;
        if (state.width <= 0 || state.height <= 0 || state.width > kLargestSide
            || state.height > kLargestSide)
            return LIVESCAN_ERR_READ;

        std::vector<std::uint8_t> pixels;
        if (state.emptyFramesLeft > 0) {
            --state.emptyFramesLeft;
            pixels = FingerprintSimulator::emptyFrame(state.width, state.height);
        } else {
            pixels = sim().fingerFrame(state.width, state.height);
            if (pixels.empty())
                return LIVESCAN_ERR_READ;
        }
        applyBrightContrast(pixels, state.bright[c], state.contrast[c]);
        std::copy(pixels.begin(), pixels.end(), frame);
        return LIVESCAN_OK;
    });
    // Outside the lock: the other channels and calls go on meanwhile.
    if (result == LIVESCAN_OK)
        std::this_thread::sleep_for(kExposure);
    return result;
}

int LIVESCAN_EndCapture(int channel)
{
    return onChannel(channel, [](std::size_t c) {
        state.capturing[c] = false;
        return LIVESCAN_OK;
    });
}

namespace {

int setLevel(std::vector<int> LivescanState::*levels, int channel, int value)
{
    return onChannel(channel, [levels, value](std::size_t c) {
        if (value < 0 || value > 255)
            return LIVESCAN_ERR_ARGUMENT;
        (state.*levels)[c] = value;
        return LIVESCAN_OK;
    });
}

int getLevel(std::vector<int> LivescanState::*levels, int channel, int *value)
{
    if (!value)
        return LIVESCAN_ERR_ARGUMENT;
    return onChannel(channel, [levels, value](std::size_t c) {
        *value = (state.*levels)[c];
        return LIVESCAN_OK;
    });
}

} // namespace

int LIVESCAN_SetBright(int channel, int bright)
{
    return setLevel(&LivescanState::bright, channel, bright);
}

int LIVESCAN_SetContrast(int channel, int contrast)
{
    return setLevel(&LivescanState::contrast, channel, contrast);
}

int LIVESCAN_GetBright(int channel, int *bright)
{
    return getLevel(&LivescanState::bright, channel, bright);
}

int LIVESCAN_GetContrast(int channel, int *contrast)
{
    return getLevel(&LivescanState::contrast, channel, contrast);
}
