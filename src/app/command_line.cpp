#include "command_line.h"

#include <QDir>

namespace kestrune {

StartOptions parseStartArguments(const QStringList& arguments, const QString& workingFolder) {
    StartOptions options;
    bool onlyFiles = false;
    for (const QString& argument : arguments) {
        if (!onlyFiles && argument == "--") {
            onlyFiles = true;
            continue;
        }
        if (!onlyFiles && argument.startsWith('-') && argument != "-") {
            // The first request for text wins over anything after it.
            if (options.action != StartOptions::Action::Run)
                continue;
            if (argument == "--version" || argument == "-v") {
                options.action = StartOptions::Action::PrintVersion;
            } else if (argument == "--help" || argument == "-h") {
                options.action = StartOptions::Action::PrintHelp;
            } else {
                options.action = StartOptions::Action::Fail;
                options.error = QStringLiteral("unknown option '%1'").arg(argument);
            }
            continue;
        }
        const QUrl url = argument.startsWith(QLatin1String("file:"))
                             ? QUrl(argument)
                             : QUrl::fromLocalFile(QDir(workingFolder).absoluteFilePath(argument));
        if (!url.isValid() || !url.isLocalFile() || url.toLocalFile().isEmpty()) {
            if (options.action == StartOptions::Action::Run) {
                options.action = StartOptions::Action::Fail;
                options.error = QStringLiteral("'%1' is not a local file").arg(argument);
            }
            continue;
        }
        options.clips.append(QUrl::fromLocalFile(QDir::cleanPath(url.toLocalFile())));
    }
    return options;
}

QString versionText() {
    return QStringLiteral("kestrune " KESTRUNE_VERSION "\n");
}

QString helpText() {
    return QStringLiteral("Usage: kestrune [OPTIONS] [FILE...]\n"
                          "\n"
                          "Joins recorded clips into one chaptered video. With files, starts on a\n"
                          "new project holding them; without, on the project library.\n"
                          "\n"
                          "Options:\n"
                          "  -h, --help     show this help and exit\n"
                          "  -v, --version  show the version and exit\n");
}

} // namespace kestrune
