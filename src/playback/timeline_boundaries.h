// Which clip of the joined timeline lies under a time, from the list of where
// each clip starts followed by where the last one ends.
#pragma once

#include <QList>

namespace kestrune {

// The first clip i with boundaries[i] ≤ time < boundaries[i + 1]; before the
// start, at or past the end, or when no clip is loaded, the last clip (0 when
// there is none).
int clipIndexAt(const QList<double>& boundaries, double time);

} // namespace kestrune
