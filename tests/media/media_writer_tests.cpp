// Writes small files with MediaWriter and reads them back with the real ffprobe
// and ffmpeg: codecs and their tags, exact frame times, colours, audio, chapters,
// and the writer's threading contract (appends that wait their turn, cancel, failure).
#include "export/export_settings.h"
#include "export/yuv_overlay.h"
#include "media/media_error.h"
#include "media/media_writer.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <nlohmann/json.hpp>
#include <numbers>
#include <thread>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

#ifdef __SANITIZE_ADDRESS__
// libx265 3.5 keeps one parameter block per opened encoder for good.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libx265.so\n";
}
#endif

namespace kestrune {
namespace {

using json = nlohmann::json;
using Status = MediaWriter::Status;
using namespace std::chrono_literals;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kSampleRate = 44100;

class MediaWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        av_log_set_level(AV_LOG_ERROR); // keep x264's statistics out of the output
        ASSERT_TRUE(dir.isValid());
    }
    std::string path(const QString& name) const { return dir.filePath(name).toStdString(); }

    QTemporaryDir dir;
};

VideoOutputSettings settingsFor(ExportCodec codec, int width = kWidth, int height = kHeight) {
    ExportConfig config;
    config.outputWidth = width;
    config.outputHeight = height;
    config.codec = codec;
    return videoOutputSettings(config);
}

// --- Reading back ---

QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

json probe(const std::string& file) {
    return json::parse(
        run("ffprobe", {"-v", "error", "-show_streams", "-show_format", "-show_chapters",
                        "-count_frames", "-of", "json", QString::fromStdString(file)})
            .toStdString());
}

json streamOfType(const json& probed, const std::string& type) {
    for (const json& stream : probed["streams"])
        if (stream["codec_type"] == type)
            return stream;
    return json();
}

// Presentation timestamps of the decoded video frames, in the stream's time base.
std::vector<std::int64_t> videoFramePts(const std::string& file) {
    const json frames =
        json::parse(run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                    "frame=pts", "-of", "json", QString::fromStdString(file)})
                        .toStdString());
    std::vector<std::int64_t> pts;
    for (const json& frame : frames["frames"])
        pts.push_back(frame["pts"].get<std::int64_t>());
    return pts;
}

// Every decoded picture as BGRA, read with the BT.709 matrix in video range.
QByteArray decodedBgra(const std::string& file) {
    return run("ffmpeg",
               {"-v", "error", "-i", QString::fromStdString(file), "-fps_mode", "passthrough",
                "-vf", "scale=in_color_matrix=bt709:in_range=tv,format=bgra", "-f", "rawvideo",
                "-"});
}

// The audio track decoded to interleaved float stereo at 44.1 kHz.
std::vector<float> decodedAudio(const std::string& file) {
    const QByteArray bytes = run("ffmpeg", {"-v", "error", "-i", QString::fromStdString(file),
                                            "-map", "0:a:0", "-f", "f32le", "-"});
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

double rms(const std::vector<float>& interleaved, double from, double to) {
    const auto first = static_cast<std::size_t>(from * kSampleRate) * 2;
    const auto last = std::min(static_cast<std::size_t>(to * kSampleRate) * 2, interleaved.size());
    double sum = 0;
    for (std::size_t i = first; i < last; ++i)
        sum += interleaved[i] * interleaved[i];
    return last > first ? std::sqrt(sum / static_cast<double>(last - first)) : 0.0;
}

double seconds(const json& value) {
    return std::stod(value.get<std::string>());
}

// --- Writing ---

struct Bgr {
    std::uint8_t b, g, r;
};

// Fills a planar YUV frame (8 or 10 bits) with the colour, in BT.709 video range.
void fill(AVFrame& frame, Bgr colour) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    const YuvColor yuv = yuvColor(QColor(colour.r, colour.g, colour.b), desc->comp[0].depth);
    for (int plane = 0; plane < 3; ++plane) {
        const int width = AV_CEIL_RSHIFT(frame.width, plane ? desc->log2_chroma_w : 0);
        const int height = AV_CEIL_RSHIFT(frame.height, plane ? desc->log2_chroma_h : 0);
        const int value = plane == 0 ? yuv.y : plane == 1 ? yuv.u : yuv.v;
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row =
                frame.data[plane] + static_cast<std::ptrdiff_t>(y) * frame.linesize[plane];
            if (desc->comp[0].step > 1)
                std::fill_n(reinterpret_cast<std::uint16_t*>(row), width,
                            static_cast<std::uint16_t>(value));
            else
                std::fill_n(row, width, static_cast<std::uint8_t>(value));
        }
    }
}

