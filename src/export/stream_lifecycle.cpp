#include "stream_lifecycle.h"

#include "export_pipeline.h"
#include "log/log.h"

namespace kestrune {

namespace {
constexpr double kCallbackGapSeconds = 5.0;
}

StreamLifecycle::StreamLifecycle(WriterInput& input, std::function<void()> onEnded,
                                 const char* name, const char* itemName)
    : input_(input)
    , onEnded_(std::move(onEnded))
    , name_(name)
    , itemName_(itemName)
    , lastCallbackTime_(wallClockSeconds()) {}

bool StreamLifecycle::begin(long itemCounter) {
    if (done_)
        return false;
    ++callbackCount_;
    const double now = wallClockSeconds();
    if (now - lastCallbackTime_ > kCallbackGapSeconds)
        log::error(log::Category::Export,
                   "%s: callback gap of %.1fs detected (callback #%ld, %s %ld)", name_,
                   now - lastCallbackTime_, callbackCount_, itemName_, itemCounter);
    lastCallbackTime_ = now;
    return true;
}

void StreamLifecycle::end() {
    if (done_)
        return;
    input_.markAsFinished();
    done_ = true;
    onEnded_();
}

} // namespace kestrune
