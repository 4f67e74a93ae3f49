#include "MonitorGeometry.h"

#include <algorithm>
#include <cstdint>

namespace {

int64_t overlap(const InkRect &a, const InkRect &b)
{
    const int64_t w = int64_t(std::min(a.right, b.right)) - std::max(a.left, b.left);
    const int64_t h = int64_t(std::min(a.bottom, b.bottom)) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

int64_t gap(int32_t lowA, int32_t highA, int32_t lowB, int32_t highB)
{
    if (highA <= lowB)
        return int64_t(lowB) - highA;
    if (highB <= lowA)
        return int64_t(lowA) - highB;
    return 0;
}

int64_t distanceSquared(const InkRect &a, const InkRect &b)
{
    const int64_t dx = gap(a.left, a.right, b.left, b.right);
    const int64_t dy = gap(a.top, a.bottom, b.top, b.bottom);
    return dx * dx + dy * dy;
}

} // namespace

InkRect MonitorGeometry::toMonitorRect(InkRect &rect, const std::vector<InkRect> &monitors)
{
    if (monitors.empty())
        return {};
    const InkRect *best = &monitors.front();
    int64_t bestOverlap = -1;
    int64_t bestDistance = INT64_MAX;
    for (const InkRect &monitor : monitors) {
        const int64_t area = overlap(rect, monitor);
        const int64_t distance = distanceSquared(rect, monitor);
        if (area > bestOverlap || (area == 0 && bestOverlap == 0 && distance < bestDistance)) {
            best = &monitor;
            bestOverlap = area;
            bestDistance = distance;
        }
    }
    if (rect.left >= best->left)
        rect.left -= best->left;
    if (rect.right >= best->left)
        rect.right -= best->left;
    if (rect.top >= best->top)
        rect.top -= best->top;
    if (rect.bottom >= best->top)
        rect.bottom -= best->top;
    return *best;
}