bool appendSolid(VideoWriterInput& input, MediaTime time, Bgr colour = {50, 50, 50}) {
    FramePtr frame = input.makeFrame();
    if (!frame)
        return false;
    fill(*frame, colour);
    return input.append(std::move(frame), time);
}

// A frame that does not come from the writer's pool.
FramePtr ownFrame(int width = kWidth, int height = kHeight,
                  AVPixelFormat format = AV_PIX_FMT_YUV420P) {
    FramePtr frame = makeFrame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    av_frame_get_buffer(frame.get(), 0);
    if (format != AV_PIX_FMT_BGRA)
        fill(*frame, {0, 0, 0});
    return frame;
}

// A 440 Hz tone at half scale, in phase with the output timeline.
std::vector<float> tone(std::int64_t firstSample, int frames) {
    std::vector<float> samples(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(firstSample + i) / kSampleRate;
        samples[2 * i] = samples[2 * i + 1] =
            static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 440 * t));
    }
    return samples;
}

bool appendTone(AudioWriterInput& input, double from, double to) {
    const auto first = static_cast<std::int64_t>(std::llround(from * kSampleRate));
    const auto count = static_cast<int>(std::llround(to * kSampleRate) - first);
    return input.append(tone(first, count).data(), count, MediaTime{first, kSampleRate});
}

// Writes solid frames at `times` (seconds as n / timescale) and finishes.
void writeFrames(MediaWriter& writer, VideoWriterInput& video,
                 const std::vector<std::int64_t>& ticks, std::int32_t timescale,
                 Bgr colour = {50, 50, 50}) {
    ASSERT_TRUE(writer.start()) << writer.error();
    for (std::int64_t tick : ticks)
        ASSERT_TRUE(appendSolid(video, MediaTime{tick, timescale}, colour));
    video.finish();
    ASSERT_EQ(writer.finish(), Status::completed) << writer.error();
}

std::vector<std::int64_t> range(std::int64_t count) {
    std::vector<std::int64_t> values(count);
    for (std::int64_t i = 0; i < count; ++i)
        values[i] = i;
    return values;
}

void expectBt709(const json& stream) {
    EXPECT_EQ(stream["color_space"], "bt709");
    EXPECT_EQ(stream["color_transfer"], "bt709");
    EXPECT_EQ(stream["color_primaries"], "bt709");
    EXPECT_EQ(stream["color_range"], "tv");
}

void expectPixel(const QByteArray& bgra, std::size_t frameIndex, Bgr expected) {
    const std::size_t frameBytes = std::size_t{kWidth} * kHeight * 4;
    ASSERT_GE(static_cast<std::size_t>(bgra.size()), (frameIndex + 1) * frameBytes);
    const std::size_t centre = frameIndex * frameBytes + (kHeight / 2 * kWidth + kWidth / 2) * 4;
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bgra[centre + i]); };
    EXPECT_NEAR(at(0), expected.b, 4) << "frame " << frameIndex;
    EXPECT_NEAR(at(1), expected.g, 4) << "frame " << frameIndex;
    EXPECT_NEAR(at(2), expected.r, 4) << "frame " << frameIndex;
}

// --- Codecs and containers ---

