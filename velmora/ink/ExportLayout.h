#pragma once

#include "InkRect.h"

#include <cstdint>

// The export settings that decide how the ink is laid out in the picture; the defaults are what
// a settings file without the key gives.
struct ExportOptions {
    int32_t option = 0; // 0 whole surface, 1 proportional, 2 margins
    int32_t proportion = 0;
    int32_t minWidth = 100;
    int32_t minHeight = 100;
    int32_t marginLeft = 15;
    int32_t marginRight = 15;
    int32_t marginTop = 15;
    int32_t marginBottom = 15;
};

// Which part of the surface goes where in a picture of which size. Offsets may be negative
// (a minimum size beyond the surface): the parts that fall outside the picture are cut off.
struct ExportPlacement {
    InkRect source;
    int64_t left = 0;
    int64_t top = 0;
    int64_t width = 0;
    int64_t height = 0;
};

class ExportLayout {
public:
    // False without ink; the size is checked by whoever makes the picture.
    static bool place(const ExportOptions &options, int32_t surfaceWidth, int32_t surfaceHeight,
                      bool hasInk, const InkRect &inkBounds, ExportPlacement &placement);

private:
    // The span along one side (margins and ink, or the whole surface when that is too small)
    // and where the ink starts in it; evenSpan rounds a span that fits up to an even length.
    static int64_t fit(int64_t before, int64_t after, int64_t ink, int64_t surface, bool evenSpan,
                       int64_t &start);
    static void margins(const ExportOptions &o, int64_t surfaceWidth, int64_t surfaceHeight,
                        int64_t inkW, int64_t inkH, ExportPlacement &p);
    static void proportional(const ExportOptions &o, int64_t surfaceWidth, int64_t surfaceHeight,
                             int64_t inkW, int64_t inkH, ExportPlacement &p);
};
