#include "project_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

#include <QFile>
#include <QFileInfo>

namespace kestrune {

namespace {

std::string errnoText() {
    return std::error_code(errno, std::generic_category()).message();
}

} // namespace

QString projectLockPath(const QString& projectFilePath) {
    const QFileInfo file(projectFilePath);
    QString name = file.fileName();
    if (name.endsWith(QLatin1String(".json")))
        name.chop(5);
    return file.path() + "/." + name + ".lock";
}

ProjectLock::ProjectLock(int fd, QString path)
    : fd_(fd)
    , path_(std::move(path)) {}

ProjectLock::ProjectLock(ProjectLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1))
    , path_(std::move(other.path_)) {}

ProjectLock& ProjectLock::operator=(ProjectLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

ProjectLock::~ProjectLock() {
    // Closing the only descriptor of the open file releases the lock.
    if (fd_ >= 0)
        ::close(fd_);
}

ProjectLockAttempt ProjectLock::tryTake(const QString& lockPath) {
    if (lockPath.isEmpty())
        return {Outcome::failed, std::nullopt, "there is no folder for the lock file"};
    const QByteArray name = QFile::encodeName(lockPath);
    // O_NONBLOCK: a pipe left at the path must not stall the open; it is refused below.
    const int fd = ::open(name.constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
    if (fd < 0) {
        const std::string why = errno == ELOOP ? "it is a link" : errnoText();
        return {Outcome::failed, std::nullopt,
                "could not open " + lockPath.toStdString() + ": " + why};
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return {Outcome::failed, std::nullopt,
                "could not use " + lockPath.toStdString() + ": it is not a regular file"};
    }
    // flock belongs to the open file description: a second open of the same file,
    // even in this process, does not get it while this one holds it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int reason = errno;
        ::close(fd);
        if (reason == EWOULDBLOCK)
            return {Outcome::held, std::nullopt, {}};
        errno = reason;
        return {Outcome::failed, std::nullopt,
                "could not lock " + lockPath.toStdString() + ": " + errnoText()};
    }
    return {Outcome::taken, ProjectLock(fd, lockPath), {}};
}

} // namespace kestrune
