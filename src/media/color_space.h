// Which colour matrix a source clip's pictures are read with.
#pragma once

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace kestrune {

// The clip's own matrix when its stream is tagged; otherwise BT.709 for HD sizes
// and BT.601 for SD, as players assume.
AVColorSpace sourceColorSpace(AVColorSpace tagged, int width, int height);

} // namespace kestrune
