#include "export_request.h"

#include "export_error.h"
#include "file_access_validator.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <strings.h>
#include <sys/stat.h>

namespace kestrune {

namespace {

// The last component of the path, also of one that ends in a slash.
std::string lastComponent(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return std::filesystem::path(path).filename().string();
}

bool sameFile(const struct stat& a, const std::string& path) {
    struct stat b {};
    return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The pipeline writes beside the output and renames over it when done, so whatever
// is at the path is replaced: only a regular file that is not a clip may be there.
std::optional<ExportProblem> outputPlaceProblem(const CheckedClips& checked,
                                                const std::string& outputPath) {
    const std::string name = "\"" + lastComponent(outputPath) + "\"";
    struct stat target {};
    if (::stat(outputPath.c_str(), &target) == 0) {
        if (S_ISDIR(target.st_mode))
            return ExportProblem{"Cannot export to " + name +
                                 ": it is a folder. Choose a file name."};
        if (!S_ISREG(target.st_mode))
            return ExportProblem{"Cannot export to " + name +
                                 ": it is not a regular file. Choose another file."};
        // Also through another name (a link): the clip would be gone before it is read.
        for (const VideoClip& clip : checked.project.clips) {
            const auto file = checked.files.find(clip.id);
            if (file != checked.files.end() && sameFile(target, file->second))
                return ExportProblem{"Cannot export over \"" + clip.fileName +
                                     "\": it is one of the project's clips. Choose another file."};
        }
        return std::nullopt;
    }
    if (errno != ENOENT && errno != ENOTDIR)
        return std::nullopt; // the writer names what else keeps it from the folder
    std::filesystem::path folder = std::filesystem::path(outputPath).parent_path();
    if (folder.empty())
        folder = ".";
    struct stat folderStat {};
    if (::stat(folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode))
        return ExportProblem{"Cannot export to " + name + ": the folder \"" + folder.string() +
                             "\" does not exist."};
    return std::nullopt;
}

} // namespace

CheckedClips checkClipFiles(Project project, const std::map<Uuid, std::string>& clipPaths) {
    CheckedClips checked{std::move(project), {}, {}, {}, std::nullopt};
    for (const auto& result :
         FileAccessValidator::validate(checked.project.clipsInOrder(), clipPaths)) {
        if (result.error)
            checked.failures.push_back(result.fileName + ": " +
                                       std::string(description(*result.error)));
        else if (result.path) {
            checked.files[result.clipId] = *result.path;
            checked.fileDurations[result.clipId] = result.fileDuration;
        }
    }
    if (!checked.failures.empty()) {
        std::string message = "Cannot export — file access issues:";
        for (const auto& failure : checked.failures)
            message += "\n" + failure;
        checked.problem = ExportProblem{std::move(message)};
    } else if (checked.files.empty()) {
        checked.problem = ExportProblem{"No clips to export."};
    }
    return checked;
}

std::string containerPath(const std::string& path, ExportCodec codec) {
    const bool quickTime = codec == ExportCodec::prores;
    const char* wanted = quickTime ? ".mov" : ".mp4";
    std::filesystem::path file(path);
    const std::string current = file.extension().string();
    auto is = [&](const char* extension) { return ::strcasecmp(current.c_str(), extension) == 0; };
    if (is(wanted) || (!quickTime && is(".m4v")))
        return path;
    // The other container's extension would name the file for what it is not.
    if (is(".mp4") || is(".m4v") || is(".mov"))
        return file.replace_extension(wanted).string();
    return path + wanted;
}

std::optional<ExportProblem> outputNameProblem(const std::string& outputPath, ExportCodec codec) {
    const std::string named = containerPath(outputPath, codec);
    if (codec != ExportCodec::prores || named == outputPath)
        return std::nullopt;
    return ExportProblem{"ProRes is written as a QuickTime movie, not MPEG-4; name the output "
                         "file with .mov (for example '" +
                         lastComponent(named) + "')"};
}

ExportRequest makeExportConfig(const CheckedClips& checked, const std::string& outputPath,
                               ExportCodec codec, ExportQuality quality) {
    if (checked.problem)
        return *checked.problem;
    if (auto problem = outputNameProblem(outputPath, codec))
        return *problem;
    if (auto problem = outputPlaceProblem(checked, outputPath))
        return *problem;

    const Project& project = checked.project;
    ExportConfig config;
    for (const VideoClip& clip : project.clipsInOrder()) {
        const auto file = checked.files.find(clip.id);
        if (file == checked.files.end())
            continue;
        // The file may have changed since the clip was trimmed: only what it holds
        // now can be shown.
        std::optional<double> out = clip.trimOut;
        const double held = checked.fileDurations.at(clip.id);
        if (held > 0) {
            if (out)
                out = std::min(*out, held);
            if (clip.trimIn >= out.value_or(held))
                return ExportProblem{
                    ExportError::nothingToShow(clip.fileName, clip.trimIn, out.value_or(held), held)
                        .what()};
        }
        config.clips.push_back(
            {file->second, clip.duration, clip.width, clip.height, clip.trimIn, out});
    }
    // A chapter that starts at or after the end would never be reached.
    const double total = project.totalDuration();
    for (const auto& section : project.sections)
        if (section.startTime < total)
            config.sections.push_back(section);

    const OutputDimensions dimensions = outputDimensions(project.clips, project.sidebarOverlay);
    config.outputWidth = dimensions.outputWidth;
    config.outputHeight = dimensions.outputHeight;
    config.videoAreaWidth = dimensions.videoAreaWidth;
    config.sidebarWidth = dimensions.sidebarWidth;
    config.codec = codec;
    config.quality = quality;
    config.theme = project.sidebarTheme;
    return config;
}

ExportRequest requestExport(Project project, const std::map<Uuid, std::string>& clipPaths,
                            const std::string& outputPath, ExportCodec codec,
                            ExportQuality quality) {
    return makeExportConfig(checkClipFiles(std::move(project), clipPaths), outputPath, codec,
                            quality);
}

} // namespace kestrune