TEST_F(MediaWriterTest, H264IsHighProfileWithEachFramesOwnTimeAndBt709Colours) {
    const std::string file = path("out.mp4");
    MediaWriter writer(file, "mp4");
    VideoWriterInput* video = writer.addVideoInput(settingsFor(ExportCodec::h264));
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->makeFrame(), nullptr) << "no pool before writing starts";

    ASSERT_TRUE(writer.start()) << writer.error();
    EXPECT_EQ(writer.status(), Status::writing);
    // A gap after the third frame: the output has no fixed frame rate.
    const Bgr orange{40, 80, 200};
    const Bgr grey{50, 50, 50};
    ASSERT_TRUE(appendSolid(*video, MediaTime{0, 30}, orange));
    ASSERT_TRUE(appendSolid(*video, MediaTime{1, 30}, grey));
    ASSERT_TRUE(appendSolid(*video, MediaTime{2, 30}, grey));
    ASSERT_TRUE(appendSolid(*video, MediaTime{5, 30}, grey));
    video->finish();
    EXPECT_EQ(writer.finish(), Status::completed);
    EXPECT_EQ(writer.error(), "");

    const json probed = probe(file);
    ASSERT_EQ(probed["streams"].size(), 1u) << "no audio track without an audio input";
    const json stream = streamOfType(probed, "video");
    EXPECT_EQ(stream["codec_name"], "h264");
    EXPECT_EQ(stream["profile"], "High");
    EXPECT_EQ(stream["pix_fmt"], "yuv420p");
    EXPECT_EQ(stream["width"], kWidth);
    EXPECT_EQ(stream["height"], kHeight);
    expectBt709(stream);
    EXPECT_EQ(stream["nb_read_frames"], "4");
    EXPECT_EQ(stream["time_base"], "1/90000");
    EXPECT_EQ(videoFramePts(file), (std::vector<std::int64_t>{0, 3000, 6000, 15000}));
    // The last frame lasts as long as the interval before it (the gap, here).
    EXPECT_NEAR(seconds(probed["format"]["duration"]), 8.0 / 30, 1e-4);

    const QByteArray pictures = decodedBgra(file);
    EXPECT_EQ(pictures.size(), 4 * kWidth * kHeight * 4);
    expectPixel(pictures, 0, orange);
    expectPixel(pictures, 3, grey);

    // The index is in front of the media data, so playback can start at once.
    QFile written(QString::fromStdString(file));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    ASSERT_GE(bytes.indexOf("moov"), 0);
    EXPECT_LT(bytes.indexOf("moov"), bytes.indexOf("mdat"));
}

TEST_F(MediaWriterTest, HevcCarriesTheHvc1SampleEntry) {
    const std::string file = path("out.mp4");
    MediaWriter writer(file, "mp4");
    VideoWriterInput* video = writer.addVideoInput(settingsFor(ExportCodec::hevc));
    writeFrames(writer, *video, range(10), 30);

    const json stream = streamOfType(probe(file), "video");
    EXPECT_EQ(stream["codec_name"], "hevc");
    EXPECT_EQ(stream["codec_tag_string"], "hvc1");
    expectBt709(stream);
    EXPECT_EQ(stream["nb_read_frames"], "10");
    const auto pts = videoFramePts(file);
    ASSERT_EQ(pts.size(), 10u);
    EXPECT_EQ(pts[9], 9 * 3000);
}

TEST_F(MediaWriterTest, ProResIsStandard422TenBitInQuickTime) {
    const std::string file = path("out.mov");
    const VideoOutputSettings settings = settingsFor(ExportCodec::prores);
    ASSERT_EQ(settings.containerFormat, "mov");
    MediaWriter writer(file, settings.containerFormat);
    VideoWriterInput* video = writer.addVideoInput(settings);
    const Bgr teal{160, 128, 20};
    writeFrames(writer, *video, {0, 1, 3}, 25, teal);

    const json probed = probe(file);
    EXPECT_EQ(probed["format"]["format_name"].get<std::string>().find("mov"), 0u);
    const json stream = streamOfType(probed, "video");
    EXPECT_EQ(stream["codec_name"], "prores");
    EXPECT_EQ(stream["profile"], "Standard");
    EXPECT_EQ(stream["pix_fmt"], "yuv422p10le");
    expectBt709(stream);
    EXPECT_EQ(videoFramePts(file), (std::vector<std::int64_t>{0, 3600, 10800}));
    expectPixel(decodedBgra(file), 2, teal);
}

// --- Audio ---

