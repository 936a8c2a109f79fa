// Finding the files of clips that were moved: to an external disk, into a dated
// folder, along with the rest of a recording. A file is taken for a clip's only
// when it has the clip's file name, exactly its recorded size, and is a usable
// video whose length is the recorded one within a frame; a renamed file is left
// for the user to pick.
//
// searchForClips blocks while it walks folders and reads candidate files, so the
// window runs it off the main thread; it keeps no state between calls and can be
// cancelled through its stop token. Nothing here changes a project: relinkClip
// (clip_relink.h) applies what was found.
#pragma once

#include "clip_relink.h"
#include "model/project.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace kestrune {

// What the project recorded of a clip whose file is missing.
struct MissingClip {
    Uuid id;
    std::string fileName;
    std::int64_t fileSize = 0;
    double duration = 0;
    // Where the file was when its reference was made; empty when the clip has no
    // readable reference.
    std::string lastKnownPath;
};

// The clips of `project` whose file is not found where their reference says, or
// that have no readable reference, in the project's order. A file that is there
// but changed (a stale reference) is found, not missing. Checks each file's
// place, so it touches the file system, briefly.
std::vector<MissingClip> missingClips(const Project& project);

struct SearchFolder {
    std::string path;
    // How many levels of subfolders are looked into: 0 for the folder's own files.
    int depth = 0;

    bool operator==(const SearchFolder&) const = default;
};

// Where the files of `project`'s missing clips are likely to be, most likely
// first: the folder of each clip that is found, with its subfolders (depth 1),
// then for each missing clip the parent of the folder it was in, with two levels
// of subfolders, which covers the old folder renamed or moved next to it, or
// into a dated folder beside it. When the old folder is a top-level one, the
// old folder itself is given instead of the whole file system. Each folder is
// given once. Touches the file system as missingClips does.
std::vector<SearchFolder> automaticSearchFolders(const Project& project);

struct SearchLimits {
    // Folder entries looked at, over all folders, before the search gives up.
    std::size_t maxEntries = 20'000;
    // Time after which the search gives up.
    std::chrono::milliseconds maxTime{3'000};
};

struct ClipSearchResult {
    struct Match {
        Uuid id;
        // The accepted file, read when it was accepted; none when not found.
        std::optional<RelinkFile> file;
    };
    // One per clip searched for, in the order given.
    std::vector<Match> clips;

    enum class End {
        // Every folder was looked through.
        searched,
        // Every clip was found before that.
        allFound,
        // Stopped at a limit or by the stop token; some folders may not have been
        // looked through.
        entryLimit,
        timeLimit,
        cancelled,
    };
    End end = End::searched;
    std::size_t entriesSeen = 0;

    bool stoppedAtLimit() const { return end == End::entryLimit || end == End::timeLimit; }
    std::size_t foundCount() const;
};

// Looks through `folders` in the order given, each breadth first to its depth,
// for the files of `clips`. Files and subfolders reached through symbolic links
// are not followed (the folders given may be links), hidden subfolders (the
// trash among them) are not looked into, and a folder is never listed twice
// unless it is reached again with more levels below it to look into. Folders
// that do not exist or cannot be read are passed over. Each candidate (name and
// size match) is read with readRelinkFile once, however many clips it could be.
// Two clips recorded as the same file may both be given the same file.
ClipSearchResult searchForClips(const std::vector<MissingClip>& clips,
                                const std::vector<SearchFolder>& folders,
                                const SearchLimits& limits = {}, std::stop_token stop = {});

} // namespace kestrune
