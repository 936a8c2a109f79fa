#include "filmstrip.h"

#include "media/media_time.h"
#include "still_picture.h"

#include <cmath>
#include <exception>
#include <utility>

namespace kestrune {

std::vector<double> filmstripTimes(double duration, int count) {
    std::vector<double> times;
    if (!(duration > 0) || !std::isfinite(duration) || count <= 0)
        return times;
    const double slice = duration / count;
    times.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        times.push_back(MediaTime::fromSeconds(slice * 0.5 + slice * i, 600).seconds());
    return times;
}

QSizeF filmstripPictureBox(double height) {
    return {height * 16 / 9, height};
}

FilmstripPictureReader::FilmstripPictureReader(std::string path, double height)
    : path_(std::move(path))
    , box_(filmstripPictureBox(height)) {}

QImage FilmstripPictureReader::pictureAt(double seconds) {
    const MediaTime target = MediaTime::fromSeconds(seconds, 600);
    const bool readOn =
        reader_ && shown_ && shown_->time <= target && target - shown_->time <= kReadOnLimit;
    if (readOn) {
        while (true) {
            if (!upcoming_)
                upcoming_ = reader_->next();
            if (!upcoming_ || upcoming_->time > target)
                break;
            shown_ = std::move(upcoming_);
            upcoming_.reset();
        }
    } else if (!seekTo(target)) {
        return {};
    }
    return drawStillPicture(*shown_->frame, *reader_, box_, scaler_);
}

bool FilmstripPictureReader::seekTo(MediaTime time) {
    upcoming_.reset();
    shown_.reset();
    reader_.reset();
    try {
        // Open-ended: the reader hands out the frame on screen at `time` first.
        reader_.emplace(path_, time, MediaTime{std::int64_t{1} << 40, 1}, DamagedMedia::tolerate);
        shown_ = reader_->next();
    } catch (const std::exception&) {
        reader_.reset();
    }
    return shown_.has_value();
}

} // namespace kestrune
