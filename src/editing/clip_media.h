// The files and pictures behind the open project's clips: where each clip's file
// was found, the clip strip's thumbnails, and the background work that reads
// them (importing a file as a clip, making a thumbnail). It changes no project;
// the editing model decides what becomes of a read file. Main thread only;
// the reading runs on worker threads and comes back through queued results.
#pragma once

#include "model/project.h"

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include <QImage>
#include <QObject>
#include <QString>

namespace kestrune {

class ClipMedia : public QObject {
    Q_OBJECT

public:
    static constexpr double kThumbnailTime = 0.1;

    explicit ClipMedia(QObject* parent = nullptr);

    // Clip id → the location of its source file, for clips whose file is found.
    const std::map<Uuid, QString>& paths() const { return paths_; }
    const std::map<Uuid, QImage>& thumbnails() const { return thumbnails_; }
    // The clips whose file the last locate() of them did not find; pathsChanged
    // tells when it changes.
    const std::set<Uuid>& missing() const { return missing_; }
    int importsInProgress() const { return importsInProgress_; }

    // Reads the video file at `path` in the background; imported() or
    // importFailed() follows, the latter possibly before this returns.
    // `batch` is handed back as given.
    void import(const QString& path, std::uint64_t batch);

    // What locating a list of clips found.
    struct Located {
        std::vector<Uuid> missing;
        // Clips whose file reference was made again for the file now there.
        bool referencesRenewed = false;
    };
    // Finds the files of `clips` through their references and starts their
    // thumbnails (at `thumbnailTime`, or each clip's in point when it is
    // negative). A stale reference is renewed in `clips` itself.
    Located locate(std::vector<VideoClip>& clips, double thumbnailTime = kThumbnailTime);
    // Decodes the thumbnail of a located clip at `seconds` in the background and
    // shows it if the clip's file is still located then.
    void loadThumbnail(const Uuid& clipId, double seconds);
    // Lets go of the files and pictures of clips that are not in `clips`.
    void keepOnly(const std::vector<VideoClip>& clips);
    // Forgets every located file; the thumbnails stay.
    void releaseFiles();

signals:
    void pathsChanged();
    void thumbnailsChanged();
    void importsInProgressChanged();
    // `clip` has no order yet; its thumbnail is already shown when there is one.
    void imported(const QString& path, std::uint64_t batch, const kestrune::VideoClip& clip);
    void importFailed(const QString& path, std::uint64_t batch, const QString& message);

private:
    struct ImportResult;

    void finishImport(const QString& path, std::uint64_t batch, std::vector<std::uint8_t> bookmark,
                      const ImportResult& result);

    std::map<Uuid, QString> paths_;
    std::map<Uuid, QImage> thumbnails_;
    std::set<Uuid> missing_;
    int importsInProgress_ = 0;
};

} // namespace kestrune
