#include "color_space.h"

namespace kestrune {

AVColorSpace sourceColorSpace(AVColorSpace tagged, int width, int height) {
    if (tagged != AVCOL_SPC_UNSPECIFIED && tagged != AVCOL_SPC_RESERVED)
        return tagged;
    const bool hd = width > 1024 || height > 576;
    return hd ? AVCOL_SPC_BT709 : AVCOL_SPC_BT470BG;
}

} // namespace kestrune
