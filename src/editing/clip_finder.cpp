#include "clip_finder.h"

#include "background.h"

namespace kestrune {

ClipFinder::~ClipFinder() {
    stop_.request_stop();
}

void ClipFinder::start(std::vector<MissingClip> clips, std::vector<SearchFolder> folders,
                       SearchLimits limits) {
    stop_.request_stop();
    stop_ = {};
    const std::uint64_t generation = ++generation_;
    setSearching(true);
    runInBackground(
        this,
        [clips = std::move(clips), folders = std::move(folders), limits, stop = stop_.get_token()] {
            return searchForClips(clips, folders, limits, stop);
        },
        [this, generation](const ClipSearchResult& result) {
            if (generation != generation_)
                return;
            setSearching(false);
            emit finished(result);
        });
}

void ClipFinder::cancel() {
    stop_.request_stop();
    ++generation_;
    setSearching(false);
}

void ClipFinder::setSearching(bool searching) {
    if (searching_ == searching)
        return;
    searching_ = searching;
    emit searchingChanged();
}

} // namespace kestrune
