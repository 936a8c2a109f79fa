// Real exports of real clips (made by the test-media fixture), read back with
// ffprobe and by decoding the result.
#include "export/export_coordinator.h"
#include "export/export_pipeline.h"
#include "export/temporary_output.h"
#include "media_probe.h"
#include "support/event_loop.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace kestrune;
using namespace kestrune::testing;

namespace {

const QString kMedia = QStringLiteral(KESTRUNE_TEST_MEDIA);

struct ClipSpec {
    const char* file;
    int width, height; // display size
    double duration;
    double trimIn = 0;
    std::optional<double> trimOut = std::nullopt;
};

ExportConfig configFor(const std::vector<ClipSpec>& specs, bool overlay = true,
                       std::vector<Section> sections = {}, ExportCodec codec = ExportCodec::h264) {
    ExportConfig config;
    std::vector<VideoClip> clips;
    for (const auto& spec : specs) {
        config.clips.push_back({(kMedia + "/" + spec.file).toStdString(), spec.duration, spec.width,
                                spec.height, spec.trimIn, spec.trimOut});
        VideoClip clip;
        clip.width = spec.width;
        clip.height = spec.height;
        clips.push_back(clip);
    }
    const OutputDimensions dims = outputDimensions(clips, overlay);
    config.outputWidth = dims.outputWidth;
    config.outputHeight = dims.outputHeight;
    config.videoAreaWidth = dims.videoAreaWidth;
    config.sidebarWidth = dims.sidebarWidth;
    config.sections = std::move(sections);
    config.codec = codec;
    config.quality = ExportQuality::standard;
    return config;
}

Section section(const char* title, double start) {
    return {Uuid::generate(), title, "", start};
}

// The counter clip shows its frame index as ten bars, bit k white when set, in
// the upper half of its 640 × 360 picture; `fit` is where the picture landed.
int readCounter(const QImage& frame, QRectF fit) {
    int index = 0;
    for (int bit = 0; bit < 10; ++bit) {
        const double x = fit.x() + fit.width() * (bit * 64 + 32) / 640.0;
        const double y = fit.y() + fit.height() * 0.25;
        if (qGray(frame.pixel(int(x), int(y))) > 128)
            index |= 1 << bit;
    }
    return index;
}

bool near(QRgb pixel, QColor expected, int tolerance = 14) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

// What an export reported, in order.
struct RecordingObserver final : ExportObserver {
    std::vector<std::string> phases;
    std::vector<double> progress;
    std::optional<ExportOutcome> outcome;

    void exportPhase(const std::string& phase) override { phases.push_back(phase); }
    void exportProgress(double fraction, double) override { progress.push_back(fraction); }
    void exportFinished(const ExportOutcome& ending) override {
        EXPECT_FALSE(outcome) << "a second outcome";
        outcome = ending;
    }
};

class ExportPipeline : public ::testing::Test {
protected:
    QTemporaryDir folder;
    CancellationToken cancellation;
    RecordingObserver observer;

    QString output(const char* name = "export.mp4") { return folder.filePath(name); }

    ExportOutcome attempt(const ExportConfig& config, const QString& path) {
        observer = {};
        exportMovie(config, path.toStdString(), observer, cancellation);
        return observer.outcome.value_or(ExportOutcome{ExportOutcome::End::failed, "no outcome"});
    }
    void exportTo(const ExportConfig& config, const QString& path) {
        const ExportOutcome outcome = attempt(config, path);
        ASSERT_EQ(outcome.end, ExportOutcome::End::completed) << outcome.error;
    }

