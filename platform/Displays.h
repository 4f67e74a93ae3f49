#pragma once

#include "platform/DisplayInfo.h"

#include <vector>

namespace platform {

// The displays of the desktop: the X server's outputs that drive a CRTC, in the order the
// server lists them, or the displays the device simulator presents when INKWARDEN_DEVSIM is
// set. Each call asks afresh; any thread.
namespace displays {

std::vector<DisplayInfo> enumerate();

// The X server's own displays, also while the simulator is on: where a real window lies.
std::vector<DisplayInfo> enumerateServer();

// The size of the whole desktop; false when there is none.
bool screenSize(int &width, int &height);

} // namespace displays
} // namespace platform
