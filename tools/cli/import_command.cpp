#include "commands.h"
#include "editing/project_view_model.h"
#include "project_loading.h"

#include <cstdio>

#include <QEventLoop>

namespace kestrune::cli {

namespace {

int usageError(const QString& message) {
    std::fprintf(stderr, "kestrune-cli import: %s\n\n%s", qPrintable(message), kImportHelp);
    return 2;
}

// Imports one file and waits for it, so the clips keep the order the user gave.
// Returns whether it became a clip.
bool importOne(ProjectViewModel& model, const QString& file) {
    bool finished = false;
    bool imported = false;
    QEventLoop loop;
    const auto connection = QObject::connect(&model, &ProjectViewModel::importFinished, &loop,
                                             [&](const QString&, const QString& clipId) {
                                                 finished = true;
                                                 imported = !clipId.isEmpty();
                                                 loop.quit();
                                             });
    model.importVideo(file);
    // A refused file finishes before importVideo returns.
    if (!finished)
        loop.exec();
    QObject::disconnect(connection);
    if (!imported)
        std::fprintf(stderr, "kestrune-cli import: %s: %s\n", qPrintable(printable(file)),
                     qPrintable(printable(model.importError().value_or(QString()))));
    return imported;
}

} // namespace

int runImport(const QStringList& arguments) {
    QStringList files;
    std::optional<QString> name;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--name") {
            if (i + 1 >= arguments.size())
                return usageError("--name needs a value");
            name = arguments[++i];
        } else if (argument == "--") {
            files += arguments.mid(i + 1);
            break;
        } else if (argument.startsWith("-") && argument.size() > 1) {
            return usageError("unknown option '" + printable(argument) + "'");
        } else {
            files << argument;
        }
    }
    if (files.isEmpty())
        return usageError("no video file given");

    ProjectViewModel model;
    // Nothing is previewed here, so no preview proxy is made.
    model.proxies().setEnabled(false);
    if (name)
        model.setName(*name);
    for (const auto& file : files)
        importOne(model, file);
    if (model.project().clips.empty()) {
        std::fprintf(stderr, "kestrune-cli import: no file could be imported\n");
        return 1;
    }
    if (!model.saveNow()) {
        std::fprintf(stderr, "kestrune-cli import: the project could not be saved\n");
        return 1;
    }
    std::printf("%s\n", model.project().id.toString().c_str());
    return 0;
}

} // namespace kestrune::cli
