#include "project_store.h"

#include "project_json.h"

#include <algorithm>
#include <iostream>
#include <optional>

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace kestrune {

namespace {

// Reads a whole file; no value when it cannot be opened or read.
std::optional<QByteArray> readFile(const QString& path, QString* error = nullptr) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

Project decode(const QByteArray& bytes) {
    return decodeProject(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace

ProjectSummary summarize(const Project& project) {
    return {project.id,
            project.name,
            static_cast<int>(project.clips.size()),
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
    std::cout << "[Persistence] Save project failed: " << failure << std::endl;
    return false;
}

Project ProjectStore::load(const Uuid& id) const {
    QString path = projectFilePath(id);
    QString error;
    auto bytes = readFile(path, &error);
    if (!bytes)
        throw ProjectStoreError("Could not open " + path.toStdString() + ": " +
                                error.toStdString());
    try {
        return decode(*bytes);
    } catch (const DocumentError& damaged) {
        throw ProjectStoreError(damaged.what());
    }
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
        auto bytes = readFile(entry.filePath());
        if (!bytes)
            continue;
        try {
            summaries.push_back(summarize(decode(*bytes)));
        } catch (const DocumentError&) {
            // Not one of ours, or damaged: leave it on disk and out of the list.
        }
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
}

void ProjectStore::migrateLegacyAutosave() const {
    auto bytes = readFile(legacyAutosavePath());
    if (!bytes)
        return;
    Project project;
    try {
        project = decode(*bytes);
    } catch (const DocumentError&) {
        return;
    }
    bool needed = !project.clips.empty() && !QFile::exists(projectFilePath(project.id));
    if (needed && !save(project))
        return; // keep the old file for the next start rather than lose the project
    QFile::remove(legacyAutosavePath());
}

} // namespace kestrune
