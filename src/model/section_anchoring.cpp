#include "section_anchoring.h"

#include <algorithm>
#include <optional>

namespace kestrune {

namespace {

// Starts computed by the same sums agree exactly; this only forgives the
// rounding of a time that went through a text field or a file.
constexpr double kSameMoment = 1e-6;

// Where a clip's used part lies on the joined timeline.
struct ClipSpan {
    Uuid clipId;
    double start = 0;
    double length = 0;
    double trimIn = 0;

    bool operator==(const ClipSpan&) const = default;
};

// The clips that play, in playback order; inverted trims play nothing.
std::vector<ClipSpan> timelineOf(const Project& project) {
    std::vector<ClipSpan> spans;
    double start = 0;
    for (const auto& clip : project.clipsInOrder()) {
        const double length = clip.effectiveDuration();
        if (length <= 0)
            continue;
        spans.push_back({clip.id, start, length, clip.trimIn});
        start += length;
    }
    return spans;
}

// The moment of a clip's own picture a section starts at.
struct Anchor {
    Uuid clipId;
    double sourceTime = 0;
    bool atClipStart = false;
};

std::optional<Anchor> anchorOf(const std::vector<ClipSpan>& spans, double t) {
    // The last clip starting at or before t; a section on a boundary belongs to
    // the clip that starts there.
    const auto after =
        std::upper_bound(spans.begin(), spans.end(), t + kSameMoment,
                         [](double time, const ClipSpan& s) { return time < s.start; });
    if (after == spans.begin())
        return std::nullopt;
    const ClipSpan& span = *std::prev(after);
    const double offset = std::max(0.0, t - span.start);
    if (offset >= span.length)
        return std::nullopt; // past the end of the video
    return Anchor{span.clipId, span.trimIn + offset, offset < kSameMoment};
}

// Where the anchored moment plays now, or nothing when it no longer does.
std::optional<double> placeOf(const std::vector<ClipSpan>& spans, const Anchor& anchor) {
    const auto span = std::find_if(spans.begin(), spans.end(),
                                   [&](const ClipSpan& s) { return s.clipId == anchor.clipId; });
    if (span == spans.end())
        return std::nullopt;
    // A section that opens its clip keeps opening it, wherever the in point goes.
    if (anchor.atClipStart)
        return span->start;
    const double offset = anchor.sourceTime - span->trimIn;
    if (offset < 0 || offset >= span->length)
        return std::nullopt;
    return span->start + offset;
}

std::string withoutExtension(const std::string& fileName) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return fileName;
    return fileName.substr(0, dot);
}

} // namespace

void moveSectionsWithClips(const Project& before, Project& after) {
    if (!after.keepSectionsWithClips)
        return;
    const auto oldSpans = timelineOf(before);
    const auto newSpans = timelineOf(after);
    if (oldSpans == newSpans)
        return;
    std::vector<Section> kept;
    kept.reserve(after.sections.size());
    for (auto& section : after.sections) {
        const auto earlier = std::find_if(before.sections.begin(), before.sections.end(),
                                          [&](const Section& s) { return s.id == section.id; });
        const bool editedHere =
            earlier == before.sections.end() || earlier->startTime != section.startTime;
        const auto anchor = editedHere ? std::nullopt : anchorOf(oldSpans, section.startTime);
        if (!anchor) {
            kept.push_back(std::move(section));
            continue;
        }
        if (const auto place = placeOf(newSpans, *anchor)) {
            section.startTime = *place;
            kept.push_back(std::move(section));
        }
    }
    after.sections = std::move(kept);
}

std::vector<Section> sectionsFromClips(const Project& project) {
    std::vector<Section> sections;
    const auto clips = project.clipsInOrder();
    double start = 0;
    for (const auto& clip : clips) {
        const double length = clip.effectiveDuration();
        if (length <= 0)
            continue;
        const std::string title = withoutExtension(clip.fileName);
        sections.push_back({Uuid::generate(), title.empty() ? clip.fileName : title, {}, start});
        start += length;
    }
    return sections;
}

} // namespace kestrune
