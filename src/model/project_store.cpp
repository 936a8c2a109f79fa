#include "project_store.h"

#include "file_reference.h"
#include "log/log.h"
#include "project_file.h"
#include "project_json.h"
#include "project_lock.h"

#include <algorithm>
#include <iostream>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace kestrune {

namespace {

// The file's project, or none (with the reason logged) when it is not a project
// the library can offer.
std::optional<Project> readListed(const QFileInfo& entry, const ProjectStore& store) {
    const std::string path = entry.filePath().toStdString();
    Project project;
    try {
        project = decodeProject(readProjectFile(entry.filePath()));
    } catch (const ProjectFileError& error) {
        log::error(log::Category::Persistence, "Left out of the library: %s", error.what());
        return std::nullopt;
    } catch (const DocumentError& error) {
        // Not one of ours, or damaged: leave it on disk and out of the list.
        log::info(log::Category::Persistence, "Left out of the library: %s: %s", path.c_str(),
                  error.what());
        return std::nullopt;
    }
    // Projects are found by the id in their file's name; a file named otherwise
    // (a copy, a rename by hand) could be listed but never opened, and a copy would
    // show the same project twice.
    if (entry.absoluteFilePath() !=
        QFileInfo(store.projectFilePath(project.id)).absoluteFilePath()) {
        log::error(log::Category::Persistence,
                   "Left out of the library: %s holds the project %s, whose file is %s",
                   path.c_str(), project.id.toString().c_str(),
                   store.projectFilePath(project.id).toStdString().c_str());
        return std::nullopt;
    }
    return project;
}

} // namespace

ProjectSummary summarize(const Project& project) {
    const auto missing =
        std::count_if(project.clips.begin(), project.clips.end(), [](const auto& c) {
            const auto location = locateClip(c);
            return !location || !location->found;
        });
    return {project.id,
            project.name,
            static_cast<int>(project.clips.size()),
            static_cast<int>(missing),
            project.totalDuration(),
            project.createdAt,
            project.updatedAt};
}

ProjectStore::ProjectStore(const QString& baseDirectory)
    : baseDirectory_(baseDirectory)
    , projectsDirectory_(baseDirectory.isEmpty() ? QString() : baseDirectory + "/projects") {
    if (!projectsDirectory_.isEmpty())
        QDir().mkpath(projectsDirectory_);
}

const ProjectStore& ProjectStore::standard() {
    static const ProjectStore store([] {
        QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        return dataHome.isEmpty() ? QString() : dataHome + "/Kestrune";
    }());
    return store;
}

QString ProjectStore::legacyAutosavePath() const {
    return baseDirectory_ + "/autosave.json";
}

QString ProjectStore::projectFilePath(const Uuid& id) const {
    return projectsDirectory_ + "/" + QString::fromStdString(id.toString()) + ".json";
}

QString ProjectStore::lockFilePath(const Uuid& id) const {
    return projectsDirectory_.isEmpty() ? QString() : projectLockPath(projectFilePath(id));
}

std::string ProjectStore::write(const Project& project) const {
    if (projectsDirectory_.isEmpty())
        return "there is no folder for application data (is HOME set?)";
    std::string document;
    try {
        document = encodeProject(project);
    } catch (const DocumentError& error) {
        return error.what();
    }
    QString path = projectFilePath(project.id);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(document.data(), static_cast<qint64>(document.size())) !=
            static_cast<qint64>(document.size()) ||
        !file.commit()) {
        return "could not write " + path.toStdString() + ": " + file.errorString().toStdString();
    }
    return {};
}

bool ProjectStore::save(const Project& project) const {
    std::string failure = write(project);
    if (failure.empty())
        return true;
    std::cerr << "[Persistence] Save project failed: " << failure << std::endl;
    return false;
}

Project ProjectStore::load(const Uuid& id) const {
    const QString path = projectFilePath(id);
    Project project;
    try {
        project = decodeProject(readProjectFile(path));
    } catch (const ProjectFileError& unreadable) {
        throw ProjectStoreError(unreadable.what());
    } catch (const DocumentError& damaged) {
        throw ProjectStoreError(damaged.what());
    }
    // Saving this project would write another project's file.
    if (project.id != id)
        throw ProjectStoreError("The project file " + path.toStdString() + " holds the project " +
                                project.id.toString() + ", not " + id.toString() + ".");
    return project;
}

std::vector<ProjectSummary> ProjectStore::listProjects() const {
    std::vector<ProjectSummary> summaries;
    if (projectsDirectory_.isEmpty())
        return summaries;
    const QDir folder(projectsDirectory_);
    const auto entries = folder.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    summaries.reserve(static_cast<std::size_t>(entries.size()));
    for (const auto& entry : entries) {
        if (entry.suffix() != QLatin1String("json"))
            continue;
        if (auto project = readListed(entry, *this))
            summaries.push_back(summarize(*project));
    }
    std::stable_sort(summaries.begin(), summaries.end(),
                     [](const auto& a, const auto& b) { return a.updatedAt > b.updatedAt; });
    return summaries;
}

Project ProjectStore::duplicate(const Uuid& id, const std::string& newName) const {
    Project copy = load(id);
    copy.id = Uuid::generate();
    copy.name = newName;
    for (auto& clip : copy.clips)
        clip.id = Uuid::generate();
    copy.createdAt = copy.updatedAt = Date::now();
    if (std::string failure = write(copy); !failure.empty())
        throw ProjectStoreError("Could not save the copy: " + failure);
    return copy;
}

bool ProjectStore::rename(const Uuid& id, const std::string& newName) const {
    Project project;
    try {
        project = load(id);
    } catch (const ProjectStoreError&) {
        return false;
    }
    project.name = newName;
    project.updatedAt = Date::now();
    return save(project);
}

void ProjectStore::deleteProject(const Uuid& id) const {
    QFile::remove(projectFilePath(id));
    QFile::remove(lockFilePath(id));
}

void ProjectStore::migrateLegacyAutosave() const {
    if (!QFileInfo::exists(legacyAutosavePath()))
        return;
    Project project;
    try {
        project = decodeProject(readProjectFile(legacyAutosavePath()));
    } catch (const ProjectFileError& error) {
        log::error(log::Category::Persistence, "Old autosave kept: %s", error.what());
        return;
    } catch (const DocumentError&) {
        return;
    }
    bool needed = !project.clips.empty() && !QFile::exists(projectFilePath(project.id));
    if (needed && !save(project))
        return; // keep the old file for the next start rather than lose the project
    QFile::remove(legacyAutosavePath());
}

} // namespace kestrune
