#pragma once

#include "platform/DisplayInfo.h"

#include <vector>

namespace platform {

// Displays from XRandR on the default X display.
class X11Displays {
public:
    static std::vector<DisplayInfo> enumerate();
    static bool screenSize(int &width, int &height);
};

} // namespace platform
