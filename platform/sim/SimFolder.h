#pragma once

#include <cstdlib>

namespace platform {

// The simulator's state folder named by INKWARDEN_DEVSIM; null (real devices) when unset or empty.
inline const char *simulatorFolder()
{
    const char *folder = std::getenv("INKWARDEN_DEVSIM");
    return folder && *folder ? folder : nullptr;
}

} // namespace platform
