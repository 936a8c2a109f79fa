// Failures of the media layer, carrying FFmpeg's own explanation.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrune {

class MediaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// FFmpeg's text for an error code, e.g. "No such file or directory".
std::string ffmpegErrorText(int errorCode);

// Throws MediaError("<what>: <FFmpeg's text>") when errorCode is negative.
void throwIfFailed(int errorCode, const std::string& what);

} // namespace kestrune