    QStringList leftovers() {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

} // namespace

TEST_F(ExportPipeline, OutputSizeFollowsTheSidebarChoice) {
    for (bool overlay : {true, false}) {
        ExportConfig config = configFor({{"silent.mp4", 1280, 720, 2, 0, 0.5}}, overlay);
        exportTo(config, output());
        auto stream = probe(output())["streams"][0];
        EXPECT_EQ(stream["width"], overlay ? 1280 : 1562);
        EXPECT_EQ(stream["height"], 720);
        EXPECT_EQ(stream["codec_name"], "h264");
        EXPECT_EQ(stream["profile"], "High");
        EXPECT_EQ(stream["color_space"], "bt709");
        EXPECT_EQ(probe(output())["streams"].size(), 1u); // picture only
    }
}

TEST_F(ExportPipeline, ClipsFollowEachOtherFrameForFrame) {
    // 30 frames of the counter from 0.5 s, 15 from 2.0 s, then 30 frames of 60 fps.
    ExportConfig config = configFor({{"counter.mp4", 640, 360, 4, 0.5, 1.5},
                                     {"counter.mp4", 640, 360, 4, 2.0, 2.5},
                                     {"hd60.mov", 1280, 720, 2, 0, 0.5}});
    exportTo(config, output());
    EXPECT_EQ(observer.phases, (std::vector<std::string>{"Clip 1 of 3", "Clip 2 of 3",
                                                         "Clip 3 of 3", "Finalizing..."}));

    std::vector<double> expected;
    for (int i = 0; i < 30; ++i)
        expected.push_back(i / 30.0);
    for (int i = 0; i < 15; ++i)
        expected.push_back(1.0 + i / 30.0);
    for (int i = 0; i < 30; ++i)
        expected.push_back(1.5 + i / 60.0);
    std::vector<double> times = videoFrameTimes(output());
    ASSERT_EQ(times.size(), expected.size());
    for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_NEAR(times[i], expected[i], 1e-4) << i;

    // The pictures are the ones on screen at those times: frame 15 of the counter
    // opens the export, frame 60 opens the second clip.
    const QRectF fit(19.2, 10.8, 1241.6, 698.4); // 640 × 360 fitted into 1280 × 720
    EXPECT_EQ(readCounter(frameAt(output(), 0.0), fit), 15);
    EXPECT_EQ(readCounter(frameAt(output(), 29 / 30.0), fit), 44);
    EXPECT_EQ(readCounter(frameAt(output(), 1.0), fit), 60);
    EXPECT_EQ(readCounter(frameAt(output(), 1.0 + 14 / 30.0), fit), 74);
}

TEST_F(ExportPipeline, TrimPointsBetweenFramesStartWithTheFrameOnScreen) {
    ExportConfig config = configFor({{"counter.mp4", 640, 360, 4, 1.01, 1.2}});
    exportTo(config, output());
    std::vector<double> times = videoFrameTimes(output());
    ASSERT_FALSE(times.empty());
    EXPECT_DOUBLE_EQ(times.front(), 0.0);
    // Frames at 1.0 (on screen at 1.01), 1.0333 … 1.1667: six frames before 1.2.
    EXPECT_EQ(times.size(), 6u);
    const QRectF fit(9.6, 5.4, 620.8, 349.2); // 640 × 360 in its own size, less the margin
    EXPECT_EQ(readCounter(frameAt(output(), 0.0), fit), 30);
}

TEST_F(ExportPipeline, PicturesAreFittedIntoTheVideoAreaUpright) {
    SidebarTheme theme = SidebarTheme::classic();
    theme.videoAreaBackground = {1, 0, 1, 1}; // magenta around the picture
    ExportConfig config = configFor({{"portrait.mp4", 360, 640, 2, 0, 0.2}});
    // A landscape frame for a portrait clip: letterboxed left and right.
    config.outputWidth = config.videoAreaWidth = 1280;
    config.outputHeight = 720;
    config.sidebarWidth = 282;
    config.theme = theme;
    exportTo(config, output());
    QImage frame = frameAt(output(), 0.0);
    // 9:16 picture in a 1258.4 × 698.4 area: 392.85 wide at x = 443.6.
    const QColor magenta(255, 0, 255);
    EXPECT_TRUE(near(frame.pixel(435, 360), magenta));
    EXPECT_FALSE(near(frame.pixel(452, 360), magenta));
    EXPECT_FALSE(near(frame.pixel(828, 360), magenta));
    EXPECT_TRUE(near(frame.pixel(845, 360), magenta));
    // Upright as players show it (FFmpeg's own autorotated picture): blue on the
    // left, red above green on the right.
    auto at = [&](double x, double y) {
        return frame.pixel(int(443.6 + x * 392.85 / 360), int(10.8 + y * 698.4 / 640));
    };
    EXPECT_TRUE(near(at(90, 320), Qt::blue, 30));
    EXPECT_TRUE(near(at(270, 160), Qt::red, 30));
    EXPECT_TRUE(near(at(270, 480), Qt::green, 30));

    // A same-size clip fills the area's height with a 16:9 picture at x = 19.2.
    exportTo(configFor({{"silent.mp4", 1280, 720, 2, 0, 0.2}}, true, {}, ExportCodec::h264),
             output());
    QImage same = frameAt(output(), 0.0);
    const QColor classicBackground(50, 50, 50);
    EXPECT_TRUE(near(same.pixel(8, 360), classicBackground));
    EXPECT_TRUE(near(same.pixel(640, 4), classicBackground));
    EXPECT_FALSE(near(same.pixel(30, 360), classicBackground, 4));
}

TEST_F(ExportPipeline, TheHighlightMovesToEachNewChapter) {
    ExportConfig config = configFor({{"silent.mp4", 1280, 720, 2}}, false,
                                    {section("Intro", 0), section("Main part", 1.0)});
    exportTo(config, output());
    // Beside a 1280 video area: sidebar 282 wide from x = 1280; rows of 324 from y = 36.
    const QColor box(255, 255, 255), background(50, 50, 50);
    QImage before = frameAt(output(), 0.5);
    EXPECT_TRUE(near(before.pixel(1540, 60), box));
    EXPECT_TRUE(near(before.pixel(1540, 400), background));
    QImage after = frameAt(output(), 1.6); // the slide ended at 1.4 s
    EXPECT_TRUE(near(after.pixel(1540, 60), background));
    EXPECT_TRUE(near(after.pixel(1540, 400), box));

    auto chapters = probe(output())["chapters"];
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0]["tags"]["title"], "Intro");
    EXPECT_EQ(chapters[1]["tags"]["title"], "Main part");
    EXPECT_NEAR(std::stod(chapters[1]["start_time"].get<std::string>()), 1.0, 1e-3);
    EXPECT_NEAR(std::stod(chapters[1]["end_time"].get<std::string>()), 2.0, 0.05);
}

