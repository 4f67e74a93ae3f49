#pragma once

#include "InkRect.h"

#include <vector>

// Places a screen rectangle on the monitor it lies on most.
class MonitorGeometry {
public:
    // Returns the chosen monitor (largest overlap, else the nearest) and makes `rect` relative to
    // it: a coordinate below the monitor's left or top stays as it is. An empty list gives an
    // empty monitor and leaves `rect` alone.
    static InkRect toMonitorRect(InkRect &rect, const std::vector<InkRect> &monitors);
};
