// kestrune-cli: the project library and exports from the command line. It never
// needs a display.
#include "commands.h"
#include "log/log.h"
#include "project_loading.h"
#include "sidebar/bundled_fonts.h"

#include <array>
#include <cstdio>

#include <QGuiApplication>
#include <QtGlobal>

namespace {

using kestrune::cli::Command;

const std::array kCommands{
    Command{"list", "list the projects in the library", kestrune::cli::kListHelp,
            kestrune::cli::runList},
    Command{"import", "make a new project of video files", kestrune::cli::kImportHelp,
            kestrune::cli::runImport},
    Command{"export", "export a project to a video file", kestrune::cli::kExportHelp,
            kestrune::cli::runExport},
    Command{"chapters", "print a project's chapters for YouTube, FFmpeg or WebVTT",
            kestrune::cli::kChaptersHelp, kestrune::cli::runChapters},
    Command{"sections", "list, add, import or clear a project's sections",
            kestrune::cli::kSectionsHelp, kestrune::cli::runSections},
    Command{"relink", "find the moved files of a project's clips", kestrune::cli::kRelinkHelp,
            kestrune::cli::runRelink},
};

QtMessageHandler qtDefaultHandler = nullptr;

// Outside a desktop session Qt remarks on its start-up (no XDG_RUNTIME_DIR, the
// platform plugin's notes), which says nothing to someone running a command.
// Those remarks are dropped; every other message goes through as before.
void withoutStartupRemarks(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    const bool remark = type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg;
    const bool platform = context.category && qstrncmp(context.category, "qt.qpa", 6) == 0;
    const bool runtimeFolder = message.startsWith(QLatin1String("QStandardPaths: ")) &&
                               message.contains(QLatin1String("runtime"), Qt::CaseInsensitive);
    if (remark && (platform || runtimeFolder))
        return;
    qtDefaultHandler(type, context, message);
}

void printUsage(std::FILE* out) {
    std::fputs("Usage: kestrune-cli COMMAND [OPTIONS]\n\nCommands:\n", out);
    for (const auto& command : kCommands)
        std::fprintf(out, "  %-10s %s\n", command.name, command.summary);
    std::fputs("\nRun 'kestrune-cli COMMAND --help' for the options of a command,\n"
               "'kestrune-cli --version' for the version.\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtDefaultHandler = qInstallMessageHandler(withoutStartupRemarks);
    // The sidebar's font comes with Kestrune; the user need not have installed it.
    kestrune::addBundledFonts();
    QGuiApplication app(argc, argv);
    // Diagnostics belong in the journal; on a terminal only errors would help the user.
    kestrune::log::setStandardErrorThreshold(kestrune::log::Level::Error);
    QGuiApplication::setApplicationName("Kestrune");

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        printUsage(stderr);
        return 2;
    }
    const QString name = arguments.takeFirst();
    if (name == "--version" || name == "-v") {
        std::fputs("kestrune-cli " KESTRUNE_VERSION "\n", stdout);
        return 0;
    }
    if (name == "--help" || name == "-h" || name == "help") {
        if (!arguments.isEmpty())
            for (const auto& command : kCommands)
                if (arguments.first() == command.name) {
                    std::fputs(command.help, stdout);
                    return 0;
                }
        printUsage(stdout);
        return 0;
    }
    for (const auto& command : kCommands) {
        if (name != command.name)
            continue;
        if (arguments.contains("--help") || arguments.contains("-h")) {
            std::fputs(command.help, stdout);
            return 0;
        }
        return command.run(arguments);
    }
    std::fprintf(stderr, "kestrune-cli: unknown command '%s'\n\n",
                 qPrintable(kestrune::cli::printable(name)));
    printUsage(stderr);
    return 2;
}
