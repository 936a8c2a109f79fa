// Finding the project a command works on, named by its id in the library or by the
// path of a project file, and making the user's text safe to print.
#pragma once

#include "model/project.h"

#include <optional>

#include <QString>

namespace kestrune::cli {

// Names and paths come from the user's files; control characters in them must not
// reach the terminal as escape sequences.
QString printable(QString text);

// The project a stored project's id or a project file's path names. When there is
// none, says why on standard error as "kestrune-cli COMMAND: …".
std::optional<Project> loadProject(const QString& argument, const char* command);

} // namespace kestrune::cli