TEST_F(MediaWriterTest, AudioIsStereoAacWithGapsSilencedAndOverlapsTrimmed) {
    const std::string file = path("out.mp4");
    MediaWriter writer(file, "mp4");
    VideoWriterInput* video = writer.addVideoInput(settingsFor(ExportCodec::h264));
    AudioWriterInput* audio = writer.addAudioInput(audioOutputSettings());
    ASSERT_NE(audio, nullptr);
    EXPECT_FALSE(appendTone(*audio, 0, 0.1)) << "refused before writing starts";
    ASSERT_TRUE(writer.start()) << writer.error();

    // In time order, as one thread must feed both (an input too far ahead waits).
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(appendSolid(*video, MediaTime{i, 10}));
    ASSERT_TRUE(appendTone(*audio, 0.0, 0.5));
    // 0.5 s to 1 s is a gap; the next buffer starts 10 ms before the previous ended.
    ASSERT_TRUE(appendTone(*audio, 1.0, 1.5));
    for (int i = 10; i < 20; ++i)
        ASSERT_TRUE(appendSolid(*video, MediaTime{i, 10}));
    ASSERT_TRUE(appendTone(*audio, 1.49, 2.0));
    audio->finish();
    EXPECT_FALSE(appendTone(*audio, 2.0, 2.1)) << "refused once finished";
    video->finish();
    ASSERT_EQ(writer.finish(), Status::completed) << writer.error();

    const json stream = streamOfType(probe(file), "audio");
    EXPECT_EQ(stream["codec_name"], "aac");
    EXPECT_EQ(stream["sample_rate"], "44100");
    EXPECT_EQ(stream["channels"], 2);
    EXPECT_NEAR(seconds(stream["duration"]), 2.0, 0.001);
    EXPECT_NEAR(std::stod(stream["bit_rate"].get<std::string>()), 128000, 32000);

    const std::vector<float> samples = decodedAudio(file);
    EXPECT_NEAR(static_cast<double>(samples.size()) / 2, 2.0 * kSampleRate, 1024);
    const double toneLevel = 0.5 / std::numbers::sqrt2;
    EXPECT_NEAR(rms(samples, 0.1, 0.4), toneLevel, 0.03);
    EXPECT_LT(rms(samples, 0.6, 0.9), 0.01) << "the gap is silent";
    EXPECT_NEAR(rms(samples, 1.1, 1.4), toneLevel, 0.03);
    EXPECT_NEAR(rms(samples, 1.45, 1.55), toneLevel, 0.03) << "no click where buffers overlap";
    EXPECT_NEAR(rms(samples, 1.6, 1.9), toneLevel, 0.03);
}

// --- Chapters ---

TEST_F(MediaWriterTest, ChaptersCarryTitlesAndTimesInMp4AndQuickTime) {
    const std::vector<ChapterMarker> chapters = {{"Intro", MediaTime{0, 600}, MediaTime{600, 600}},
                                                 {"Main part", MediaTime{1, 1}, MediaTime{2, 1}}};
    for (const std::string container : {"mp4", "mov"}) {
        for (const bool beforeStart : {true, false}) {
            SCOPED_TRACE(container + (beforeStart ? " set before start" : " set while writing"));
            const std::string file = path(QString::fromStdString("chapters." + container));
            MediaWriter writer(file, container);
            VideoWriterInput* video = writer.addVideoInput(settingsFor(ExportCodec::h264));
            if (beforeStart)
                writer.setChapters(chapters);
            ASSERT_TRUE(writer.start()) << writer.error();
            if (!beforeStart)
                writer.setChapters(chapters);
            for (int i = 0; i < 20; ++i)
                ASSERT_TRUE(appendSolid(*video, MediaTime{i, 10}));
            video->finish();
            ASSERT_EQ(writer.finish(), Status::completed) << writer.error();

            const json found = probe(file)["chapters"];
            ASSERT_EQ(found.size(), 2u);
            EXPECT_EQ(found[0]["tags"]["title"], "Intro");
            EXPECT_NEAR(seconds(found[0]["start_time"]), 0.0, 1e-3);
            EXPECT_NEAR(seconds(found[0]["end_time"]), 1.0, 1e-3);
            EXPECT_EQ(found[1]["tags"]["title"], "Main part");
            EXPECT_NEAR(seconds(found[1]["start_time"]), 1.0, 1e-3);
            EXPECT_NEAR(seconds(found[1]["end_time"]), 2.0, 1e-3);
        }
    }
}

