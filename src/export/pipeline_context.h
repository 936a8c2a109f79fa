// What the two streams of one export share: the writer, the clips laid end to
// end, and the slot for the first failure. Read-only once the streams start,
// except the error slot, which is guarded by its lock.
#pragma once

#include "export_pipeline.h"
#include "media/media_file.h"
#include "media/media_time.h"
#include "media/media_writer.h"

#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kestrune {

struct PreloadedClip {
    std::string path;
    std::string fileName;
    std::unique_ptr<MediaFile> file;
    MediaTime start; // used range within the source
    MediaTime end;
    MediaTime duration; // end − start
    bool hasAudio = false;
};

struct PipelineContext {
    PipelineContext(MediaWriter& writer, const std::vector<PreloadedClip>& clips,
                    const std::vector<MediaTime>& offsets, ExportReporter reporter)
        : writer(writer)
        , clips(clips)
        , offsets(offsets)
        , reporter(std::move(reporter)) {}

    MediaWriter& writer;
    const std::vector<PreloadedClip>& clips;
    // offsets[i]: where clip i starts on the output timeline.
    const std::vector<MediaTime>& offsets;
    ExportReporter reporter;

    // Keeps the first failure of either stream; later ones are dropped.
    void storeError(std::exception_ptr error) {
        std::lock_guard lock(errorMutex_);
        if (!firstError_)
            firstError_ = std::move(error);
    }
    std::exception_ptr firstError() const {
        std::lock_guard lock(errorMutex_);
        return firstError_;
    }

private:
    mutable std::mutex errorMutex_;
    std::exception_ptr firstError_;
};

} // namespace kestrune
