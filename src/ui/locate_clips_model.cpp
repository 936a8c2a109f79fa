#include "locate_clips_model.h"

#include "editing/background.h"
#include "editing/project_view_model.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace kestrune {

namespace {

// "1:05", or "1:02:03" from an hour on: the lengths the question compares.
QString lengthText(double seconds) {
    const auto whole = static_cast<long long>(std::floor(std::max(0.0, seconds)));
    const auto twoDigits = [](long long n) { return QString::number(n).rightJustified(2, '0'); };
    if (whole < 3600)
        return QStringLiteral("%1:%2").arg(whole / 60).arg(twoDigits(whole % 60));
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg(twoDigits(whole / 60 % 60), twoDigits(whole % 60));
}

QString sizeText(std::int64_t bytes) {
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

// What to ask before taking `file` for `clip`, or nothing when it is the recorded
// file by name, size and length.
QString questionFor(const VideoClip& clip, const RelinkFile& file) {
    const RecordComparison comparison = compareWithRecord(clip, file);
    if (!comparison.sameDuration)
        return LocateClipsModel::tr("This file is %1 long; the clip was %2. Use it anyway?")
            .arg(lengthText(file.metadata.duration), lengthText(clip.duration));
    if (!comparison.sameSize)
        return LocateClipsModel::tr("This file is %1; the clip's file was %2. Use it anyway?")
            .arg(sizeText(file.metadata.fileSize), sizeText(clip.fileSize));
    if (!comparison.sameName)
        return LocateClipsModel::tr(
                   "This file is named “%1”; the clip's file was “%2”. Use it anyway?")
            .arg(QString::fromStdString(file.fileName()), QString::fromStdString(clip.fileName));
    return {};
}

QString localName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

LocateClipsModel::LocateClipsModel(QObject* parent)
    : QObject(parent) {
    connect(&finder_, &ClipFinder::searchingChanged, this, &LocateClipsModel::stateChanged);
    connect(&finder_, &ClipFinder::finished, this, &LocateClipsModel::searchFinished);
}

QObject* LocateClipsModel::projectVM() const {
    return projectVM_.data();
}

void LocateClipsModel::setProjectVM(QObject* projectVM) {
    auto* model = qobject_cast<ProjectViewModel*>(projectVM);
    if (model == projectVM_)
        return;
    projectVM_ = model;
    finder_.cancel();
    clipId_.reset();
    chosen_.reset();
    question_.clear();
    message_.clear();
    emit projectVMChanged();
    emit stateChanged();
}

void LocateClipsModel::setMessage(const QString& message) {
    if (message == message_)
        return;
    message_ = message;
    emit stateChanged();
}

bool LocateClipsModel::begin() {
    if (!projectVM_)
        return false;
    const auto missing = projectVM_->missingClipIds();
    if (missing.empty())
        return false;
    clipId_ = missing.front();
    const VideoClip* clip = projectVM_->findClip(*clipId_);
    panelTitle_ = tr("Locate “%1”").arg(QString::fromStdString(clip->fileName));
    // The panel opens where the file was, or as near to it as still exists.
    QString folder;
    const auto location = locateClip(*clip);
    if (location && !location->path.empty()) {
        QDir dir = QFileInfo(localName(location->path)).dir();
        while (!dir.exists() && dir.cdUp()) {
        }
        if (dir.exists())
            folder = dir.absolutePath();
    }
    startFolder_ = folder.isEmpty() ? QUrl() : QUrl::fromLocalFile(folder);
    question_.clear();
    chosen_.reset();
    message_.clear();
    emit stateChanged();
    return true;
}

void LocateClipsModel::choose(const QUrl& file) {
    if (!clipId_ || !projectVM_)
        return;
    const QString path = file.toLocalFile();
    reading_ = true;
    emit stateChanged();
    struct Read {
        std::optional<RelinkFile> file;
        QString error;
    };
    runInBackground(
        this,
        [local = QFile::encodeName(path).toStdString()] {
            Read read;
            try {
                read.file = readRelinkFile(local);
            } catch (const std::exception& error) {
                read.error = QString::fromUtf8(error.what());
            }
            return read;
        },
        [this, path](const Read& read) { chosenFileRead(path, read.file, read.error); });
}

void LocateClipsModel::chosenFileRead(const QString& path, const std::optional<RelinkFile>& file,
                                      const QString& error) {
    reading_ = false;
    const VideoClip* clip = projectVM_ && clipId_ ? projectVM_->findClip(*clipId_) : nullptr;
    if (!clip) {
        // The clip went while its file was read.
        emit stateChanged();
        return;
    }
    if (!file) {
        message_ = tr("“%1” cannot be used: %2").arg(QFileInfo(path).fileName(), error);
        emit stateChanged();
        return;
    }
    question_ = questionFor(*clip, *file);
    if (question_.isEmpty()) {
        accept(*file);
        return;
    }
    chosen_ = *file;
    emit stateChanged();
}

void LocateClipsModel::answer(bool useIt) {
    question_.clear();
    if (useIt && chosen_)
        accept(std::move(*chosen_));
    else
        chosen_.reset();
    emit stateChanged();
}

void LocateClipsModel::accept(RelinkFile file) {
    chosen_ = std::move(file);
    std::vector<MissingClip> others = missingClips(projectVM_->project());
    std::erase_if(others, [&](const MissingClip& m) { return m.id == *clipId_; });
    if (others.empty()) {
        searchFinished({});
        return;
    }
    // Moved files usually moved together: the others are looked for beside this one.
    const std::string folder = std::filesystem::path(chosen_->reference.path).parent_path();
    finder_.start(std::move(others), {{folder, 2}});
    emit stateChanged();
}

void LocateClipsModel::searchFinished(const ClipSearchResult& result) {
    if (!projectVM_ || !clipId_ || !chosen_)
        return;
    std::vector<ClipSearchResult::Match> found{{*clipId_, std::move(chosen_)}};
    chosen_.reset();
    for (const auto& match : result.clips)
        if (match.file)
            found.push_back(match);
    const QStringList shortened = projectVM_->relinkClips(found);
    message_ =
        shortened.isEmpty()
            ? QString()
            : tr("The trim of %1 was shortened to fit the new file.").arg(shortened.join(", "));
    emit stateChanged();
}

} // namespace kestrune