// --- Threading contract ---

// Feeds both inputs from threads of their own, as the export's streams do: each
// appends until it has nothing more or the writer stops, then finishes its input,
// and keeps track of how far it got ahead of the other.
class Feeds {
public:
    Feeds(VideoWriterInput& video, AudioWriterInput& audio, std::int64_t videoFrames,
          std::int32_t frameRate, std::int64_t audioSamples)
        : video_(video)
        , audio_(audio)
        , videoFrames_(videoFrames)
        , frameRate_(frameRate)
        , audioSamples_(audioSamples) {}
    ~Feeds() { join(); }

    void start() {
        videoThread_ = std::thread([this] { feedVideo(); });
        audioThread_ = std::thread([this] { feedAudio(); });
    }
    void join() {
        if (videoThread_.joinable())
            videoThread_.join();
        if (audioThread_.joinable())
            audioThread_.join();
    }

    std::atomic<std::int64_t> framesAppended{0};
    double maxVideoLead = 0, maxAudioLead = 0; // seconds, read after both ended
    std::function<void(std::int64_t)> onFrame; // after each appended frame
    // Slows one side down, as a costly clip or decoder would.
    std::chrono::microseconds videoDelay{0}, audioDelay{0};

private:
    static constexpr int kBuffer = 1024;

    void feedVideo() {
        for (std::int64_t n = 0; n < videoFrames_; ++n) {
            if (!appendSolid(video_, MediaTime{n, frameRate_}))
                break;
            // Measured once the append was let through.
            const double time = static_cast<double>(n) / frameRate_;
            if (!audioFinished_)
                maxVideoLead = std::max(maxVideoLead, time - audioEnd_.load());
            ++framesAppended;
            videoEnd_ = time;
            std::this_thread::sleep_for(videoDelay);
            if (onFrame)
                onFrame(n + 1);
        }
        videoFinished_ = true;
        video_.finish();
    }

    void feedAudio() {
        for (std::int64_t samples = 0; samples < audioSamples_;) {
            const int count =
                static_cast<int>(std::min<std::int64_t>(kBuffer, audioSamples_ - samples));
            if (!audio_.append(tone(samples, count).data(), count, MediaTime{samples, kSampleRate}))
                break;
            if (!videoFinished_)
                maxAudioLead = std::max(maxAudioLead, static_cast<double>(samples) / kSampleRate -
                                                          videoEnd_.load());
            samples += count;
            audioEnd_ = static_cast<double>(samples) / kSampleRate;
            std::this_thread::sleep_for(audioDelay);
        }
        audioFinished_ = true;
        audio_.finish();
    }

    VideoWriterInput& video_;
    AudioWriterInput& audio_;
    const std::int64_t videoFrames_;
    const std::int32_t frameRate_;
    const std::int64_t audioSamples_;
    std::atomic<double> videoEnd_{0}, audioEnd_{0};
    std::atomic<bool> videoFinished_{false}, audioFinished_{false};
    std::thread videoThread_, audioThread_;
};

