#pragma once

#include "TabletRect.h"

#include <string>
#include <vector>

// Finds the primary display and the pen display among the desktop's displays.
class DisplayGeometry {
public:
    // The display whose mode sits at (0, 0), in the mode's pixels. Leaves `rect` unchanged when
    // there is none.
    static void getPrimaryDisplayRect(TabletRect &rect);

    // The first display whose monitor model id contains a code of the pen-display list: writes
    // its rectangle and returns mode width / desktop width. Returns 0 and leaves `rect`
    // unchanged when there is none.
    static float getPenDisplayRect(TabletRect &rect);

    static const std::vector<std::string> &penDisplayModels();
};
