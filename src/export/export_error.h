// How an export ends when it does not succeed. The texts are what the user sees.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

namespace kestrune {

// A failed export; what() is the user-facing description.
class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // "Video writer failed: " + message.
    static ExportError writerFailed(const std::string& message) {
        return ExportError("Video writer failed: " + message);
    }

    // A clip that shows nothing: its in point is at or past the end of what its
    // file holds now (the file was replaced by a shorter one), or its out point is
    // not after its in point.
    static ExportError nothingToShow(const std::string& fileName, double in, double out,
                                     double fileSeconds);
};

inline ExportError ExportError::nothingToShow(const std::string& fileName, double in, double out,
                                              double fileSeconds) {
    char why[128];
    if (in >= fileSeconds)
        std::snprintf(why, sizeof why, "it starts at %.2f s, but its file now holds only %.2f s",
                      in, fileSeconds);
    else
        std::snprintf(why, sizeof why, "its out point (%.2f s) is not after its in point (%.2f s)",
                      out, in);
    return ExportError("Cannot export \"" + fileName + "\": " + why + ". Trim the clip again.");
}

// The export was cancelled; never shown as an error.
class ExportCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "Export cancelled"; }
};

} // namespace kestrune
