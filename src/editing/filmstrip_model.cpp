#include "filmstrip_model.h"

#include "filmstrip.h"
#include "media/media_file.h"
#include "media/proxy_cache.h"

#include <exception>
#include <string>

#include <QFile>

namespace kestrune {

FilmstripModel::FilmstripModel(QObject* parent)
    : QAbstractListModel(parent) {
    worker_.setMaxThreadCount(1);
}

FilmstripModel::~FilmstripModel() {
    // The worker posts to this object; it must be done before the object goes.
    ++generation_;
    worker_.waitForDone();
}

int FilmstripModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant FilmstripModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Frame& frame = frames_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case TimeRole:
        return frame.time;
    case ImageRole:
        return frame.image;
    default:
        return {};
    }
}

QHash<int, QByteArray> FilmstripModel::roleNames() const {
    return {{TimeRole, "time"}, {ImageRole, "image"}};
}

void FilmstripModel::generate(const QString& path, int pictureCount, double height) {
    clear();
    const std::uint64_t generation = generation_;
    setGenerating(true);
    worker_.start([this, generation, path, pictureCount, height] {
        run(generation, path, pictureCount, height);
    });
}

void FilmstripModel::clear() {
    ++generation_;
    setGenerating(false);
    setRequestedCount(0);
    if (frames_.empty())
        return;
    beginResetModel();
    frames_.clear();
    endResetModel();
    emit countChanged();
}

void FilmstripModel::run(std::uint64_t generation, const QString& path, int pictureCount,
                         double height) {
    const std::string file = QFile::encodeName(path).toStdString();
    double duration = 0;
    try {
        duration = MediaFile(file).duration().seconds();
    } catch (const std::exception&) {
        // A file that cannot be opened has no filmstrip; the trim view works without one.
    }
    const std::vector<double> times = filmstripTimes(duration, pictureCount);
    post(generation,
         [this, requested = static_cast<int>(times.size())] { setRequestedCount(requested); });
    // The pictures come from the clip's proxy when it has one: the same frames at
    // the same times, quicker to decode.
    FilmstripPictureReader reader(previewFile(file), height);
    for (const double time : times) {
        if (generation_ != generation)
            return;
        QImage image = reader.pictureAt(time);
        if (image.isNull())
            continue;
        post(generation, [this, time, image = std::move(image)] {
            const int row = count();
            beginInsertRows({}, row, row);
            frames_.push_back({time, image});
            endInsertRows();
            emit countChanged();
        });
    }
    post(generation, [this] {
        setGenerating(false);
        emit finished();
    });
}

void FilmstripModel::post(std::uint64_t generation, std::function<void()> apply) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, apply = std::move(apply)] {
            // Results of an abandoned generation never reach the rows.
            if (generation_ == generation)
                apply();
        },
        Qt::QueuedConnection);
}

void FilmstripModel::setRequestedCount(int count) {
    if (requestedCount_ == count)
        return;
    requestedCount_ = count;
    emit requestedCountChanged();
}

void FilmstripModel::setGenerating(bool generating) {
    if (isGenerating_ == generating)
        return;
    isGenerating_ = generating;
    emit isGeneratingChanged();
}

} // namespace kestrune
