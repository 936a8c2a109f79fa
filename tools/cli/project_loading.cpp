#include "project_loading.h"

#include "editing/project_invariants.h"
#include "export/chapter_list.h"
#include "model/project_file.h"
#include "model/project_json.h"
#include "model/project_lock.h"
#include "model/project_store.h"

#include <cstdio>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

std::optional<ProjectLocation> locateProject(const QString& argument, const char* command) {
    if (auto id = Uuid::parse(argument.toStdString())) {
        const ProjectStore& store = ProjectStore::standard();
        if (!QFile::exists(store.projectFilePath(*id))) {
            fail(command, QString("no project with the id %1 in %2")
                              .arg(QString::fromStdString(id->toString()),
                                   printable(store.projectsDirectory())));
            return std::nullopt;
        }
        return ProjectLocation{id, store.projectFilePath(*id), store.lockFilePath(*id)};
    }
    const QFileInfo file(argument);
    if (!file.exists()) {
        fail(command, QString("'%1' is neither the id of a stored project nor a readable "
                              "project file")
                          .arg(printable(argument)));
        return std::nullopt;
    }
    // Saving replaces the file the path leads to, never a link on the way, and the
    // lock belongs beside that file, where the window would look for it.
    const QString target = file.canonicalFilePath();
    if (target.isEmpty() || !QFileInfo(target).isFile()) {
        fail(command, QString("'%1' is not a regular file").arg(printable(argument)));
        return std::nullopt;
    }
    return ProjectLocation{std::nullopt, target, projectLockPath(target)};
}

std::optional<Project> loadProject(const ProjectLocation& location, const char* command) {
    if (location.storedId) {
        try {
            return ProjectStore::standard().load(*location.storedId);
        } catch (const ProjectStoreError& error) {
            fail(command, printable(QString::fromUtf8(error.what())));
            return std::nullopt;
        }
    }
    std::string bytes;
    try {
        bytes = readProjectFile(location.filePath);
    } catch (const ProjectFileError& error) {
        fail(command, printable(QString::fromStdString(error.what())));
        return std::nullopt;
    }
    try {
        return decodeProject(bytes);
    } catch (const DocumentError& error) {
        fail(command,
             QString("'%1' is not a project file: %2")
                 .arg(printable(location.filePath), printable(QString::fromUtf8(error.what()))));
        return std::nullopt;
    }
}

std::optional<Project> loadProject(const QString& argument, const char* command) {
    const auto location = locateProject(argument, command);
    return location ? loadProject(*location, command) : std::nullopt;
}

bool saveProject(const ProjectLocation& location, const Project& project, const char* command) {
    if (location.storedId) {
        if (ProjectStore::standard().save(project))
            return true;
        fail(command, "the project could not be saved; its file is unchanged");
        return false;
    }
    std::string document;
    try {
        document = encodeProject(project);
    } catch (const DocumentError& error) {
        fail(command, QString("the project could not be saved: %1")
                          .arg(printable(QString::fromUtf8(error.what()))));
        return false;
    }
    QSaveFile file(location.filePath);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(document.data(), static_cast<qint64>(document.size())) !=
            static_cast<qint64>(document.size()) ||
        !file.commit()) {
        fail(command, QString("could not write %1: %2; the file is unchanged")
                          .arg(printable(location.filePath), printable(file.errorString())));
        return false;
    }
    return true;
}

QString projectName(const Project& project) {
    return project.name.empty() ? QString("The project")
                                : printable(QString::fromStdString(plainTitle(project.name)));
}

int changeProject(const ProjectLocation& location, const char* command,
                  const ProjectChange& change) {
    constexpr int kFailure = 1;
    auto attempt = ProjectLock::tryTake(location.lockPath);
    if (attempt.outcome == ProjectLock::Outcome::held) {
        // Saves replace the file whole, so reading it while the window has it is safe.
        const auto project = loadProject(location, command);
        if (!project)
            return kFailure;
        fail(command, projectName(*project) + " is open in Kestrune; close it there first");
        return kFailure;
    }
    if (attempt.outcome == ProjectLock::Outcome::failed) {
        fail(command, printable(QString::fromStdString(attempt.error)));
        return kFailure;
    }

    const auto before = loadProject(location, command);
    if (!before)
        return kFailure;
    Project after = *before;
    if (const auto refused = change(*before, after))
        return *refused;
    keepInvariants(*before, after);
    if (sameDocument(*before, after))
        return 0; // nothing to write, and nothing to stamp as changed
    after.updatedAt = Date::now();
    return saveProject(location, after, command) ? 0 : kFailure;
}

} // namespace kestrune::cli
