// The rules every edited project keeps: clip orders equal their places, sections
// ascend by start time, and no section starts past the end of the video.
#pragma once

#include "model/project.h"

namespace kestrune {

// Brings `after`, an edit of `before`, back within the rules: sections move with
// their clips when the project keeps them together (moveSectionsWithClips); when
// the edit added, removed or moved clips, the clips are numbered again and the
// sections past the new end dropped; sections are sorted by start time, stably,
// so equal starts keep the order they were made in.
void keepInvariants(const Project& before, Project& after);

// Sections past the end of the joined video would never be shown; a project
// without clips has none.
void dropSectionsPastEnd(Project& project);

// The same document, whenever either was last changed.
bool sameDocument(const Project& a, const Project& b);

} // namespace kestrune
