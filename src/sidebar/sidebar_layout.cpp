#include "sidebar_layout.h"

#include <algorithm>

namespace kestrune {

SidebarLayout SidebarLayout::make(int sectionCount, int outputWidth, int outputHeight,
                                  int sidebarWidth) {
    const double h = outputHeight;
    const double ws = sidebarWidth;
    const double n = sectionCount;
    // The sidebar always touches the right edge of the frame.
    const double sx = outputWidth - sidebarWidth;

    SidebarLayout layout;
    layout.paddingY = h * 0.05;
    double candidate = ws * 0.085;
    if (sectionCount > 0) {
        layout.itemHeight = (h - 2 * layout.paddingY) / n;
        candidate = h / (n * 2.5);
    }
    layout.titleFontSize = std::max(std::min(candidate, ws * 0.085) - 2, 12.0);
    layout.subtitleFontSize = std::max(ws * 0.045 - 2, 10.0);
    layout.textX = sx + 12;
    layout.maxTextWidth = ws - 24;
    layout.hlX = sx + 4;
    layout.hlW = ws - 8;
    return layout;
}

} // namespace kestrune
