// Reading a project document from disk without trusting what its path leads to:
// a name in the projects folder may be a link to a pipe, a device or a huge file.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include <QString>

namespace kestrune {

// No project comes near this; anything larger is not one of ours, and reading it
// whole would only use up memory.
inline constexpr std::int64_t kMaxProjectFileSize = 64 * 1024 * 1024;

// Why a project file could not be read; the text is meant for the user.
class ProjectFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole content of the regular file at path. Throws ProjectFileError when it
// cannot be opened or read, is not a regular file (a pipe, a device, a folder) or
// is larger than kMaxProjectFileSize. Never blocks on a pipe.
std::string readProjectFile(const QString& path);

} // namespace kestrune
