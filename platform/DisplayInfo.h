#pragma once

#include <string>

namespace platform {

// One display in use: where it sits on the desktop (its CRTC, in screen pixels), the size
// of its current mode, and its monitor's model id from the EDID ("ABC1234": the maker's three
// letters and the product code in four upper-case hexadecimal digits; empty when unknown).
struct DisplayInfo {
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int modeWidth = 0;
    int modeHeight = 0;
    std::string monitorId;

    // The model id an EDID block names, or empty text when it is no EDID.
    static std::string monitorIdFromEdid(const unsigned char *edid, size_t size);
};

} // namespace platform
