#include "project_loading.h"

#include "model/project_file.h"
#include "model/project_json.h"
#include "model/project_store.h"

#include <cstdio>

#include <QFile>
#include <QFileInfo>

namespace kestrune::cli {

namespace {

void fail(const char* command, const QString& message) {
    std::fprintf(stderr, "kestrune-cli %s: %s\n", command, qPrintable(message));
}

} // namespace

QString printable(QString text) {
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    return text;
}

std::optional<Project> loadProject(const QString& argument, const char* command) {
    if (auto id = Uuid::parse(argument.toStdString())) {
        const ProjectStore& store = ProjectStore::standard();
        if (!QFile::exists(store.projectFilePath(*id))) {
            fail(command, QString("no project with the id %1 in %2")
                              .arg(QString::fromStdString(id->toString()),
                                   printable(store.projectsDirectory())));
            return std::nullopt;
        }
        try {
            return store.load(*id);
        } catch (const ProjectStoreError& error) {
            fail(command, printable(QString::fromUtf8(error.what())));
            return std::nullopt;
        }
    }
    if (!QFileInfo::exists(argument)) {
        fail(command, QString("'%1' is neither the id of a stored project nor a readable "
                              "project file")
                          .arg(printable(argument)));
        return std::nullopt;
    }
    std::string bytes;
    try {
        bytes = readProjectFile(argument);
    } catch (const ProjectFileError& error) {
        fail(command, printable(QString::fromStdString(error.what())));
        return std::nullopt;
    }
    try {
        return decodeProject(bytes);
    } catch (const DocumentError& error) {
        fail(command, QString("'%1' is not a project file: %2")
                          .arg(printable(argument), printable(QString::fromUtf8(error.what()))));
        return std::nullopt;
    }
}

} // namespace kestrune::cli
