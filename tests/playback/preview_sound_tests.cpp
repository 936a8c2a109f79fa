// The preview's sound on a real sound server: a private PulseAudio with a null
// sink, recorded through the sink's monitor. The clip is made here with the
// ffmpeg tool: black and silent for its first second, then white with a 1 kHz
// tone, so the frame the tone starts on is known and easy to see and hear.
#include "log/capturing_sink.h"
#include "playback/audio_clock.h"
#include "playback/timeline_player.h"
#include "playback/video_frame_output.h"
#include "seek_and_wait.h"
#include "support/event_loop.h"
#include "support/sink_recorder.h"
#include "support/sound_server.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QVideoFrame>
#include <QVideoSink>

namespace kestrune {
namespace {

using test::runFor;
using test::runUntil;
using test::seekAndWait;
using test::SinkRecorder;
using test::SoundServer;
using Clock = std::chrono::steady_clock;

const MediaTime kClipLength = MediaTime{3, 1};
// A sample this loud is the tone (it plays at half of full scale); the silence
// before it is digital zero.
constexpr double kToneLevel = 0.1;

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

MediaTime seconds(double value) {
    return MediaTime::fromSeconds(value, 600);
}

// Whether a picture handed to the video sink is the white one (the tone's).
bool isWhite(QVideoFrame frame) {
    if (!frame.isValid() || frame.pixelFormat() != QVideoFrameFormat::Format_BGRA8888 ||
        !frame.map(QVideoFrame::ReadOnly))
        return false;
    const uchar* centre =
        frame.bits(0) + frame.height() / 2 * frame.bytesPerLine(0) + frame.width() / 2 * 4;
    const bool white = centre[0] > 200 && centre[1] > 200 && centre[2] > 200;
    frame.unmap();
    return white;
}

// The playback output under test: a player on an audio clock over `device`,
// its pictures handed to a video sink, with the moment each new picture
// reached the sink.
struct Preview {
    explicit Preview(const QAudioDevice& device, const std::string& clip) {
        auto owned = std::make_unique<AudioClock>(device);
        clock = owned.get();
        player = std::make_unique<TimelinePlayer>(std::move(owned));
        output.setVideoSink(&sink);
        output.setPlayer(player.get());
        QObject::connect(&sink, &QVideoSink::videoFrameChanged, [this](const QVideoFrame& frame) {
            const Clock::time_point now = Clock::now();
            if (lastPicture)
                longestGap = std::max(longestGap, now - *lastPicture);
            lastPicture = now;
            if (!firstWhite && isWhite(frame))
                firstWhite = now;
        });
        player->replaceCurrentItem({{clip, MediaTime::zero(), kClipLength}});
    }
    ~Preview() { output.setPlayer(nullptr); }

    // Waits for the picture at `at`, then plays; when play() was called.
    Clock::time_point playFrom(MediaTime at) {
        EXPECT_TRUE(seekAndWait(*player, at));
        firstWhite.reset();
        lastPicture.reset();
        longestGap = {};
        const Clock::time_point pressed = Clock::now();
        player->play();
        return pressed;
    }

    AudioClock* clock = nullptr;
    std::unique_ptr<TimelinePlayer> player;
    QVideoSink sink;
    VideoFrameOutput output;
    std::optional<Clock::time_point> firstWhite;
    std::optional<Clock::time_point> lastPicture;
    Clock::duration longestGap{};
};

class PreviewSound : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!SoundServer::isInstalled())
            return;
        server_ = new SoundServer;
        startError_ = new QString(server_->start());
        folder_ = new QTemporaryDir;
        clip_ = folder_->filePath("tone.mov").toStdString();
        // Black and silent, then white with the tone from 1 s (frame 30) on. The
        // sound is PCM, so that no encoder moves or smears its onset.
        const std::string command =
            "ffmpeg -hide_banner -loglevel error -nostdin -y"
            " -f lavfi -i \"color=c=black:s=320x180:r=30:d=3,"
            "drawbox=x=0:y=0:w=iw:h=ih:color=white:t=fill:enable='gte(t,1)'\""
            " -f lavfi -i "
            "\"aevalsrc=exprs='if(gte(t,1),0.5*sin(2*PI*1000*t),0)':s=44100:d=3:c=stereo\""
            " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 15 -c:a pcm_s16le -shortest '" +
            clip_ + "'";
        clipMade_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() {
        delete server_;
        delete startError_;
        delete folder_;
        server_ = nullptr;
    }