TEST_F(MediaWriterTest, AppendsWaitForTheOtherInputSoBothInterleaveWhateverTheirLengths) {
    struct Case {
        std::int64_t frames;
        double audioSeconds;
        std::chrono::microseconds videoDelay{0}, audioDelay{0};
    };
    for (const Case c : {Case{90, 0.5, 0us, 2ms}, Case{15, 3.0, 10ms, 0us}, Case{90, 3.0, 2ms, 0us},
                         Case{60, 2.0, 0us, 2ms}}) {
        SCOPED_TRACE(std::to_string(c.frames) + " frames, " + std::to_string(c.audioSeconds) +
                     " s of audio");
        const std::string file = path("feeds.mp4");
        MediaWriter writer(file, "mp4");
        VideoWriterInput* video = writer.addVideoInput(settingsFor(ExportCodec::h264));
        AudioWriterInput* audio = writer.addAudioInput(audioOutputSettings());
        const auto samples = static_cast<std::int64_t>(c.audioSeconds * kSampleRate);
        Feeds feeds(*video, *audio, c.frames, 30, samples);
        feeds.videoDelay = c.videoDelay;
        feeds.audioDelay = c.audioDelay;
        ASSERT_TRUE(writer.start()) << writer.error();
        feeds.start();
        feeds.join();
        ASSERT_EQ(writer.finish(), Status::completed) << writer.error();
        // Neither ran more than a second ahead of the other (give or take one frame
        // and one buffer: a feed sees the other's progress a little late).
        const double slack = 1.0 / 30 + 1024.0 / kSampleRate + 1e-9;
        EXPECT_LE(feeds.maxVideoLead, 1.0 + slack);
        EXPECT_LE(feeds.maxAudioLead, 1.0 + slack);

        const json probed = probe(file);
        EXPECT_EQ(streamOfType(probed, "video")["nb_read_frames"], std::to_string(c.frames));
        EXPECT_NEAR(seconds(streamOfType(probed, "audio")["duration"]), c.audioSeconds, 0.001);

        // In the file, packets of the two tracks follow each other in time order.
        const json packets = json::parse(
            run("ffprobe", {"-v", "error", "-show_entries", "packet=stream_index,dts_time", "-of",
                            "json", QString::fromStdString(file)})
                .toStdString())["packets"];
        double latest[2] = {-1e9, -1e9};
        double worst = 0;
        for (const json& packet : packets) {
            const int index = packet["stream_index"];
            const double dts = seconds(packet["dts_time"]);
            worst = std::max(worst, latest[1 - index] - dts);
            latest[index] = std::max(latest[index], dts);
        }
        // Within the readiness window; how close inside it depends on the encoders' delay.
        EXPECT_LT(worst, 1.0 + slack);
    }
}

TEST_F(MediaWriterTest, CancelWakesWaitingAppendsRefusesDataAndKeepsTheFile) {
    const std::string file = path("cancelled.mp4");
    auto writer = std::make_unique<MediaWriter>(file, "mp4");
    VideoWriterInput* video = writer->addVideoInput(settingsFor(ExportCodec::h264));
    AudioWriterInput* audio = writer->addAudioInput(audioOutputSettings());
    ASSERT_TRUE(writer->start()) << writer->error();

    // No sound comes, so the picture stops a second ahead and waits for it.
    std::atomic<std::int64_t> appended{0};
    std::promise<void> returned;
    std::thread feeder([&] {
        std::int64_t n = 0;
        while (appendSolid(*video, MediaTime{n++, 30}))
            ++appended;
        returned.set_value();
    });
    // Frame 31 (at 1.033 s) is the last let through; frame 32 waits.
    for (int waited = 0; appended < 32 && waited < 1000; ++waited)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(appended, 32);
    writer->cancel();
    EXPECT_EQ(writer->status(), Status::cancelled);
    EXPECT_EQ(returned.get_future().wait_for(10s), std::future_status::ready)
        << "the waiting append returned";
    feeder.join();

    EXPECT_EQ(video->makeFrame(), nullptr);
    EXPECT_FALSE(video->append(ownFrame(), MediaTime{10000, 1}));
    EXPECT_FALSE(appendTone(*audio, 10000, 10000.1));
    EXPECT_EQ(writer->finish(), Status::cancelled);
    writer.reset();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(file))) << "the caller decides about the file";
}

TEST_F(MediaWriterTest, FailureToCreateTheFileExplainsItAndRefusesData) {
    EXPECT_THROW(MediaWriter(path("x.mp4"), "no-such-muxer"), MediaError);

    MediaWriter writer(path("missing/folder/out.mp4"), "mp4");
    VideoWriterInput* video = writer.addVideoInput(settingsFor(ExportCodec::h264));
    AudioWriterInput* audio = writer.addAudioInput(audioOutputSettings());
    EXPECT_FALSE(writer.start());
    EXPECT_EQ(writer.status(), Status::failed);
    EXPECT_NE(writer.error().find("No such file or directory"), std::string::npos)
        << writer.error();
    EXPECT_EQ(video->makeFrame(), nullptr);
    EXPECT_FALSE(video->append(ownFrame(), MediaTime::zero()));
    EXPECT_FALSE(appendTone(*audio, 0, 0.1));
    EXPECT_FALSE(writer.start()) << "no second start";
    EXPECT_EQ(writer.finish(), Status::failed);
}

