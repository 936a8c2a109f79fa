// Finding the project a command works on, named by its id in the library or by the
// path of a project file, saving it back, and making the user's text safe to print.
#pragma once

#include "model/project.h"

#include <functional>
#include <optional>

#include <QString>

namespace kestrune::cli {

// Names and paths come from the user's files; control characters in them must not
// reach the terminal as escape sequences.
QString printable(QString text);

// Where a project named on the command line is kept.
struct ProjectLocation {
    // Set for a project of the library, named by its id.
    std::optional<Uuid> storedId;
    // The project file, links resolved for a file named by its path.
    QString filePath;
    // Its lock file (project_lock.h).
    QString lockPath;
};

// Where the stored project's id or the project file's path leads: the library's
// file for an id, and for a path an existing regular file. When it leads nowhere,
// says why on standard error as "kestrune-cli COMMAND: …".
std::optional<ProjectLocation> locateProject(const QString& argument, const char* command);

// The project kept there; when it cannot be read, says why as above.
std::optional<Project> loadProject(const ProjectLocation& location, const char* command);

// locateProject, then loadProject.
std::optional<Project> loadProject(const QString& argument, const char* command);

// Writes the project back where it was read from, atomically: a failure says why
// as above, leaves the old file as it was and returns false.
bool saveProject(const ProjectLocation& location, const Project& project, const char* command);

// "NAME" of the project for messages, or "The project" when it has no name.
QString projectName(const Project& project);

// The change a command makes: it edits `after`, a copy of `before`, or returns
// the exit code that refuses the change, having said why.
using ProjectChange = std::function<std::optional<int>(const Project& before, Project& after)>;

// Loads, changes and saves the project as the editor's edits do, holding the
// project's lock throughout so a window never writes it meanwhile: a project open
// in the window is refused, the editing rules are kept (keepInvariants), and a
// changed project is stamped and saved. Returns the exit code: 0, 1 when the
// project could not be read, locked or saved, or what the change returned.
int changeProject(const ProjectLocation& location, const char* command,
                  const ProjectChange& change);

} // namespace kestrune::cli