    void SetUp() override {
        if (!server_)
            GTEST_SKIP() << "PulseAudio is not installed (scripts/install-deps installs it); "
                            "the preview's sound is not tested";
        ASSERT_TRUE(startError_->isEmpty()) << startError_->toStdString();
        ASSERT_TRUE(clipMade_) << "ffmpeg could not make the tone clip";
    }

    // The output Qt sees for a sink of the server, once it has appeared.
    static QAudioDevice outputFor(const QString& sink) {
        QAudioDevice found;
        runUntil(
            [&] {
                for (const QAudioDevice& device : QMediaDevices::audioOutputs()) {
                    if (device.id() == sink.toUtf8())
                        found = device;
                }
                return !found.isNull();
            },
            5000);
        return found;
    }

    // Records `sink` from now on, and waits until the recording runs steadily.
    static void record(SinkRecorder& recorder, const QString& sink) {
        ASSERT_TRUE(recorder.start(sink).isEmpty());
        runFor(50);
        ASSERT_TRUE(server_->wake(sink));
        ASSERT_TRUE(runUntil([&] { return recorder.frames() > SinkRecorder::kSampleRate / 10; }))
            << "nothing arrives from the sink's monitor";
        recorder.retime();
        const std::int64_t retimedAt = recorder.frames();
        ASSERT_TRUE(runUntil(
            [&] { return recorder.frames() > retimedAt + SinkRecorder::kSampleRate / 10; }));
    }

    static SoundServer* server_;
    static QString* startError_;
    static QTemporaryDir* folder_;
    static std::string clip_;
    static bool clipMade_;
};

SoundServer* PreviewSound::server_ = nullptr;
QString* PreviewSound::startError_ = nullptr;
QTemporaryDir* PreviewSound::folder_ = nullptr;
std::string PreviewSound::clip_;
bool PreviewSound::clipMade_ = false;

TEST_F(PreviewSound, TheToneStartsWithItsFrameFromAStartASeekAndAResume) {
    const QAudioDevice device = outputFor(SoundServer::kSinkName);
    ASSERT_FALSE(device.isNull());
    SinkRecorder recorder;
    record(recorder, SoundServer::kSinkName);
    Preview preview(device, clip_);

    // Played from the start, from just before the tone (the sound starts at once
    // after a seek), and resumed from a pause just before it.
    struct Start {
        const char* how;
        MediaTime at;
        bool resume;
    };
    for (const Start& start :
         {Start{"from the start", MediaTime::zero(), false},
          Start{"after a seek", seconds(0.9), false}, Start{"on resuming", seconds(0.85), true}}) {
        SCOPED_TRACE(start.how);
        Clock::time_point pressed;
        if (start.resume) {
            preview.playFrom(seconds(0.5));
            ASSERT_TRUE(runUntil([&] { return !(preview.player->currentTime() < start.at); }));
            preview.player->pause();
            runFor(300);
            preview.firstWhite.reset();
            pressed = Clock::now();
            preview.player->play();
        } else {
            pressed = preview.playFrom(start.at);
        }
        ASSERT_TRUE(runUntil([&] { return preview.firstWhite.has_value(); }));
        runFor(300);
        preview.player->pause();
        ASSERT_FALSE(preview.clock->hasFallenBack());

        const std::optional<Clock::time_point> onset = recorder.firstSoundFrom(pressed, kToneLevel);
        ASSERT_TRUE(onset) << "the tone never reached the sink";
        const double late = milliseconds(*onset - *preview.firstWhite);
        std::printf("[ figure ] tone onset minus its first frame, %s: %+.1f ms\n", start.how, late);
        EXPECT_LE(std::abs(late), 45.0);
        // The tone itself, at its level, not a click.
        EXPECT_GT(recorder.peakBetween(*onset + std::chrono::milliseconds(20),
                                       *onset + std::chrono::milliseconds(200)),
                  0.4);
        runFor(200);
    }
}

