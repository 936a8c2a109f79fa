// The subcommands of kestrune-cli. Each takes the arguments after its name and
// returns the process exit code.
#pragma once

#include <QStringList>

namespace kestrune::cli {

struct Command {
    const char* name;
    const char* summary;
    const char* help;
    int (*run)(const QStringList& arguments);
};

int runList(const QStringList& arguments);

inline constexpr const char* kListHelp =
    "Usage: kestrune-cli list [--json]\n"
    "\n"
    "Lists the projects in the library, most recently changed first: id, name,\n"
    "number of clips, total length and the date of the last change.\n"
    "\n"
    "  --json   print one JSON array of objects with the keys id, name, clipCount,\n"
    "           totalDuration (seconds), createdAt and updatedAt (seconds since\n"
    "           2001-01-01T00:00:00Z, as in the project files)\n";

} // namespace kestrune::cli
