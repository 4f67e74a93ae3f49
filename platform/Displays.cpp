#include "platform/Displays.h"

#include "sim/SimDisplays.h"
#include "sim/SimFolder.h"
#include "x11/X11Displays.h"

namespace platform {
namespace displays {

std::vector<DisplayInfo> enumerate()
{
    if (const char *folder = simulatorFolder())
        return SimDisplays(folder).enumerate();
    return X11Displays::enumerate();
}

std::vector<DisplayInfo> enumerateServer()
{
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
