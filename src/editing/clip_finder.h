// One search for moved clip files at a time, run on the thread pool for the
// window: a new search or the finder's end stops the one running, and only the
// result of the latest search comes back, on the main thread.
#pragma once

#include "clip_search.h"

#include <cstdint>
#include <memory>
#include <stop_token>

#include <QObject>

namespace kestrune {

class ClipFinder : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~ClipFinder() override;

    bool isSearching() const { return searching_; }

    // Looks for `clips` in `folders`, stopping the search before.
    void start(std::vector<MissingClip> clips, std::vector<SearchFolder> folders,
               SearchLimits limits = {});
    // Stops the running search; its result never comes.
    void cancel();

signals:
    void searchingChanged();
    void finished(const kestrune::ClipSearchResult& result);

private:
    void setSearching(bool searching);

    std::stop_source stop_;
    std::uint64_t generation_ = 0;
    bool searching_ = false;
};

} // namespace kestrune