TEST_F(PreviewSound, PausingSilencesTheTone) {
    const QAudioDevice device = outputFor(SoundServer::kSinkName);
    ASSERT_FALSE(device.isNull());
    SinkRecorder recorder;
    record(recorder, SoundServer::kSinkName);
    Preview preview(device, clip_);

    preview.playFrom(seconds(1.2));
    runFor(500);
    const Clock::time_point paused = Clock::now();
    preview.player->pause();
    runFor(400);
    recorder.stop();

    EXPECT_GT(recorder.peakBetween(paused - std::chrono::milliseconds(300),
                                   paused - std::chrono::milliseconds(50)),
              0.4)
        << "the tone did not play before the pause";
    const std::optional<Clock::time_point> last = recorder.lastSound(kToneLevel);
    ASSERT_TRUE(last);
    const double after = milliseconds(*last - paused);
    std::printf("[ figure ] sound after pausing: %.1f ms\n", after);
    EXPECT_LE(after, 100.0);
}

// Closing a project while its preview plays: Qt's sink runs the event loop
// while it closes, and the clock's own timers must not reach it meanwhile.
TEST_F(PreviewSound, APreviewClosedWhilePlayingGoesQuietly) {
    const QAudioDevice device = outputFor(SoundServer::kSinkName);
    ASSERT_FALSE(device.isNull());
    for (int round = 0; round < 20; ++round) {
        Preview preview(device, clip_);
        preview.playFrom(seconds(0.9));
        runFor(40 + 10 * (round % 10));
        ASSERT_FALSE(preview.clock->hasFallenBack());
    }
}

TEST_F(PreviewSound, SoundMovedToAnotherSinkPlaysOnThereAlsoAfterASeek) {
    // The server moves the sound of a sink that goes (headphones unplugged) to
    // the default one.
    const QString unplugged = "kestrune_unplugged";
    const int module = server_->loadNullSink(unplugged);
    ASSERT_GE(module, 0);
    const QAudioDevice device = outputFor(unplugged);
    ASSERT_FALSE(device.isNull());
    SinkRecorder unpluggedRecorder; // a null sink nobody listens to plays in bursts
    record(unpluggedRecorder, unplugged);
    SinkRecorder recorder;
    record(recorder, SoundServer::kSinkName);
    Preview preview(device, clip_);

    preview.playFrom(seconds(1.0));
    runFor(300);
    ASSERT_TRUE(server_->unloadModule(module));
    const Clock::time_point removed = Clock::now();
    const MediaTime removedAt = preview.player->currentTime();
    const std::uint64_t shownBefore = preview.player->framesShown();
    runFor(600);
    EXPECT_GT((preview.player->currentTime() - removedAt).seconds(), 0.45);
    EXPECT_GT(preview.player->framesShown(), shownBefore + 10);
    EXPECT_LT(milliseconds(preview.longestGap), 250.0);
    EXPECT_GT(recorder.peakBetween(removed + std::chrono::milliseconds(100),
                                   removed + std::chrono::milliseconds(500)),
              0.4)
        << "the sound did not go on on the default sink";

    // Started again after a seek: the output it was made for is gone, so it
    // plays on the default one (opening the gone one would never return).
    preview.player->pause();
    const Clock::time_point pressed = preview.playFrom(seconds(1.5));
    const MediaTime startedAt = preview.player->currentTime();
    runFor(500);
    EXPECT_FALSE(preview.clock->hasFallenBack());
    EXPECT_GT((preview.player->currentTime() - startedAt).seconds(), 0.35);
    EXPECT_GT(recorder.peakBetween(pressed + std::chrono::milliseconds(100),
                                   pressed + std::chrono::milliseconds(400)),
              0.4);
}

