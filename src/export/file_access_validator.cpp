#include "file_access_validator.h"

#include "log/log.h"
#include "media/media_file.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace kestrune {

namespace {

constexpr auto kCategory = log::Category::ExportValidation;

bool isReadableFile(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), R_OK) == 0;
}

} // namespace

std::string_view description(FileAccessError error) {
    switch (error) {
    case FileAccessError::noBookmarkData:
        return "No saved file reference";
    case FileAccessError::bookmarkResolutionFailed:
        return "Saved file reference is invalid";
    case FileAccessError::securityScopeAccessDenied:
        return "File access permission denied";
    case FileAccessError::fileNotReadable:
        return "File is missing or not readable";
    case FileAccessError::fileNotOpenableAsAsset:
        return "File cannot be opened as a video";
    }
    return "File cannot be used";
}

namespace FileAccessValidator {

std::vector<ValidationResult> validate(const std::vector<VideoClip>& clips,
                                       const std::map<Uuid, std::string>& clipPaths) {
    log::info(kCategory, "Validation: batch validating %ld clip(s)",
              static_cast<long>(clips.size()));
    std::vector<ValidationResult> results;
    results.reserve(clips.size());
    long failed = 0;
    for (const auto& clip : clips) {
        auto found = clipPaths.find(clip.id);
        results.push_back(validateClip(clip, found == clipPaths.end()
                                                 ? std::nullopt
                                                 : std::optional<std::string>(found->second)));
        failed += results.back().error ? 1 : 0;
    }
    log::info(kCategory, "Validation: batch complete, passed=%ld, failed=%ld",
              static_cast<long>(results.size()) - failed, failed);
    return results;
}

ValidationResult validateClip(const VideoClip& clip, const std::optional<std::string>& path) {
    const char* name = clip.fileName.c_str();
    log::info(kCategory, "Validation: checking clip '%s' (id=%s)", name,
              clip.id.toString().substr(0, 8).c_str());

    ValidationResult result{clip.id, clip.fileName, path, std::nullopt};
    if (!path) {
        log::error(kCategory, "Validation: clip '%s' has no bookmark data", name);
        result.error = FileAccessError::noBookmarkData;
        return result;
    }

    if (!isReadableFile(*path)) {
        log::error(kCategory, "Validation: clip '%s' not readable at path '%s'", name,
                   path->c_str());
        result.error = FileAccessError::fileNotReadable;
        return result;
    }

    // Opening a named pipe or a device would wait for data that may never come;
    // only a regular file can hold a clip.
    std::error_code statError;
    if (!std::filesystem::is_regular_file(*path, statError)) {
        log::error(kCategory, "Validation: clip '%s' cannot be opened as a video: %s", name,
                   "Not a regular file");
        result.error = FileAccessError::fileNotOpenableAsAsset;
        return result;
    }
    try {
        const MediaFile file(*path);
        if (!file.hasVideo()) {
            log::error(kCategory, "Validation: clip '%s' has no video tracks", name);
            result.error = FileAccessError::fileNotOpenableAsAsset;
            return result;
        }
        result.fileDuration = file.duration().seconds();
    } catch (const std::exception& error) {
        log::error(kCategory, "Validation: clip '%s' cannot be opened as a video: %s", name,
                   error.what());
        result.error = FileAccessError::fileNotOpenableAsAsset;
        return result;
    }
    log::info(kCategory, "Validation: clip '%s' OK", name);
    return result;
}

} // namespace FileAccessValidator

} // namespace kestrune
