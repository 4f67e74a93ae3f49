#include "ExportLayout.h"

#include <algorithm>

bool ExportLayout::place(const ExportOptions &options, int32_t surfaceWidth,
                         int32_t surfaceHeight, bool hasInk, const InkRect &inkBounds,
                         ExportPlacement &placement)
{
    if (!hasInk)
        return false;
    placement = {};
    const bool proportionalLayout = options.proportion == 1 || options.option == 1;
    if (!proportionalLayout && options.option != 2) {
        placement.source = {0, 0, surfaceWidth, surfaceHeight};
        placement.width = surfaceWidth;
        placement.height = surfaceHeight;
        return true;
    }
    placement.source = inkBounds;
    // The minimum sizes are for a landscape surface; an upright one turns them.
    const bool landscape = surfaceHeight < surfaceWidth;
    const int64_t inkW = std::max<int64_t>(int64_t(inkBounds.right) - inkBounds.left + 1,
                                           landscape ? options.minWidth : options.minHeight);
    const int64_t inkH = std::max<int64_t>(int64_t(inkBounds.bottom) - inkBounds.top + 1,
                                           landscape ? options.minHeight : options.minWidth);
    if (proportionalLayout)
        proportional(options, surfaceWidth, surfaceHeight, inkW, inkH, placement);
    else
        margins(options, surfaceWidth, surfaceHeight, inkW, inkH, placement);
    return true;
}

int64_t ExportLayout::fit(int64_t before, int64_t after, int64_t ink, int64_t surface,
                         bool evenSpan, int64_t &start)
{
    const int64_t span = before + after + ink;
    if (span >= surface) {
        start = (surface - ink) / 2;
        return surface;
    }
    start = before;
    return evenSpan ? span + (span & 1) : span;
}

void ExportLayout::margins(const ExportOptions &o, int64_t surfaceWidth, int64_t surfaceHeight,
                           int64_t inkW, int64_t inkH, ExportPlacement &p)
{
    p.width = fit(o.marginLeft, o.marginRight, inkW, surfaceWidth, false, p.left);
    p.height = fit(o.marginTop, o.marginBottom, inkH, surfaceHeight, false, p.top);
}

void ExportLayout::proportional(const ExportOptions &o, int64_t surfaceWidth,
                                int64_t surfaceHeight, int64_t inkW, int64_t inkH, ExportPlacement &p)
{
    // Twice as long as it is wide, along the surface's longer side.
    if (surfaceHeight < surfaceWidth) {
        const int64_t width = fit(o.marginLeft, o.marginRight, inkW, surfaceWidth, true, p.left);
        const int64_t height = fit(o.marginTop, o.marginBottom, inkH, surfaceHeight, false, p.top);
        p.width = std::max(width, 2 * height);
        p.height = 2 * height < width ? width / 2 : height;
    } else {
        const int64_t height = fit(o.marginTop, o.marginBottom, inkH, surfaceHeight, true, p.top);
        const int64_t width = fit(o.marginLeft, o.marginRight, inkW, surfaceWidth, false, p.left);
        p.height = std::max(height, 2 * width);
        p.width = 2 * width < height ? height / 2 : width;
    }
}
