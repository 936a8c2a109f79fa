// Where the parts of an output frame go for a given output size: the video area
// from the left edge, the chapter sidebar at the trailing edge (over the video
// area or beside it), and the area clip pictures are fitted into, the video area
// less a margin of 1.5 % of the frame height. The export composes its frames by
// these rectangles and the preview lays out its views by them, scaled.
#pragma once

#include "export_settings.h"

#include <QRectF>

namespace kestrune {

struct FrameLayout {
    QRectF frame; // the whole output frame, from (0, 0)
    QRectF videoArea;
    QRectF sidebar;
    QRectF pictureArea;

    // A picture of `width` × `height` (upright, as players show it) fitted into the
    // picture area, centred and keeping its proportions; empty for an empty picture.
    QRectF fitPicture(double width, double height) const;

    bool operator==(const FrameLayout&) const = default;
};

// Sizes below zero count as zero.
FrameLayout frameLayout(const OutputDimensions& dimensions);

} // namespace kestrune
