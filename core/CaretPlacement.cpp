#include "core/CaretPlacement.h"

#include <algorithm>

namespace {

// The standard arrow reaches about this far right and down of the pointer's hot spot, at 96 dpi.
constexpr int kArrowWidth = 12;
constexpr int kArrowHeight = 19;
// Between the caret (or the arrow) and the lamp, at 96 dpi.
constexpr int kGap = 2;

int Scaled(int nPixels, int nDpi) { return std::max(1, (nPixels * nDpi + 48) / 96); }

bool Holds(const ScreenRect& rect, ScreenPoint pt)
{
    return pt.x >= rect.left && pt.x < rect.right && pt.y >= rect.top && pt.y < rect.bottom;
}

long long DistanceSquared(const ScreenRect& rect, ScreenPoint pt)
{
    const long long dx = pt.x < rect.left     ? rect.left - pt.x
                         : pt.x >= rect.right ? pt.x - rect.right + 1
                                              : 0;
    const long long dy = pt.y < rect.top       ? rect.top - pt.y
                         : pt.y >= rect.bottom ? pt.y - rect.bottom + 1
                                               : 0;
    return dx * dx + dy * dy;
}

// The monitor holding pt, else the nearest; null with none.
const MonitorArea* MonitorAt(const std::vector<MonitorArea>& monitors, ScreenPoint pt)
{
    const MonitorArea* pNearest = nullptr;
    for (const MonitorArea& monitor : monitors) {
        if (Holds(monitor.work, pt))
            return &monitor;
        if (pNearest == nullptr ||
            DistanceSquared(monitor.work, pt) < DistanceSquared(pNearest->work, pt))
            pNearest = &monitor;
    }
    return pNearest;
}

// One axis: after the anchor, or before it where that crosses the far edge; then inside the area.
int Place(int nAnchorStart, int nAnchorEnd, int nSize, int nGap, int nAreaStart, int nAreaEnd)
{
    int nStart = nAnchorEnd + nGap;
    if (nStart + nSize > nAreaEnd)
        nStart = nAnchorStart - nGap - nSize;
    return std::max(nAreaStart, std::min(nStart, nAreaEnd - nSize));
}

}  // namespace

ScreenRect CaretLampRect(const std::optional<ScreenRect>& caret, ScreenPoint pointer,
                         const std::vector<MonitorArea>& monitors)
{
    const ScreenPoint anchor = caret ? ScreenPoint{caret->left, caret->top} : pointer;
    const MonitorArea* pMonitor = MonitorAt(monitors, anchor);
    const int nDpi = pMonitor != nullptr ? pMonitor->nDpi : 96;
    ScreenRect box = caret ? *caret
                           : ScreenRect{pointer.x, pointer.y, pointer.x + Scaled(kArrowWidth, nDpi),
                                        pointer.y + Scaled(kArrowHeight, nDpi)};
    const int nSize = Scaled(CARET_LAMP_SIZE, nDpi);
    const int nGap = Scaled(kGap, nDpi);
    // With no monitor known, an area that never pushes back.
    const ScreenRect area = pMonitor != nullptr
                                ? pMonitor->work
                                : ScreenRect{-0x3FFFFFFF, -0x3FFFFFFF, 0x3FFFFFFF, 0x3FFFFFFF};
    const int nLeft = Place(box.left, box.right, nSize, nGap, area.left, area.right);
    const int nTop = Place(box.top, box.bottom, nSize, nGap, area.top, area.bottom);
    return ScreenRect{nLeft, nTop, nLeft + nSize, nTop + nSize};
}
