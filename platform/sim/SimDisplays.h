#pragma once

#include "platform/DisplayInfo.h"

#include <string>
#include <vector>

namespace platform {

// The displays the device simulator in `folder` presents.
class SimDisplays {
public:
    explicit SimDisplays(const std::string &folder) : m_folder(folder) {}

    std::vector<DisplayInfo> enumerate() const;
    // The bounding box of the displays from (0, 0).
    bool screenSize(int &width, int &height) const;

private:
    std::string m_folder;
};

} // namespace platform
