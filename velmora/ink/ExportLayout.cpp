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
    const int64_t w = int64_t(inkBounds.right) - inkBounds.left + 1;
    const int64_t h = int64_t(inkBounds.bottom) - inkBounds.top + 1;
    if (proportionalLayout)
        proportional(options, surfaceWidth, surfaceHeight, w, h, placement);
    else
        margins(options, surfaceWidth, surfaceHeight, w, h, placement);
    return true;
}

void ExportLayout::margins(const ExportOptions &o, int64_t surfaceWidth, int64_t surfaceHeight,
                           int64_t w, int64_t h, ExportPlacement &p)
{
    const bool landscape = surfaceHeight < surfaceWidth;
    const int64_t inkW = std::max<int64_t>(w, landscape ? o.minWidth : o.minHeight);
    const int64_t inkH = std::max<int64_t>(h, landscape ? o.minHeight : o.minWidth);

    p.width = int64_t(o.marginLeft) + o.marginRight + inkW;
    p.left = o.marginLeft;
    if (p.width >= surfaceWidth) {
        p.width = surfaceWidth;
        p.left = (surfaceWidth - inkW) / 2;
    }
    p.height = int64_t(o.marginTop) + o.marginBottom + inkH;
    p.top = o.marginTop;
    if (p.height >= surfaceHeight) {
        p.height = surfaceHeight;
        p.top = (surfaceHeight - inkH) / 2;
    }
}

void ExportLayout::proportional(const ExportOptions &o, int64_t surfaceWidth,
                                int64_t surfaceHeight, int64_t w, int64_t h, ExportPlacement &p)
{
    // Twice as long as it is wide, along the surface's longer side.
    if (surfaceHeight < surfaceWidth) {
        const int64_t inkH = std::max<int64_t>(h, o.minHeight);
        const int64_t inkW = std::max<int64_t>(w, o.minWidth);
        int64_t width = int64_t(o.marginLeft) + o.marginRight + inkW;
        if (width < surfaceWidth) {
            width += width & 1;
            p.left = o.marginLeft;
        } else {
            width = surfaceWidth;
            p.left = (surfaceWidth - inkW) / 2;
        }
        int64_t height = int64_t(o.marginTop) + o.marginBottom + inkH;
        if (height >= surfaceHeight) {
            height = surfaceHeight;
            p.top = (surfaceHeight - inkH) / 2;
        } else {
            p.top = o.marginTop;
        }
        p.width = std::max(width, 2 * height);
        p.height = 2 * height < width ? width / 2 : height;
    } else {
        const int64_t inkH = std::max<int64_t>(h, o.minWidth);
        const int64_t inkW = std::max<int64_t>(w, o.minHeight);
        int64_t height = int64_t(o.marginTop) + o.marginBottom + inkH;
        if (height < surfaceHeight) {
            height += height & 1;
            p.top = o.marginTop;
        } else {
            height = surfaceHeight;
            p.top = (surfaceHeight - inkH) / 2;
        }
        int64_t width = int64_t(o.marginLeft) + o.marginRight + inkW;
        if (width >= surfaceWidth) {
            width = surfaceWidth;
            p.left = (surfaceWidth - inkW) / 2;
        } else {
            p.left = o.marginLeft;
        }
        p.height = std::max(height, 2 * width);
        p.width = 2 * width < height ? height / 2 : width;
    }
}
