// Who is working on a project: the window holds the lock of the project it has
// open, and the command line holds it while it changes a project file, so the two
// never write one project at once. The lock lives in a file of its own beside the
// project file (saves replace the project file, which would drop a lock on it),
// and the kernel lets go of it when its holder exits, however it ends.
#pragma once

#include <optional>
#include <string>

#include <QString>

namespace kestrune {

// The lock file of the project file at `projectFilePath`: ".NAME.lock" in the same
// folder, NAME being the file's name without ".json". Hidden, and not a project
// file, so the library never lists it.
QString projectLockPath(const QString& projectFilePath);

struct ProjectLockAttempt;

class ProjectLock {
public:
    enum class Outcome {
        taken,
        // Another holder has it: a window, or a command that is running.
        held,
        // The lock file could not be made or opened; `error` says why.
        failed,
    };

    // Takes the lock at `lockPath` without waiting, creating the file (readable and
    // writable by the user only) when it is missing. A link or anything but a
    // regular file at that path is not followed or used.
    static ProjectLockAttempt tryTake(const QString& lockPath);

    ProjectLock(ProjectLock&& other) noexcept;
    ProjectLock& operator=(ProjectLock&& other) noexcept;
    ProjectLock(const ProjectLock&) = delete;
    ProjectLock& operator=(const ProjectLock&) = delete;
    // Lets go of the lock. The file stays: removing it while another process waits
    // to open it would let two holders lock two different files of one name.
    ~ProjectLock();

    const QString& path() const { return path_; }

private:
    ProjectLock(int fd, QString path);

    int fd_ = -1;
    QString path_;
};

struct ProjectLockAttempt {
    ProjectLock::Outcome outcome = ProjectLock::Outcome::failed;
    // Set when taken.
    std::optional<ProjectLock> lock;
    std::string error;
};

} // namespace kestrune
