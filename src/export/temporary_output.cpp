#include "temporary_output.h"

#include "export_error.h"

#include <filesystem>
#include <sys/stat.h>

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
    removeStale(info);
    QTemporaryFile file(info.absolutePath() + "/." + info.completeBaseName() + "-XXXXXX.partial." +
                        info.suffix());
    file.setAutoRemove(false);
    if (!file.open())
        throw ExportError("Cannot write to the folder \"" + info.absolutePath().toStdString() +
                          "\": " + file.errorString().toStdString());
    path_ = file.fileName();
}

TemporaryOutput::~TemporaryOutput() {
    if (!committed_)
        QFile::remove(path_);
}

void TemporaryOutput::commit() {
    struct stat replaced {};
    const mode_t mode = ::stat(QFile::encodeName(destination_).constData(), &replaced) == 0
                            ? replaced.st_mode & 07777
                            : 0666 & ~currentUmask();
    ::chmod(QFile::encodeName(path_).constData(), mode);
    std::error_code error;
    std::filesystem::rename(path_.toStdString(), destination_.toStdString(), error);
    if (error)
        throw ExportError("Could not save \"" + QFileInfo(destination_).fileName().toStdString() +
                          "\": " + error.message());
    committed_ = true;
}

} // namespace kestrune
