#include "project_invariants.h"

#include "model/section_anchoring.h"

#include <algorithm>

namespace kestrune {

namespace {

bool sameClipSequence(const std::vector<VideoClip>& a, const std::vector<VideoClip>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const VideoClip& x, const VideoClip& y) { return x.id == y.id; });
}

} // namespace

void keepInvariants(const Project& before, Project& after) {
    // A file may list its clips under orders of its own; only an edit of the
    // sequence numbers them again, so a trim never changes what plays when.
    const bool sequenceChanged = !sameClipSequence(before.clips, after.clips);
    if (sequenceChanged)
        for (std::size_t i = 0; i < after.clips.size(); ++i)
            after.clips[i].order = static_cast<int>(i);
    moveSectionsWithClips(before, after);
    // Only after the sections moved: a section of a later clip is not past the
    // end just because an earlier clip went.
    if (sequenceChanged)
        dropSectionsPastEnd(after);
    std::stable_sort(after.sections.begin(), after.sections.end(),
                     [](const Section& a, const Section& b) { return a.startTime < b.startTime; });
}

void dropSectionsPastEnd(Project& project) {
    if (project.clips.empty()) {
        project.sections.clear();
        return;
    }
    const double total = project.totalDuration();
    std::erase_if(project.sections, [total](const Section& s) { return s.startTime >= total; });
}

bool sameDocument(const Project& a, const Project& b) {
    Project unstamped = b;
    unstamped.updatedAt = a.updatedAt;
    return a == unstamped;
}

} // namespace kestrune
