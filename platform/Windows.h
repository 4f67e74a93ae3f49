#pragma once

#include <string>

namespace platform {
namespace windows {

// The id of a window on the X display whose title (WM_NAME or _NET_WM_NAME) is exactly `title`,
// searched from the root down; 0 when there is none or no X display.
unsigned long findByTitle(const std::string &title);

} // namespace windows
} // namespace platform
