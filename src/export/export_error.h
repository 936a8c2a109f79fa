// How an export ends when it does not succeed. The texts are what the user sees.
#pragma once

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
};

// The export was cancelled; never shown as an error.
class ExportCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "Export cancelled"; }
};

} // namespace kestrune