TEST_F(PreviewSound, WhenTheSoundStopsPlayingThePicturesGoOnOnTheMonotonicClock) {
    // Two ways sound stops for good while the preview plays: the only sink goes,
    // so the server ends the stream, having nowhere to move it; or the sink is
    // suspended (another program took the card). Qt's sink says nothing of
    // either. `noticedWithin` bounds how long the picture may stand.
    struct Way {
        const char* what;
        std::function<bool()> stop;
        int noticedWithin; // ms
    };
    const std::vector<Way> ways{
        {"the only sink unloaded",
         [] { return server_->unloadModule(server_->moduleOfSink(SoundServer::kSinkName)); }, 250},
        {"the sink suspended",
         [] {
             return server_->pactl({"suspend-sink", SoundServer::kSinkName, "1"}).has_value();
         },
         600},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        ASSERT_TRUE(server_->restoreSink());
        const QAudioDevice device = outputFor(SoundServer::kSinkName);
        ASSERT_FALSE(device.isNull());
        SinkRecorder recorder;
        record(recorder, SoundServer::kSinkName);
        log::CapturingSink logged;
        Preview preview(device, clip_);

        preview.playFrom(MediaTime::zero());
        runFor(400);
        ASSERT_FALSE(preview.clock->hasFallenBack());
        const std::uint64_t shownBefore = preview.player->framesShown();
        preview.longestGap = {};
        ASSERT_TRUE(way.stop());
        const Clock::time_point stopped = Clock::now();
        const MediaTime stoppedAt = preview.player->currentTime();

        ASSERT_TRUE(runUntil([&] { return preview.clock->hasFallenBack(); }, 2000))
            << "the clock did not notice";
        const double noticed = milliseconds(Clock::now() - stopped);
        EXPECT_TRUE(logged.contains(log::Category::Playback, "audio output failed"));
        // The playhead and the pictures go on in real time.
        runFor(700);
        const double moved = (preview.player->currentTime() - stoppedAt).seconds() * 1000.0;
        const double moments = milliseconds(Clock::now() - stopped);
        std::printf("[ figure ] %s: noticed after %.0f ms; playhead moved %.0f ms in %.0f ms; "
                    "longest wait between pictures %.0f ms\n",
                    way.what, noticed, moved, moments, milliseconds(preview.longestGap));
        EXPECT_GT(moved, moments - way.noticedWithin - 50);
        EXPECT_GT(preview.player->framesShown(), shownBefore + 15);
        EXPECT_LT(milliseconds(preview.longestGap), way.noticedWithin);
        EXPECT_GT(preview.player->rate(), 0.0);
    }
    EXPECT_TRUE(server_->restoreSink());
}

TEST_F(PreviewSound, LosingTheOnlySinkAroundAPauseLeavesAPlayerThatPlays) {
    for (const bool whilePaused : {false, true}) {
        SCOPED_TRACE(whilePaused ? "gone while paused" : "paused as it goes");
        ASSERT_TRUE(server_->restoreSink());
        const QAudioDevice device = outputFor(SoundServer::kSinkName);
        ASSERT_FALSE(device.isNull());
        SinkRecorder recorder;
        record(recorder, SoundServer::kSinkName);
        Preview preview(device, clip_);
        preview.playFrom(MediaTime::zero());
        runFor(300);
        const int module = server_->moduleOfSink(SoundServer::kSinkName);
        if (whilePaused) {
            preview.player->pause();
            ASSERT_TRUE(server_->unloadModule(module));
            runFor(100);
        } else {
            // Before the clock's own check has seen the stream end.
            ASSERT_TRUE(server_->unloadModule(module));
            runFor(10);
            preview.player->pause();
        }
        const MediaTime pausedAt = preview.player->currentTime();
        const std::uint64_t shownBefore = preview.player->framesShown();
        preview.player->play();
        runFor(400);
        EXPECT_TRUE(preview.clock->hasFallenBack());
        EXPECT_GT((preview.player->currentTime() - pausedAt).seconds(), 0.3);
        EXPECT_GT(preview.player->framesShown(), shownBefore + 8);
    }
    EXPECT_TRUE(server_->restoreSink());
}

} // namespace
} // namespace kestrune
