#include "temporary_output.h"

#include "export_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>

namespace kestrune {

namespace {

// Read from /proc: umask() itself would change the mask for every thread.
mode_t currentUmask() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("Umask:"))
                return static_cast<mode_t>(line.mid(6).trimmed().toUInt(nullptr, 8));
    return 022;
}

// Temporary files of exports that were killed, not cancelled: a day old, they
// belong to no running export.
void removeStale(const QFileInfo& destination) {
    QDir folder(destination.absolutePath());
    const QStringList stale = folder.entryList(
        {"." + destination.completeBaseName() + "-??????.partial." + destination.suffix()},
        QDir::Files | QDir::Hidden);
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    for (const QString& name : stale)
        if (QFileInfo(folder, name).lastModified() < dayAgo)
            folder.remove(name);
}

} // namespace

TemporaryOutput::TemporaryOutput(const QString& destination)
    // A link stays a link: the movie goes to the file it points to.
    : destination_(QFileInfo(destination).isSymLink() ? QFileInfo(destination).symLinkTarget()
                                                      : destination) {
    const QFileInfo info(destination_);
    const std::string folderText =
        "Cannot write to the folder \"" + info.absolutePath().toStdString();
    // The user may rename or move the folder while the export runs; held open, it
    // still leads to the temporary file, to remove or to rename it where it is.
    folder_ = ::open(QFile::encodeName(info.absolutePath()).constData(),
                     O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0)
        throw ExportError(folderText + "\": " + std::strerror(errno));
    removeStale(info);
    QTemporaryFile file(info.absolutePath() + "/." + info.completeBaseName() + "-XXXXXX.partial." +
                        info.suffix());
    file.setAutoRemove(false);
    if (!file.open()) {
        ::close(folder_);
        throw ExportError(folderText + "\": " + file.errorString().toStdString());
    }
    path_ = file.fileName();
    name_ = QFile::encodeName(QFileInfo(path_).fileName());
    destinationName_ = QFile::encodeName(info.fileName());
}

TemporaryOutput::~TemporaryOutput() {
    if (!committed_)
        ::unlinkat(folder_, name_.constData(), 0);
    ::close(folder_);
}

void TemporaryOutput::commit() {
    struct stat replaced {};
    const mode_t mode = ::fstatat(folder_, destinationName_.constData(), &replaced, 0) == 0
                            ? replaced.st_mode & 07777
                            : 0666 & ~currentUmask();
    ::fchmodat(folder_, name_.constData(), mode, 0);
    // Into the folder the export started in, wherever that folder is now: the
    // movie stays beside the file it replaces.
    if (::renameat(folder_, name_.constData(), folder_, destinationName_.constData()) != 0)
        throw ExportError("Could not save \"" + QFileInfo(destination_).fileName().toStdString() +
                          "\": " + std::strerror(errno));
    committed_ = true;
}

} // namespace kestrune
