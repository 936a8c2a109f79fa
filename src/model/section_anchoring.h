// Sections that stay with their clips: while a project keeps sections with its
// clips, each section belongs to the clip under its start and to the moment of
// that clip's picture it starts at, so moving, trimming or removing clips carries
// the sections along with what they title.
#pragma once

#include "project.h"

#include <vector>

namespace kestrune {

// Moves the sections of `after`, an edit of `before`, with their clips when the
// edit moved, trimmed, added or removed clips and the project keeps sections with
// its clips. A section belongs to the clip under its start (one exactly at a
// boundary to the clip that starts there). Removing the clip, or trimming away the
// moment the section starts at, removes the section; a section at the very start
// of its clip stays at the clip's start however the in point moves. Sections the
// edit itself added or moved are left where the edit put them.
void moveSectionsWithClips(const Project& before, Project& after);

// One section per clip that plays for some time, at the clip's start on the joined
// timeline, titled with its file name without the extension.
std::vector<Section> sectionsFromClips(const Project& project);

} // namespace kestrune