TEST_F(ExportPipeline, EachCodecWritesItsOwnFormat) {
    exportTo(configFor({{"silent.mp4", 1280, 720, 2, 0, 0.3}}, true, {}, ExportCodec::hevc),
             output("hevc.mp4"));
    auto hevc = probe(output("hevc.mp4"));
    EXPECT_EQ(hevc["streams"][0]["codec_name"], "hevc");
    EXPECT_EQ(hevc["streams"][0]["codec_tag_string"], "hvc1");
    EXPECT_NE(hevc["format"]["format_name"].get<std::string>().find("mp4"), std::string::npos);

    exportTo(configFor({{"silent.mp4", 1280, 720, 2, 0, 0.3}}, true, {}, ExportCodec::prores),
             output("prores.mov"));
    auto prores = probe(output("prores.mov"));
    EXPECT_EQ(prores["streams"][0]["codec_name"], "prores");
    EXPECT_EQ(prores["streams"][0]["pix_fmt"], "yuv422p10le");
}

TEST_F(ExportPipeline, CancellingKeepsThePreviousFileAndLeavesNothingBehind) {
    {
        QFile previous(output());
        ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
        previous.write("previous export");
    }
    ExportConfig config = configFor({{"hd30.mp4", 1920, 1080, 3}, {"hd30.mp4", 1920, 1080, 3}});
    std::thread canceller([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        cancellation.cancel();
    });
    EXPECT_EQ(attempt(config, output()).end, ExportOutcome::End::cancelled);
    canceller.join();
    EXPECT_LT(observer.progress.size(), 50u) << "stopped soon after the cancel";
    QFile previous(output());
    ASSERT_TRUE(previous.open(QIODevice::ReadOnly));
    EXPECT_EQ(previous.readAll(), "previous export");
    EXPECT_EQ(leftovers(), QStringList{"export.mp4"});

    // Cancelled before the pipeline even started: still a clean cancellation.
    EXPECT_EQ(attempt(config, output("other.mp4")).end, ExportOutcome::End::cancelled);
    EXPECT_FALSE(QFile::exists(output("other.mp4")));
}

