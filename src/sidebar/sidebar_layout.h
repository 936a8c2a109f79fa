// The sidebar's metrics for one export: where the rows, texts, separators and
// highlight box go, and how large the fonts are.
#pragma once

namespace kestrune {

struct SidebarLayout {
    double paddingY = 0;      // empty band above the first row and below the last
    double itemHeight = 0;    // height of one chapter row
    double titleFontSize = 0; // pixels
    double subtitleFontSize = 0;
    double textX = 0;        // left edge of the texts and separators
    double maxTextWidth = 0; // length of the separators
    double hlX = 0;          // left edge of the highlight box
    double hlW = 0;          // width of the highlight box

    // Rows share the height between the padding bands evenly; the title font
    // shrinks with more chapters and is capped by the sidebar width, but neither
    // font goes below a readable size even when rows get too low for it.
    static SidebarLayout make(int sectionCount, int outputWidth, int outputHeight,
                              int sidebarWidth);

    bool operator==(const SidebarLayout&) const = default;
};

} // namespace kestrune
