#include "audio_stream.h"

#include "log/log.h"

namespace kestrune {

namespace {

constexpr long kHeartbeatEvery = 500;

using log::Category;

} // namespace

AudioStream::AudioStream(PipelineContext& context, AudioWriterInput& input, MediaTime totalDuration,
                         std::function<void()> onEnded)
    : context_(context)
    , input_(input)
    , totalDuration_(totalDuration)
    , lifecycle_(input, std::move(onEnded), "Audio", "sample") {}

void AudioStream::end() {
    reader_.reset();
    lifecycle_.end();
}

void AudioStream::endIfRunning() {
    std::lock_guard lock(lifecycle_.mutex());
    end();
}

void AudioStream::onReadyForMoreData() {
    std::lock_guard lock(lifecycle_.mutex());
    if (!lifecycle_.begin(itemCounter_))
        return;

    MediaWriter& writer = context_.writer;
    const long clipCount = static_cast<long>(context_.clips.size());
    while (input_.isReadyForMoreMediaData()) {
        if (lifecycle_.writerStopped(writer, itemCounter_)) {
            end();
            return;
        }
        if (!reader_) {
            while (static_cast<long>(clipIndex_) < clipCount &&
                   !context_.clips[clipIndex_].hasAudio) {
                log::info(Category::Export, "Audio: skipping clip %ld/%ld (no audio track)",
                          static_cast<long>(clipIndex_ + 1), clipCount);
                ++clipIndex_;
            }
            if (static_cast<long>(clipIndex_) >= clipCount) {
                // Silence to the end of the picture, so both tracks end together.
                input_.append(nullptr, 0, totalDuration_);
                log::info(Category::Export, "Audio: all clips processed, %ld total samples written",
                          itemCounter_);
                end();
                return;
            }
            const auto& clip = context_.clips[clipIndex_];
            try {
                reader_ = std::make_unique<AudioSampleReader>(clip.path, clip.start, clip.end);
            } catch (const std::exception& error) {
                log::error(Category::Export, "Audio: failed to create reader for clip %ld: %s",
                           static_cast<long>(clipIndex_ + 1), error.what());
                context_.storeError(std::current_exception());
                writer.cancelWriting();
                end();
                return;
            }
            // A clip whose sound starts late, or a clip before it without sound,
            // leaves silence up to here rather than a hole in the track.
            input_.append(nullptr, 0, context_.offsets[clipIndex_]);
            log::info(Category::Export, "Audio: started reading clip %ld/%ld, timeRange=%.2f-%.2fs",
                      static_cast<long>(clipIndex_ + 1), clipCount, clip.start.seconds(),
                      clip.end.seconds());
        }

        std::optional<AudioChunk> chunk = reader_->next();
        if (!chunk) {
            log::info(Category::Export,
                      "Audio: clip %ld/%ld exhausted at sample %ld, advancing to next",
                      static_cast<long>(clipIndex_ + 1), clipCount, itemCounter_);
            reader_.reset();
            ++clipIndex_;
            continue;
        }
        const auto& clip = context_.clips[clipIndex_];
        const MediaTime outputTime = context_.offsets[clipIndex_] + (chunk->time - clip.start);
        input_.append(chunk->samples.data(), chunk->frames, outputTime);
        ++itemCounter_;
        if (itemCounter_ % kHeartbeatEvery == 0)
            log::debug(Category::Export, "Audio: heartbeat samples=%ld pts=%.2fs", itemCounter_,
                       outputTime.seconds());
    }
}

} // namespace kestrune
