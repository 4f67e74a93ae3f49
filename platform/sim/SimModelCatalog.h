#pragma once

#include "sim/SimDeviceDesc.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// The named device models inkwarden-devsim can plug in. A model of another device lives in a
// file of its own and adds one row to the catalog.
class SimModelCatalog {
public:
    static std::vector<std::string> names();
    static std::optional<SimDeviceDesc> make(const std::string &name);
};

} // namespace platform
