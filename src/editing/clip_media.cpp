#include "clip_media.h"

#include "background.h"
#include "model/file_reference.h"
#include "video_metadata.h"

#include <QFileInfo>

namespace kestrune {

namespace {

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Why the file at `path` cannot be read. A name that is not valid UTF-8 reaches us
// with its stray bytes already turned into U+FFFD (Qt decodes file names and
// arguments as UTF-8), so it no longer leads back to the file, and a project
// stores names as UTF-8 text: the user has to rename it.
QString unreadableReason(const QString& path) {
    const QFileInfo info(path);
    if (info.fileName().contains(QChar::ReplacementCharacter))
        return ClipMedia::tr("Cannot read \"%1\": its name is not valid UTF-8; rename it")
            .arg(path);
    if (path.contains(QChar::ReplacementCharacter))
        return ClipMedia::tr(
                   "Cannot read \"%1\": the name of its folder is not valid UTF-8; rename it")
            .arg(path);
    return ClipMedia::tr("Cannot read \"%1\"").arg(path);
}

bool hasAcceptedExtension(const QString& path) {
    static const QStringList accepted{"mp4", "mov", "m4v"};
    return accepted.contains(QFileInfo(path).suffix().toLower());
}

} // namespace

struct ClipMedia::ImportResult {
    std::optional<VideoMetadata> metadata;
    QString error;
    QImage thumbnail;
};

ClipMedia::ClipMedia(QObject* parent)
    : QObject(parent) {}

void ClipMedia::import(const QString& givenPath, std::uint64_t batch) {
    const QString path = QFileInfo(givenPath).absoluteFilePath();
    if (!hasAcceptedExtension(path)) {
        emit importFailed(path, batch, tr("Unsupported format. Please use MP4 or MOV."));
        return;
    }
    // Made now, on the main thread, so the reference is of the file the user picked.
    const auto reference = FileReference::make(localPath(path));
    if (!reference) {
        emit importFailed(path, batch,
                          tr("Failed to process video: %1").arg(unreadableReason(path)));
        return;
    }
    ++importsInProgress_;
    emit importsInProgressChanged();
    const std::string file = reference->path;
    runInBackground(
        this,
        [file] {
            ImportResult result;
            try {
                result.metadata = loadVideoMetadata(file);
                result.thumbnail = makeThumbnail(file, kThumbnailTime);
            } catch (const std::exception& error) {
                result.error = QString::fromStdString(error.what());
            }
            return result;
        },
        [this, path, batch, bookmark = reference->encode()](const ImportResult& result) mutable {
            --importsInProgress_;
            emit importsInProgressChanged();
            finishImport(path, batch, std::move(bookmark), result);
        });
}

void ClipMedia::finishImport(const QString& path, std::uint64_t batch,
                             std::vector<std::uint8_t> bookmark, const ImportResult& result) {
    if (!result.metadata) {
        emit importFailed(path, batch, tr("Failed to process video: %1").arg(result.error));
        return;
    }
    VideoClip clip;
    clip.id = Uuid::generate();
    clip.fileName = QFileInfo(path).fileName().toStdString();
    clip.fileSize = result.metadata->fileSize;
    clip.duration = result.metadata->duration;
    clip.width = result.metadata->width;
    clip.height = result.metadata->height;
    clip.bookmarkData = std::move(bookmark);
    paths_[clip.id] = path;
    emit pathsChanged();
    if (!result.thumbnail.isNull()) {
        thumbnails_[clip.id] = result.thumbnail;
        emit thumbnailsChanged();
    }
    emit imported(path, batch, clip);
}

ClipMedia::Located ClipMedia::locate(std::vector<VideoClip>& clips, double thumbnailTime) {
    Located located;
    bool changed = false;
    for (auto& clip : clips) {
        // A clip without a reference (a hand-made file) cannot be found either.
        const auto location = locateClip(clip);
        if (!location || !location->found) {
            located.missing.push_back(clip.id);
            const bool newlyMissing = missing_.insert(clip.id).second;
            // A file that went away since it was found is not played from there.
            const bool wasFound = paths_.erase(clip.id) > 0;
            changed = changed || newlyMissing || wasFound;
            continue;
        }
        missing_.erase(clip.id);
        // A file edited in place, or another file put at the same path, no longer
        // matches the reference; the reference is made again for what is there now.
        if (location->isStale) {
            if (const auto fresh = FileReference::make(location->path)) {
                clip.bookmarkData = fresh->encode();
                located.referencesRenewed = true;
            }
        }
        paths_[clip.id] = QFile::decodeName(QByteArray::fromStdString(location->path));
        changed = true;
        loadThumbnail(clip.id, thumbnailTime < 0 ? clip.trimIn : thumbnailTime);
    }
    if (changed)
        emit pathsChanged();
    return located;
}

void ClipMedia::loadThumbnail(const Uuid& clipId, double seconds) {
    const auto location = paths_.find(clipId);
    if (location == paths_.end())
        return;
    runInBackground(
        this,
        [file = localPath(location->second), seconds] { return makeThumbnail(file, seconds); },
        [this, clipId](const QImage& image) {
            // The clip may have been removed while its picture was being made.
            if (image.isNull() || !paths_.contains(clipId))
                return;
            thumbnails_[clipId] = image;
            emit thumbnailsChanged();
        });
}

void ClipMedia::keepOnly(const std::vector<VideoClip>& clips) {
    const auto gone = [&clips](const Uuid& id) {
        return std::none_of(clips.begin(), clips.end(),
                            [&](const VideoClip& clip) { return clip.id == id; });
    };
    const auto absent = [&gone](const auto& entry) { return gone(entry.first); };
    std::erase_if(missing_, gone);
    if (std::erase_if(paths_, absent) > 0)
        emit pathsChanged();
    if (std::erase_if(thumbnails_, absent) > 0)
        emit thumbnailsChanged();
}

void ClipMedia::releaseFiles() {
    missing_.clear();
    if (paths_.empty())
        return;
    paths_.clear();
    emit pathsChanged();
}

} // namespace kestrune
