#include "DeviceInfo.h"

#include "HidDeviceFile.h"
#include "NarrowText.h"
#include "TabletModels.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

// The tablets need a pause between string requests.
void settle()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

// The string in a zeroed buffer of `capacity` units, cut to fit as a fixed buffer would.
template <size_t N>
void readUnits(HidDeviceFile &file, int index, char16_t (&units)[N], bool &ok)
{
    std::memset(units, 0, sizeof units);
    std::u16string text;
    ok = file.indexedString(index, text);
    if (ok)
        std::memcpy(units, text.data(), (text.size() < N ? text.size() : N) * sizeof(char16_t));
}

} // namespace

std::string formatSerial(uint16_t productId, const char16_t (&units)[16])
{
    const std::string narrow = narrowText(units, 16);
    char text[32] = {};
    if (productId == TabletModels::productIdOf(1003)) {
        for (int i = 0; i < 5; ++i)
            std::snprintf(text + 2 * i, 3, "%02x", units[i] & 0xFF);
    } else if (productId == TabletModels::productIdOf(1000) || productId == TabletModels::productIdOf(2001)) {
        const int number = (units[5] & 0xFF) + 256 * (units[6] & 0xFF);
        std::snprintf(text, sizeof text, "%s%05d", cutNarrow(narrow, 5).c_str(), number);
    } else {
        return cutNarrow(narrow, 15);
    }
    return text;
}

bool readDeviceInfo(HidDeviceFile &file, TABLET_CONTEXT &context)
{
    std::memset(&context, 0, sizeof context);
    settle();

    bool ok = false;
    char16_t range[16];
    readUnits(file, 20, range, ok);
    if (!ok)
        return false;
    uint8_t raw[32];
    for (int i = 0; i < 16; ++i) {
        raw[2 * i] = static_cast<uint8_t>(range[i] & 0xFF);
        raw[2 * i + 1] = static_cast<uint8_t>(range[i] >> 8);
    }
    const int n = file.caps().inputReportLength >= 13 ? 3 : 2;
    for (int i = 0; i < n; ++i) {
        context.maxX |= int32_t(raw[i]) << (8 * i);
        context.maxY |= int32_t(raw[n + i]) << (8 * i);
    }
    context.maxPressure = static_cast<uint16_t>(raw[2 * n] | (raw[2 * n + 1] << 8));

    settle();
    char16_t serial[16];
    readUnits(file, 3, serial, ok);
    if (ok)
        copyNarrow(context.serial, sizeof context.serial, formatSerial(file.attributes().productId, serial));

    settle();
    char16_t name[64];
    readUnits(file, 2, name, ok);
    if (ok)
        copyNarrow(context.productName, sizeof context.productName, narrowText(name, 64));

    settle();
    return true;
}
