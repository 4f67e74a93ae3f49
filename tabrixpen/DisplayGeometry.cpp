#include "DisplayGeometry.h"

#include "platform/Displays.h"

const std::vector<std::string> &DisplayGeometry::penDisplayModels()
{
    static const std::vector<std::string> models = {
        "TBX1301", "TBX1302", "TBX1561", "TBX1562", "TBX1601",
        "TBX1602", "TBX2201", "TBX2202", "TBX2401", "TBX2701",
    };
    return models;
}

void DisplayGeometry::getPrimaryDisplayRect(TabletRect &rect)
{
    for (const platform::DisplayInfo &display : platform::displays::enumerate()) {
        if (display.x == 0 && display.y == 0 && display.modeWidth != 0) {
            rect = {display.x, display.y, display.x + display.modeWidth, display.y + display.modeHeight};
            return;
        }
    }
}

float DisplayGeometry::getPenDisplayRect(TabletRect &rect)
{
    for (const platform::DisplayInfo &display : platform::displays::enumerate()) {
        // A display without width has no scale to give.
        if (display.width <= 0)
            continue;
        for (const std::string &code : penDisplayModels()) {
            if (display.monitorId.find(code) == std::string::npos)
                continue;
            rect = {display.x, display.y, display.x + display.width, display.y + display.height};
            return static_cast<float>(display.modeWidth) / static_cast<float>(display.width);
        }
    }
    return 0.0f;
}