TEST_F(ExportPipeline, AClipWithoutPictureStopsTheExport) {
    ExportConfig config = configFor({{"silent.mp4", 1280, 720, 2}, {"audio-only.m4a", 0, 0, 2}});
    EXPECT_EQ(
        attempt(config, output()),
        (ExportOutcome{ExportOutcome::End::failed,
                       "File \"audio-only.m4a\" is no longer accessible or has no video track."}));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(ExportPipeline, AReplacedExportLeavesNoTraceAndTheNewOneCompletes) {
    ExportCoordinator coordinator;
    coordinator.startExport(configFor({{"hd30.mp4", 1920, 1080, 3}, {"hd30.mp4", 1920, 1080, 3}}),
                            output("first.mp4"));
    const int firstGeneration = coordinator.exportGeneration();
    QCoreApplication::processEvents();
    coordinator.startExport(configFor({{"silent.mp4", 1280, 720, 2, 0, 0.5}}),
                            output("second.mp4"));
    EXPECT_EQ(coordinator.phase(), "Preparing...");
    EXPECT_GT(coordinator.exportGeneration(), firstGeneration);
    ASSERT_TRUE(test::runUntil([&] { return !coordinator.isExporting(); }, 120000));
    EXPECT_EQ(coordinator.phase(), "Complete");
    EXPECT_EQ(coordinator.progress(), 1.0);
    EXPECT_EQ(coordinator.outputURL(), QUrl::fromLocalFile(output("second.mp4")));
    EXPECT_TRUE(coordinator.error().isEmpty());
    EXPECT_FALSE(QFile::exists(output("first.mp4")));
}

TEST_F(ExportPipeline, ProgressCountsFramesAtEachClipsOwnRate) {
    // One second of 60 fps: 60 frames, so ten frames are a sixth of the way, not a third.
    exportTo(configFor({{"hd60.mov", 1280, 720, 2, 0, 1.0}}), output());
    ASSERT_EQ(observer.progress.size(), 6u);
    EXPECT_NEAR(observer.progress.front(), 10 / 60.0, 1e-9);
    EXPECT_NEAR(observer.progress.back(), 0.98, 1e-9); // the cap, reached at frame 60
    EXPECT_EQ(observer.phases, (std::vector<std::string>{"Rendering", "Finalizing..."}));
}

namespace {

double rms(const std::vector<float>& samples, double from, double to) {
    const std::size_t a = static_cast<std::size_t>(from * 44100);
    const std::size_t b = std::min(samples.size(), static_cast<std::size_t>(to * 44100));
    double sum = 0;
    for (std::size_t i = a; i < b; ++i)
        sum += samples[i] * samples[i];
    return b > a ? std::sqrt(sum / double(b - a)) : 0;
}

nlohmann::json streamOfType(const nlohmann::json& probed, const char* type) {
    for (const auto& stream : probed["streams"])
        if (stream["codec_type"] == type)
            return stream;
    return {};
}

} // namespace

TEST_F(ExportPipeline, SoundOfEveryClipLandsAtItsOffsetWithSilenceBetween) {
    // A: 3 s of 440 Hz (44.1 kHz stereo); B: 2 s without sound; C: 660 Hz at 48 kHz mono.
    ExportConfig config = configFor({{"hd30.mp4", 1920, 1080, 3},
                                     {"silent.mp4", 1280, 720, 2},
                                     {"hd60.mov", 1280, 720, 2, 0, 1.5}});
    exportTo(config, output());
    const auto probed = probe(output());
    const auto audio = streamOfType(probed, "audio");
    ASSERT_FALSE(audio.is_null());
    EXPECT_EQ(audio["codec_name"], "aac");
    EXPECT_EQ(audio["sample_rate"], "44100");
    EXPECT_EQ(audio["channels"], 2);
    const double bitRate = std::stod(audio["bit_rate"].get<std::string>());
    EXPECT_GT(bitRate, 60000);
    EXPECT_LT(bitRate, 140000);

    const std::vector<float> samples = monoSamples(output());
    EXPECT_GT(rms(samples, 0.1, 2.9), 0.05);    // a sine of amplitude 1/8
    EXPECT_LT(rms(samples, 3.05, 4.95), 0.001); // B is silent
    EXPECT_GT(rms(samples, 5.05, 6.4), 0.05);
    // C's tone starts at 5 s, to within one AAC frame.
    std::size_t onset = static_cast<std::size_t>(4.5 * 44100);
    while (onset < samples.size() && std::abs(samples[onset]) < 0.02)
        ++onset;
    EXPECT_NEAR(onset / 44100.0, 5.0, 1024 / 44100.0);

    // Sound and picture end together.
    const double videoEnd = std::stod(streamOfType(probed, "video")["duration"].get<std::string>());
    const double audioEnd = std::stod(audio["duration"].get<std::string>());
    EXPECT_NEAR(audioEnd, 6.5, 1.0 / 30 + 0.03);
    EXPECT_NEAR(videoEnd, 6.5, 1.0 / 30 + 0.03);
}

TEST_F(ExportPipeline, SoundShorterThanItsPictureLeavesSilenceNotAGap) {
    ExportConfig config =
        configFor({{"short-sound.mp4", 640, 360, 2}, {"hd30.mp4", 1920, 1080, 3, 0, 1.0}});
    exportTo(config, output());
    const std::vector<float> samples = monoSamples(output());
    EXPECT_GT(rms(samples, 0.1, 0.9), 0.05);
    EXPECT_LT(rms(samples, 1.1, 1.95), 0.001);
    EXPECT_GT(rms(samples, 2.05, 2.9), 0.05); // the next clip on time
    EXPECT_NEAR(samples.size() / 44100.0, 3.0, 0.05);

    // No clip with sound: no sound track at all.
    exportTo(configFor({{"silent.mp4", 1280, 720, 2, 0, 0.5}}), output("mute.mp4"));
    EXPECT_TRUE(streamOfType(probe(output("mute.mp4")), "audio").is_null());
}

TEST_F(ExportPipeline, ARangeBeyondTheFileEndsWithTheFileOrIsRefused) {
    // An out point far past the end of a 2 s clip: the movie is the clip, not a
    // frozen picture (nor an export that never ends).
    exportTo(configFor({{"silent.mp4", 1280, 720, 2, 1.0, 1e9}}), output());
    const std::vector<double> times = videoFrameTimes(output());
    ASSERT_FALSE(times.empty());
    EXPECT_NEAR(times.back(), 1.0 - 1 / 30.0, 0.02);
    EXPECT_NEAR(observer.progress.empty() ? 0 : observer.progress.back(), 0.98, 0.05);

    // An in point past the end, or an out point before the in point, fails the
    // export with the clip's name and writes nothing.
    for (const auto& [in, out] : {std::pair{2.5, std::optional<double>()}, {2.5, 0.5}}) {
        const ExportOutcome outcome =
            attempt(configFor({{"silent.mp4", 1280, 720, 2, in, out}}), output("none.mp4"));
        EXPECT_EQ(outcome.end, ExportOutcome::End::failed);
        EXPECT_NE(outcome.error.find("\"silent.mp4\""), std::string::npos) << outcome.error;
    }
    EXPECT_FALSE(QFile::exists(output("none.mp4")));
}

TEST_F(ExportPipeline, TheMovieReplacesWhatItShouldAndNothingMore) {
    const mode_t previousMask = ::umask(022);
    const ExportConfig config = configFor({{"silent.mp4", 1280, 720, 2, 0, 0.2}});
    auto modeOf = [](const QString& path) {
        struct stat info {};
        EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
        return info.st_mode & 07777;
    };
    exportTo(config, output("new.mp4"));
    EXPECT_EQ(modeOf(output("new.mp4")), 0644u);
    {
        QFile kept(output("kept.mp4"));
        ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(output("kept.mp4")).constData(), 0640), 0);
    exportTo(config, output("kept.mp4"));
    EXPECT_EQ(modeOf(output("kept.mp4")), 0640u);
    ::umask(previousMask);

    // What a killed export left a day ago goes; what a running one writes stays.
    for (const char* name : {".talk-AbCdEf.partial.mp4", ".talk-GhIjKl.partial.mp4"}) {
        QFile partial(output(name));
        ASSERT_TRUE(partial.open(QIODevice::WriteOnly));
    }
    {
        QFile old(output(".talk-AbCdEf.partial.mp4"));
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        ASSERT_TRUE(old.setFileTime(QDateTime::currentDateTime().addDays(-2),
                                    QFileDevice::FileModificationTime));
    }
    exportTo(config, output("talk.mp4"));
    EXPECT_FALSE(QFile::exists(output(".talk-AbCdEf.partial.mp4")));
    EXPECT_TRUE(QFile::exists(output(".talk-GhIjKl.partial.mp4")));

    // A link stays a link; the movie is the file it points to.
    ASSERT_TRUE(QDir(folder.path()).mkdir("movies"));
    ASSERT_TRUE(QFile::link(output("movies/target.mp4"), output("link.mp4")));
    exportTo(config, output("link.mp4"));
    EXPECT_TRUE(QFileInfo(output("link.mp4")).isSymLink());
    EXPECT_EQ(probe(output("movies/target.mp4"))["streams"][0]["codec_name"], "h264");
}

