// Turns the open project and the locations of its clip files into the export job
// the coordinator runs, the same way for the export dialog and the command line.
#pragma once

#include "export_settings.h"
#include "model/project.h"
#include "model/uuid.h"

#include <map>

#include <QUrl>

namespace kestrune {

// Clips in ascending `order`, each with the file found for it in `clipPaths`; clips
// without an entry are left out (callers validate the files first and refuse to
// export when any is missing). Only sections that begin before the end of the
// project's joined timeline are kept. The output size is worked out from all the
// project's clips, so it is the size the dialog shows.
ExportConfig makeExportConfig(const Project& project, const std::map<Uuid, QUrl>& clipPaths,
                              ExportCodec codec, ExportQuality quality);

} // namespace kestrune
