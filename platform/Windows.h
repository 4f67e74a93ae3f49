#pragma once

#include <string>

struct xcb_connection_t;

namespace platform {
namespace windows {

// The id of a window on the X display whose title (WM_NAME or _NET_WM_NAME) is exactly `title`,
// searched from `under` (the root when 0) down, `under` itself excluded; 0 when there is none or
// no X display.
unsigned long findByTitle(const std::string &title, unsigned long under = 0);

// Returns once the X server has handled every request sent before on `connection`, so that
// other clients see the windows made through it.
void roundTrip(xcb_connection_t *connection);

} // namespace windows
} // namespace platform