TEST_F(ExportPipeline, AFolderRenamedDuringTheExportKeepsNoPartialFileAndGetsTheMovie) {
    QDir root(folder.path());
    auto partials = [](const QString& path) {
        return QDir(path).entryList({"*.partial.*"}, QDir::Files | QDir::Hidden);
    };
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    // Failed or cancelled: the temporary file goes from wherever its folder went.
    ASSERT_TRUE(root.mkdir("movies"));
    {
        TemporaryOutput output(folder.filePath("movies/talk.mp4"));
        write(output.path(), "half a movie");
        ASSERT_EQ(partials(folder.filePath("movies")).size(), 1);
        ASSERT_TRUE(root.rename("movies", "renamed"));
    }
    EXPECT_TRUE(partials(folder.filePath("renamed")).isEmpty());

    // Completed: the movie lands beside the file it replaces, in the renamed folder.
    write(folder.filePath("renamed/talk.mp4"), "previous");
    {
        TemporaryOutput output(folder.filePath("renamed/talk.mp4"));
        write(output.path(), "the movie");
        ASSERT_TRUE(root.rename("renamed", "moved"));
        output.commit();
    }
    EXPECT_EQ(leftovers(), QStringList{});
    QFile movie(folder.filePath("moved/talk.mp4"));
    ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
    EXPECT_EQ(movie.readAll(), "the movie");
    EXPECT_TRUE(partials(folder.filePath("moved")).isEmpty());
}

