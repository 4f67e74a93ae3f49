#include "platform/Displays.h"

#include "sim/SimDisplays.h"
#include "x11/X11Displays.h"

#include <cstdlib>

namespace platform {
namespace displays {

namespace {

const char *simulatorFolder()
{
    const char *folder = std::getenv("INKWARDEN_DEVSIM");
    return folder && *folder ? folder : nullptr;
}

} // namespace

std::vector<DisplayInfo> enumerate()
{
    if (const char *folder = simulatorFolder())
        return SimDisplays(folder).enumerate();
    return X11Displays::enumerate();
}

bool screenSize(int &width, int &height)
{
    if (const char *folder = simulatorFolder())
        return SimDisplays(folder).screenSize(width, height);
    return X11Displays::screenSize(width, height);
}

} // namespace displays
} // namespace platform