TEST_F(MediaWriterTest, RefusesFramesThatDoNotMoveForwardOrDoNotFit) {
    const std::string file = path("out.mp4");
    MediaWriter writer(file, "mp4");
    VideoWriterInput* video = writer.addVideoInput(settingsFor(ExportCodec::h264));
    EXPECT_FALSE(video->append(ownFrame(), MediaTime::zero())) << "not writing yet";
    EXPECT_EQ(writer.addVideoInput(settingsFor(ExportCodec::h264)), nullptr) << "one video input";
    ASSERT_TRUE(writer.start()) << writer.error();
    EXPECT_EQ(writer.addAudioInput(audioOutputSettings()), nullptr) << "too late for inputs";

    EXPECT_TRUE(video->append(ownFrame(), MediaTime{1, 30}));
    EXPECT_FALSE(video->append(ownFrame(), MediaTime{1, 30})) << "same time";
    EXPECT_FALSE(video->append(ownFrame(), MediaTime{0, 30})) << "earlier time";
    EXPECT_FALSE(video->append(ownFrame(kWidth / 2, kHeight), MediaTime{3, 30})) << "wrong size";
    EXPECT_FALSE(video->append(ownFrame(kWidth, kHeight, AV_PIX_FMT_BGRA), MediaTime{3, 30}))
        << "not the encoder's format";
    EXPECT_FALSE(video->append(nullptr, MediaTime{3, 30}));
    EXPECT_TRUE(video->append(ownFrame(), MediaTime{2, 30}));
    EXPECT_EQ(writer.status(), Status::writing) << "refusals do not fail the writer";
    video->finish();
    EXPECT_EQ(writer.finish(), Status::completed);
    EXPECT_FALSE(video->append(ownFrame(), MediaTime{3, 30})) << "completed";
    EXPECT_EQ(video->makeFrame(), nullptr);
    EXPECT_EQ(videoFramePts(file), (std::vector<std::int64_t>{3000, 6000}));
}

TEST_F(MediaWriterTest, FinishingEndsInputsLeftOpen) {
    // Finishing without finishing the input still flushes every frame.
    const std::string file = path("open.mp4");
    MediaWriter writer(file, "mp4");
    VideoWriterInput* video = writer.addVideoInput(settingsFor(ExportCodec::h264));
    ASSERT_TRUE(writer.start());
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(appendSolid(*video, MediaTime{i, 30}));
    EXPECT_EQ(writer.finish(), Status::completed) << writer.error();
    EXPECT_EQ(streamOfType(probe(file), "video")["nb_read_frames"], "12");
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

TEST_F(MediaWriterTest, MemoryStaysFlatOverThousandsOfFrames) {
    const std::string file = path("long.mp4");
    MediaWriter writer(file, "mp4");
    VideoWriterInput* video = writer.addVideoInput(settingsFor(ExportCodec::h264, 160, 120));
    AudioWriterInput* audio = writer.addAudioInput(audioOutputSettings());
    constexpr std::int64_t kFrames = 5000;
    constexpr std::int32_t kRate = 60;
    Feeds feeds(*video, *audio, kFrames, kRate, kFrames * kSampleRate / kRate);
    std::atomic<long> warmedUp{0}, atEnd{0};
    feeds.onFrame = [&](std::int64_t n) {
        if (n == 1000)
            warmedUp = residentKilobytes();
        if (n == kFrames)
            atEnd = residentKilobytes();
    };
    ASSERT_TRUE(writer.start()) << writer.error();
    feeds.start();
    feeds.join();
    ASSERT_EQ(writer.finish(), Status::completed) << writer.error();
    EXPECT_EQ(streamOfType(probe(file), "video")["nb_read_frames"], std::to_string(kFrames));
#ifndef __SANITIZE_ADDRESS__ // the sanitizer holds freed memory back on purpose
    // 4,000 more frames of 77 KB each would be 300 MB if they piled up anywhere;
    // the muxer's index grows by a few hundred kilobytes.
    EXPECT_LT(atEnd - warmedUp, 16 * 1024) << warmedUp << " kB then " << atEnd << " kB";
#endif
}

} // namespace
} // namespace kestrune