namespace {

// A copy of a test clip in the test's folder, cut to `fraction` of its size: the
// index at its front still says how long it is, the media after the cut are gone.
QString cutShort(const QTemporaryDir& folder, const char* clip, const char* name, double fraction) {
    const QString path = folder.filePath(name);
    EXPECT_TRUE(QFile::copy(kMedia + "/" + clip, path));
    const auto size = std::filesystem::file_size(QFile::encodeName(path).toStdString());
    std::filesystem::resize_file(QFile::encodeName(path).toStdString(),
                                 static_cast<std::uintmax_t>(size * fraction));
    return path;
}

} // namespace

TEST_F(ExportPipeline, AClipCutShortFailsTheExportWithItsName) {
    const QString cut = cutShort(folder, "talk.mp4", "cut.mp4", 0.5);
    ExportConfig config = configFor({{"talk.mp4", 640, 360, 3}, {"talk.mp4", 640, 360, 3}});
    config.clips[1].path = QFile::encodeName(cut).toStdString();
    const ExportOutcome outcome = attempt(config, output());
    EXPECT_EQ(outcome.end, ExportOutcome::End::failed);
    EXPECT_NE(outcome.error.find("\"cut.mp4\" is damaged"), std::string::npos) << outcome.error;
    EXPECT_NE(outcome.error.find("of 3.00 s"), std::string::npos) << outcome.error;
    EXPECT_EQ(leftovers(), QStringList{"cut.mp4"});

    // Trimmed to the part that is still there, the clip exports; trimmed to end
    // past the cut, it does not.
    config = configFor({{"talk.mp4", 640, 360, 3, 0.2, 1.0}});
    config.clips[0].path = QFile::encodeName(cut).toStdString();
    exportTo(config, output());
    EXPECT_NEAR(videoFrameTimes(output()).size(), 24u, 1u);
    config.clips[0].trimOut = 2.5;
    EXPECT_EQ(attempt(config, output("late.mp4")).end, ExportOutcome::End::failed);
    EXPECT_FALSE(QFile::exists(output("late.mp4")));
}

TEST_F(ExportPipeline, SoundMissingInTheMiddleFailsTheExport) {
    const ExportOutcome outcome = attempt(configFor({{"sound-gap.mp4", 640, 360, 4}}), output());
    EXPECT_EQ(outcome.end, ExportOutcome::End::failed);
    EXPECT_NE(outcome.error.find("\"sound-gap.mp4\" is damaged"), std::string::npos)
        << outcome.error;
    EXPECT_TRUE(leftovers().isEmpty());
    // The part before the hole is whole.
    exportTo(configFor({{"sound-gap.mp4", 640, 360, 4, 0, 0.9}}), output());
}

TEST_F(ExportPipeline, APictureHeldForSecondsIsNotDamage) {
    // A screen recording that shows one picture from 1 s to 5 s, with sound
    // throughout: the held picture is exported, held.
    exportTo(configFor({{"still-gap.mp4", 640, 360, 6}}), output());
    const std::vector<double> times = videoFrameTimes(output());
    ASSERT_FALSE(times.empty());
    EXPECT_NEAR(times.back(), 5.9, 0.02);
    EXPECT_NEAR(monoSamples(output()).size() / 44100.0, 6.0, 0.05);
    // Started inside the held stretch too.
    exportTo(configFor({{"still-gap.mp4", 640, 360, 6, 2.0, 4.5}}), output("middle.mp4"));
    EXPECT_FALSE(videoFrameTimes(output("middle.mp4")).empty());
}
