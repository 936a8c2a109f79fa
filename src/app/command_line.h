// What `kestrune` was started with: `--version`, `--help`, or clips to open in a
// new project (the desktop entry starts `kestrune %F`).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace kestrune {

struct StartOptions {
    enum class Action { Run, PrintVersion, PrintHelp, Fail };
    Action action = Action::Run;
    // The clips to open, as local file URLs with absolute paths, in the order given.
    QList<QUrl> clips;
    // Why the arguments were refused, for Action::Fail.
    QString error;
};

// `arguments` without the program's name. Relative paths are taken from
// `workingFolder`; file: URLs are accepted as well. Everything after "--" is a file.
StartOptions parseStartArguments(const QStringList& arguments, const QString& workingFolder);

// "kestrune 0.1.0\n"
QString versionText();
QString helpText();

} // namespace kestrune
