#include "stream_lifecycle.h"

#include "export_pipeline.h"
#include "log/log.h"

#include <cctype>
#include <string>

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

bool StreamLifecycle::writerStopped(const MediaWriter& writer, long itemCounter) const {
    const MediaWriter::Status status = writer.status();
    if (status == MediaWriter::Status::writing)
        return false;
    const std::string stream(1, static_cast<char>(std::tolower(name_[0])));
    log::error(log::Category::Export,
               "%s: writer no longer writing (status=%ld), ending %s%s stream at %s %ld", name_,
               static_cast<long>(status), stream.c_str(), name_ + 1, itemName_, itemCounter);
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
