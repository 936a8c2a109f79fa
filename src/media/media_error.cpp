#include "media_error.h"

extern "C" {
#include <libavutil/error.h>
}

namespace kestrune {

std::string ffmpegErrorText(int errorCode) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(errorCode, text, sizeof text) < 0)
        return "Unknown error " + std::to_string(errorCode);
    return text;
}

void throwIfFailed(int errorCode, const std::string& what) {
    if (errorCode < 0)
        throw MediaError(what + ": " + ffmpegErrorText(errorCode));
}

} // namespace kestrune
