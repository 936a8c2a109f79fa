// The folder of stored projects: one JSON document per project, named by the
// project's UUID, under the user's data folder ("Kestrune/projects"). The store
// keeps nothing in memory besides its folder locations.
#pragma once

#include "project.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <QString>

namespace kestrune {

// One project as the library lists it.
struct ProjectSummary {
    Uuid id;
    std::string name;
    int clipCount = 0;
    // Clips whose file cannot be found where its reference says (or that have none).
    int missingClipCount = 0;
    double totalDuration = 0;
    Date createdAt;
    Date updatedAt;

    bool operator==(const ProjectSummary&) const = default;
};

// A project that could not be read or copied; the text is meant for the user.
class ProjectStoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ProjectStore {
public:
    // Works out the locations under baseDirectory and creates its folders; a failure
    // to create them shows later, when a save into them fails.
    explicit ProjectStore(const QString& baseDirectory);

    // The user's store: the XDG data home (normally ~/.local/share) + "Kestrune",
    // worked out once per run.
    static const ProjectStore& standard();

    const QString& baseDirectory() const { return baseDirectory_; }
    const QString& projectsDirectory() const { return projectsDirectory_; }
    // A single-project file written by early versions, migrated once at start.
    QString legacyAutosavePath() const;
    QString projectFilePath(const Uuid& id) const;
    // The project's lock file (project_lock.h), beside its project file; empty when
    // there is no projects folder.
    QString lockFilePath(const Uuid& id) const;

    // Writes the project atomically: readers see the old file or the new one, never
    // a mix. A failure prints "[Persistence] Save project failed: …" to standard error,
    // leaves the old file intact and returns false.
    bool save(const Project& project) const;

    // Throws ProjectStoreError when the file is missing, unreadable, not a project or
    // holds a project of another id.
    Project load(const Uuid& id) const;

    // Every readable project in the folder, most recently changed first, each one
    // loadable by its id. Files that are not projects, are not regular files, are too
    // large or are not named by the id they hold are left out (and left alone, with a
    // log line); an unreadable folder lists as empty.
    std::vector<ProjectSummary> listProjects() const;

    // A copy under a fresh id with fresh clip ids and both dates set to now, saved and
    // returned. Throws ProjectStoreError when the source cannot be read or the copy
    // cannot be saved.
    Project duplicate(const Uuid& id, const std::string& newName) const;

    // Sets the name (taken as given) and the change date. Returns false, changing
    // nothing, when the project cannot be read or saved.
    bool rename(const Uuid& id, const std::string& newName) const;

    // Removes the project's file and its lock file; a missing file is not an error.
    void deleteProject(const Uuid& id) const;

    // Moves a leftover single-project autosave file into the projects folder: kept
    // only when it has clips and no project of its id exists, and removed only once
    // it is no longer needed, so a failed save never loses it.
    void migrateLegacyAutosave() const;

private:
    // The reason a write failed, or an empty text on success.
    std::string write(const Project& project) const;

    QString baseDirectory_;
    QString projectsDirectory_;
};

ProjectSummary summarize(const Project& project);

} // namespace kestrune
