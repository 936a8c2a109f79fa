// One export as the window and the command line ask for it, in the two stages
// both go through: the clip files are checked (the window does this before it
// asks where to save), then the chosen output file. The answer is the job the
// coordinator runs, or the problem that stops the export, in the user's words.
#pragma once

#include "export_settings.h"
#include "model/project.h"
#include "model/uuid.h"

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kestrune {

// What stops an export before anything is written.
struct ExportProblem {
    std::string message;

    bool operator==(const ExportProblem&) const = default;
};

using ExportRequest = std::variant<ExportConfig, ExportProblem>;

// The first stage's answer, for the project it checked.
struct CheckedClips {
    Project project;
    // The file of each clip that can be exported, and the seconds it holds now.
    std::map<Uuid, std::string> files;
    std::map<Uuid, double> fileDurations;
    // "fileName: description" for each clip that cannot, in playback order.
    std::vector<std::string> failures;
    // Set when the export cannot go on: a clip that cannot be used, or no clip at all.
    std::optional<ExportProblem> problem;
};

// Checks every clip's file in playback order. `clipPaths` maps clip ids to the
// files found for them; a clip without an entry had no usable saved reference.
// Blocks while it opens the files: the window runs it on the thread pool.
CheckedClips checkClipFiles(Project project, const std::map<Uuid, std::string>& clipPaths);

// `path` named for the codec's container: ProRes goes into a QuickTime movie
// (".mov"), because FFmpeg's MPEG-4 muxer has no tag for it; H.264 and HEVC into
// MPEG-4 (".mp4", ".m4v" kept). The other container's extension is replaced; any
// other name keeps its extension and gets the container's appended.
std::string containerPath(const std::string& path, ExportCodec codec);

// Refuses a ProRes output that is not named as a QuickTime movie. H.264 and HEVC
// are written as MPEG-4 whatever the name the user insists on.
std::optional<ExportProblem> outputNameProblem(const std::string& outputPath, ExportCodec codec);

// The second stage: the job that writes `outputPath`, or why it must not be
// written there (the name, a clip, a folder or other non-file in the way, a
// missing folder). Sections that begin at or after the end are left out; the
// output size comes from all the clips, as the dialog shows it.
ExportRequest makeExportConfig(const CheckedClips& clips, const std::string& outputPath,
                               ExportCodec codec, ExportQuality quality);

// Both stages at once, for the command line.
ExportRequest requestExport(Project project, const std::map<Uuid, std::string>& clipPaths,
                            const std::string& outputPath, ExportCodec codec,
                            ExportQuality quality);

} // namespace kestrune
