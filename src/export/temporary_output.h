// The file an export writes: a temporary file beside its destination, moved over
// it only when complete, so a failed or cancelled export never leaves a partial
// file behind, nor destroys the one that was there.
#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QString>

namespace kestrune {

class TemporaryOutput {
public:
    // Throws ExportError when the folder cannot be written to. Removes the
    // temporary files of killed exports to the same destination first. When
    // `destination` is a symbolic link, the file it points to is written.
    explicit TemporaryOutput(const QString& destination);
    // Removes the temporary file unless it was committed, also when its folder was
    // renamed or moved meanwhile.
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    const QString& path() const { return path_; }

    // Moves the finished file over the destination, with the mode of the file it
    // replaces or of a new file under the user's umask. The destination is in the
    // folder the export started in, even when that folder was renamed or moved
    // meanwhile. Throws ExportError.
    void commit();

private:
    QString destination_;
    QString path_;
    // The destination's folder, held open: the temporary file is renamed and
    // removed through it rather than by path.
    int folder_ = -1;
    QByteArray name_;            // of the temporary file in folder_
    QByteArray destinationName_; // of the destination in folder_
    bool committed_ = false;
};

} // namespace kestrune
