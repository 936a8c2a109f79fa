#include "proxy_maker.h"

#include "audio_sample_reader.h"
#include "frame_scaler.h"
#include "media_writer.h"
#include "video_frame_reader.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

namespace kestrune {

namespace {

// Far beyond any clip: the copy reads the whole file.
const MediaTime kWholeFileEnd{1'000'000'000, 1};
// Before any frame a file can hold, so the reader starts at the first one.
const MediaTime kBeforeFirstFrame{-1'000'000, 1};

int evenAtLeastTwo(double size) {
    const int whole = static_cast<int>(std::lround(size / 2)) * 2;
    return std::max(whole, 2);
}

// Key frames twice a second, so a seek in the preview decodes at most half a
// second of pictures; 15 frames when the rate is not known.
int keyFrameInterval(double frameRate) {
    if (!(frameRate > 0) || !std::isfinite(frameRate))
        return 15;
    return std::clamp(static_cast<int>(std::lround(frameRate / 2)), 1, 300);
}

VideoOutputSettings videoSettings(ProxySize size, int timescale, double frameRate) {
    VideoOutputSettings settings;
    settings.width = size.width;
    settings.height = size.height;
    settings.codec = ExportCodec::h264;
    settings.encoderName = "libx264";
    settings.pixelFormat = AV_PIX_FMT_YUV420P;
    settings.containerFormat = "mp4";
    settings.timescale = timescale;
    // A preview copy is made once and decoded often: quick to encode, and made
    // for cheap decoding (no B-frames, no CABAC, no deblocking).
    settings.encoderOptions = {{"preset", "superfast"},
                               {"tune", "fastdecode"},
                               {"crf", "23"},
                               {"bf", "0"},
                               {"g", std::to_string(keyFrameInterval(frameRate))}};
    return settings;
}

// The frames keep the timestamps of the original when the copy is written at its
// timescale; MPEG-4 and QuickTime time bases are always one over a whole number.
int sourceTimescale(const AVStream& stream) {
    if (stream.time_base.num == 1 && stream.time_base.den > 0)
        return stream.time_base.den;
    return MediaTime::kOutputTimescale;
}

// The first failure of the two streams, kept for the outcome.
class FirstError {
public:
    void set(const std::string& text) {
        std::lock_guard lock(mutex_);
        if (text_.empty())
            text_ = text;
    }
    std::string get() const {
        std::lock_guard lock(mutex_);
        return text_;
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};

void copySound(const std::string& source, AudioWriterInput& input, MediaWriter& writer,
               FirstError& error, std::stop_token stop) {
    try {
        AudioSampleReader reader(source, MediaTime::zero(), kWholeFileEnd, DamagedMedia::tolerate);
        while (!stop.stop_requested()) {
            std::optional<AudioChunk> chunk = reader.next();
            if (!chunk)
                break;
            if (!input.append(chunk->samples.data(), chunk->frames, chunk->time))
                break;
        }
    } catch (const std::exception& failure) {
        error.set(failure.what());
        writer.cancel();
    }
    input.finish();
}

void removeFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

} // namespace

ProxySize proxySize(int width, int height) {
    if (width <= 0 || height <= 0)
        return {2, 2};
    const double scale =
        std::min(1.0, static_cast<double>(kProxyLongestSide) / std::max(width, height));
    return {evenAtLeastTwo(width * scale), evenAtLeastTwo(height * scale)};
}

ProxyOutcome makeProxy(const std::string& source, const std::string& target, std::stop_token stop,
                       const std::function<void(double)>& progress) {
    ProxyOutcome outcome;
    try {
        // A preview shows what a damaged file holds, so its copy does as well.
        VideoFrameReader reader(source, kBeforeFirstFrame, kWholeFileEnd, DamagedMedia::tolerate);
        const MediaFile& file = reader.file();
        const int rotation = file.rotation();
        const ProxySize size = proxySize(file.displayWidth(), file.displayHeight());
        const double duration = file.duration().seconds();

        MediaWriter writer(target, "mp4");
        VideoWriterInput* video = writer.addVideoInput(
            videoSettings(size, sourceTimescale(*file.videoStream()), file.averageFrameRate()));
        AudioWriterInput* audio = file.hasAudio() ? writer.addAudioInput({}) : nullptr;
        if (!writer.start()) {
            removeFile(target);
            return {ProxyOutcome::Status::failed, writer.error()};
        }
        // A stop wakes an input waiting for its turn.
        std::stop_callback cancelOnStop(stop, [&writer] { writer.cancel(); });

        FirstError error;
        std::jthread sound;
        if (audio)
            sound = std::jthread([&] { copySound(source, *audio, writer, error, stop); });

        FrameScaler scaler;
        const AVColorSpace colorSpace = reader.colorSpace();
        try {
            while (!stop.stop_requested()) {
                std::optional<DecodedFrame> decoded = reader.next();
                if (!decoded)
                    break;
                // Nothing before the start of the file is ever shown.
                if (decoded->time < MediaTime::zero())
                    continue;
                FramePtr picture = video->makeFrame();
                if (!picture)
                    break;
                if (!scaler.scaleInto(*decoded->frame, colorSpace, rotation, *picture,
                                      {0, 0, size.width, size.height})) {
                    error.set("The picture of \"" + source + "\" cannot be converted");
                    writer.cancel();
                    break;
                }
                if (!video->append(std::move(picture), decoded->time))
                    break;
                if (progress && duration > 0)
                    progress(std::clamp(decoded->time.seconds() / duration, 0.0, 1.0));
            }
        } catch (const std::exception& failure) {
            error.set(failure.what());
            writer.cancel();
        }
        video->finish();
        if (sound.joinable())
            sound.join();
        if (stop.stop_requested())
            writer.cancel();
        const MediaWriter::Status status = writer.finish();
        if (status == MediaWriter::Status::completed) {
            outcome.status = ProxyOutcome::Status::completed;
        } else if (stop.stop_requested()) {
            outcome.status = ProxyOutcome::Status::cancelled;
        } else {
            outcome.status = ProxyOutcome::Status::failed;
            outcome.error = error.get().empty() ? writer.error() : error.get();
        }
    } catch (const std::exception& failure) {
        outcome = {ProxyOutcome::Status::failed, failure.what()};
    }
    if (outcome.status != ProxyOutcome::Status::completed)
        removeFile(target);
    else if (progress)
        progress(1.0);
    return outcome;
}

} // namespace kestrune
