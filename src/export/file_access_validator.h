// Checks, before an export starts, that every clip's file can still be reached and
// opened as a video, and says for each clip that cannot be used why not.
#pragma once

#include "model/project.h"
#include "model/uuid.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// Why a clip's file cannot be used, in the order the checks could find them.
enum class FileAccessError {
    noBookmarkData,
    bookmarkResolutionFailed,
    securityScopeAccessDenied,
    fileNotReadable,
    fileNotOpenableAsAsset,
};

// The text shown to the user, e.g. "File is missing or not readable".
std::string_view description(FileAccessError error);

struct ValidationResult {
    Uuid clipId;
    std::string fileName;
    // The file checked; none only when no file was known for the clip.
    std::optional<std::string> path;
    // None when the clip can be exported.
    std::optional<FileAccessError> error;
    // Seconds of picture the file holds now (when it passed; 0 when unknown).
    double fileDuration = 0;

    bool operator==(const ValidationResult&) const = default;
};

// The checks open the files, so they block: the views run them off the main
// thread. Nothing here throws; every problem becomes a result with an error.
namespace FileAccessValidator {

// One result per clip, in the order given. `clipPaths` maps clip ids to the files
// found for them when the project was opened; a clip without an entry had no usable
// saved reference. The clips are checked one after another, never in parallel, so
// a slow or sleeping disk is not hit with many opens at once.
std::vector<ValidationResult> validate(const std::vector<VideoClip>& clips,
                                       const std::map<Uuid, std::string>& clipPaths);

// Checks one clip's file; only the first failing check is reported.
ValidationResult validateClip(const VideoClip& clip, const std::optional<std::string>& path);

} // namespace FileAccessValidator

} // namespace kestrune
