// Pointing a clip at its file's new place after the file was moved: reading the
// file the clip is to use, comparing it with what the project recorded of the
// clip's old file, and the change to the project itself.
//
// readRelinkFile blocks while it reads the file; the rest neither touches the
// file system nor keeps any state, so any thread may call them.
#pragma once

#include "model/file_reference.h"
#include "model/project.h"
#include "video_metadata.h"

#include <optional>
#include <string>

namespace kestrune {

// The tolerance of sameDuration when a file does not tell its frame rate.
inline constexpr double kFallbackFrameDuration = 1.0 / 24;

// Whether a file lasting `actual` seconds can be the one recorded as lasting
// `recorded` seconds: the two differ by one frame at most (at `frameRate` frames
// a second, or 1/24 s when the rate is 0 or unknown), as containers and probes
// round a length to frames differently.
bool sameDuration(double recorded, double actual, double frameRate);

// A file read to become a clip's file: its reference, made when it was read, and
// what it holds.
struct RelinkFile {
    FileReference reference;
    VideoMetadata metadata;

    // The last component of the reference's path, as a clip's fileName.
    std::string fileName() const;
};

// Reads the file at `path` (made absolute against the working folder) as a clip's
// new file. Throws VideoMetadataError, with a text meant for the user, when no
// readable regular file is there or it is not a video a clip can use (see
// loadVideoMetadata). Blocks while FFmpeg reads the file.
RelinkFile readRelinkFile(const std::string& path);

// How a file the user picked compares with the clip's record, so the window can
// ask before it relinks to a file that seems to be another recording.
struct RecordComparison {
    bool sameName = false;
    bool sameSize = false;
    // Within one frame, see sameDuration.
    bool sameDuration = false;

    bool matches() const { return sameName && sameSize && sameDuration; }
};
RecordComparison compareWithRecord(const VideoClip& clip, const RelinkFile& file);

struct RelinkOutcome {
    // The trim points lay past the end of the new file and were moved (see relinkClip).
    bool trimClamped = false;
};

// Points the clip `clipId` of `project` at `file`: its reference (bookmarkData),
// fileName, fileSize, duration and picture size become the file's. Trim points
// past the file's end are brought back to it; when nothing of the trimmed part
// would be left (the in point at or past the end), the clip plays whole again.
// Nothing else changes, so the editor can keep the change as one edit and the
// rules of keepInvariants hold for it. None, and no change, when the project has
// no clip of that id.
std::optional<RelinkOutcome> relinkClip(Project& project, const Uuid& clipId,
                                        const RelinkFile& file);

} // namespace kestrune
