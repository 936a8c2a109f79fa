// The picture of a project's card in the library: the first clip's frame at its
// in point, read straight from the stored project file. Blocks while it decodes,
// so the library calls it off the main thread.
#pragma once

#include <QImage>
#include <QString>

namespace kestrune {

// A null image when the file cannot be read or is no project, when the project
// has no clips, or when its first clip's file cannot be found or decoded.
QImage projectThumbnail(const QString& projectFilePath);

} // namespace kestrune
