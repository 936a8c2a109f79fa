// The project document: the ordered clips with their trim points, the chapters
// ("sections") shown in the sidebar, the sidebar layout choice and the theme.
#pragma once

#include "date.h"
#include "sidebar_theme.h"
#include "uuid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// The largest width or height a clip's picture may have (16K); larger values, like
// zero or negative ones, come from damaged or hand-made files.
inline constexpr int kMaxVideoSide = 16384;

struct VideoClip {
    Uuid id;
    // Last path component of the source file, for display.
    std::string fileName;
    std::int64_t fileSize = 0;
    // Full length of the source clip, seconds.
    double duration = 0;
    // Displayed size of the video track, after its rotation; 1 to kMaxVideoSide in
    // every stored file.
    int width = 0;
    int height = 0;
    // Equals the clip's index in Project::clips in every stored file.
    int order = 0;
    // The file reference that lets a later run reopen the source file.
    std::optional<std::vector<std::uint8_t>> bookmarkData;
    // Used part of the clip, seconds from its own start; no out point means to the end.
    double trimIn = 0;
    std::optional<double> trimOut;

    // (trimOut, else duration) − trimIn; negative when the trim points are inverted.
    double effectiveDuration() const { return trimOut.value_or(duration) - trimIn; }

    bool operator==(const VideoClip&) const = default;
};

struct Section {
    Uuid id;
    std::string title;
    // Empty when the chapter has no second line.
    std::string subtitle;
    // Where the chapter begins on the joined timeline, seconds.
    double startTime = 0;

    bool operator==(const Section&) const = default;
};

struct Project {
    Uuid id;
    std::string name;
    std::vector<VideoClip> clips;
    // Ascending startTime; the sidebar and the active-chapter rule rely on it.
    std::vector<Section> sections;
    // Shown as "Overlay" (true) or "Side-by-side" (false).
    bool sidebarOverlay = true;
    // Shown as "Keep with clips": sections move with the clip they start in when
    // clips are moved, trimmed or removed (section_anchoring.h). Files written
    // before the setting existed read as on.
    bool keepSectionsWithClips = true;
    SidebarTheme sidebarTheme = SidebarTheme::classic();
    Date createdAt;
    Date updatedAt;

    // A fresh "Untitled Project" with no clips, the overlay layout and the Classic theme.
    static Project untitled();

    // The clips' used parts laid end to end; inverted trims count as nothing.
    double totalDuration() const;
    // The clips as they play: see inPlaybackOrder.
    std::vector<VideoClip> clipsInOrder() const;

    bool operator==(const Project&) const = default;
};

// Ascending `order`, clips of equal order as listed: the order of playback and
// export, whatever order a project file lists them in.
std::vector<VideoClip> inPlaybackOrder(std::vector<VideoClip> clips);

// The chapter active at time t on the joined timeline: the last section (in
// their ascending order) whose start is not after t, or −1 when there is none.
int activeSectionIndex(const std::vector<Section>& sections, double t);

} // namespace kestrune
