// The saved reference to a clip's source file (a clip's bookmarkData): the file's
// absolute path and its identity when the reference was made. A later run reopens
// the file by path; a changed identity tells that the path now holds another file
// (or the same file edited), so the reference is stale and should be made again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

struct VideoClip;

struct FileReference {
    // Longest path a reference carries, in bytes; longer ones cannot be opened anyway.
    static constexpr std::size_t kMaxPathLength = 4096;

    std::string path; // absolute
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    // Nanoseconds since the Unix epoch.
    std::int64_t modificationTimeNs = 0;

    // The reference to the readable regular file at `path` (made absolute against
    // the working folder), or none when there is no such file.
    static std::optional<FileReference> make(const std::string& path);

    // Reads the bytes written by encode(); any other bytes give none.
    static std::optional<FileReference> decode(const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> encode() const;

    struct Resolved {
        std::string path;
        // The file at the path is not the one the reference was made of.
        bool isStale = false;

        bool operator==(const Resolved&) const = default;
    };
    // The file's location while the path leads to a readable regular file; none
    // once it was moved or deleted or cannot be read.
    std::optional<Resolved> resolve() const;

    bool operator==(const FileReference&) const = default;
};

// Where a clip's file is, as its saved reference (bookmarkData) says.
struct ClipLocation {
    // The file; once it is gone, where it was when the reference was made.
    std::string path;
    // A readable regular file is at the path.
    bool found = false;
    // That file is not the one the reference was made of.
    bool isStale = false;

    bool operator==(const ClipLocation&) const = default;
};

// None when the clip has no saved reference or its bytes cannot be read.
std::optional<ClipLocation> locateClip(const VideoClip& clip);

} // namespace kestrune
