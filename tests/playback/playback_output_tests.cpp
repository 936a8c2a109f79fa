#include "fixtures/counter_frames.h"
#include "fixtures/test_media.h"
#include "log/capturing_sink.h"
#include "playback/audio_clock.h"
#include "playback/audio_feed.h"
#include "playback/playback_clock_factory.h"
#include "playback/timeline_player.h"
#include "playback/video_frame_output.h"
#include "seek_and_wait.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMediaDevices>
#include <QTimer>
#include <QVideoSink>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace kestrune {
namespace {

using test::paintedFrameNumber;
using test::runUntil;
using test::seekAndWait;
using test::testMedia;

MediaTime seconds(double value) {
    return MediaTime::fromSeconds(value, 600);
}

// The counter's number painted in a BGRA video frame; −1 when unreadable.
int shownNumber(QVideoFrame frame) {
    if (!frame.isValid() || frame.width() != 640 ||
        frame.pixelFormat() != QVideoFrameFormat::Format_BGRA8888 ||
        !frame.map(QVideoFrame::ReadOnly))
        return -1;
    // The green of each pixel stands in for its luma.
    std::vector<unsigned char> green(static_cast<std::size_t>(frame.width() * frame.height()));
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            green[std::size_t(y * frame.width() + x)] =
                frame.bits(0)[y * frame.bytesPerLine(0) + x * 4 + 1];
    frame.unmap();
    return paintedFrameNumber(green.data(), 640);
}

int shownNumber(const QVideoSink& sink) {
    return shownNumber(sink.videoFrame());
}

TEST(PlaybackClockFactory, PlaysOnTheMonotonicClockWithoutAnAudioOutput) {
    log::CapturingSink logged;
    const std::unique_ptr<PlaybackClock> clock = makePlaybackClock();
    ASSERT_TRUE(clock);
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        EXPECT_NE(dynamic_cast<MonotonicClock*>(clock.get()), nullptr);
        EXPECT_TRUE(logged.contains(log::Level::Info, log::Category::Playback, "monotonic clock"));
    } else {
        EXPECT_NE(dynamic_cast<AudioClock*>(clock.get()), nullptr);
    }
}

TEST(AudioClock, GoesOnOnMonotonicTimeFromWhereItStoodWhenTheOutputFails) {
    // No device behind it: the sink cannot open, as when the sound card is gone.
    // (Where there is an output, Qt plays a null device on it instead.)
    if (!QMediaDevices::defaultAudioOutput().isNull())
        GTEST_SKIP() << "needs a machine without an audio output";
    log::CapturingSink logged;
    AudioClock clock{QAudioDevice()};
    clock.setSegments(std::make_shared<const std::vector<PlayerSegment>>(
        std::vector<PlayerSegment>{{testMedia("hd30.mp4"), seconds(0), seconds(3)}}));
    clock.start(seconds(1.5));
    runUntil([&] { return clock.hasFallenBack(); }, 2000);
    ASSERT_TRUE(clock.hasFallenBack());
    EXPECT_TRUE(clock.isRunning());
    EXPECT_TRUE(logged.contains(log::Level::Error, log::Category::Playback, "audio output failed"));
    const MediaTime started = clock.now();
    EXPECT_LE(seconds(1.5), started);
    runUntil([&] { return started < clock.now(); });
    EXPECT_LT(started, clock.now());
    clock.stop();
    EXPECT_FALSE(clock.isRunning());
    const MediaTime held = clock.now();
    clock.start(seconds(0.5));
    EXPECT_LE(seconds(0.5), clock.now());
    EXPECT_LT(clock.now(), held);
}

TEST(AudioFeed, ConvertsTheTimelinesSoundToTheOutputsFormatAndSaysWhenItIsAllTaken) {
    TimelineAudioSource source;
    QAudioFormat format; // as a device that plays 48 kHz mono 16-bit only would ask
    format.setSampleRate(48000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    int drained = 0;
    AudioFeed feed(source, format, [&] { ++drained; });
    ASSERT_TRUE(feed.converts());
    source.start(std::make_shared<const std::vector<PlayerSegment>>(std::vector<PlayerSegment>{
                     {testMedia("hd30.mp4"), seconds(1), seconds(1.5)},
                     {testMedia("silent.mp4"), seconds(0), seconds(0.5)}}),
                 MediaTime::zero());
    feed.restart();

    std::vector<std::int16_t> played;
    std::vector<std::int16_t> block(960);
    ASSERT_TRUE(runUntil([&] {
        const qint64 bytes = feed.read(reinterpret_cast<char*>(block.data()), 960 * 2);
        played.insert(played.end(), block.begin(), block.begin() + bytes / 2);
        return bytes == 0 && drained > 0;
    }));
    EXPECT_EQ(drained, 1);
    EXPECT_TRUE(feed.atEnd());
    EXPECT_EQ(feed.deliveredFrames(), 44100);
    EXPECT_NEAR(static_cast<double>(played.size()), 48000.0, 64.0);
    // The tone, then the silent clip's silence.
    const auto loudest = [&](std::size_t from, std::size_t to) {
        int peak = 0;
        for (std::size_t i = from; i < std::min(to, played.size()); ++i)
            peak = std::max(peak, std::abs(static_cast<int>(played[i])));
        return peak;
    };
    EXPECT_GT(loudest(1000, 23000), 2000);
    EXPECT_EQ(loudest(25000, 48000), 0);
}

TEST(VideoFrameOutput, HandsThePictureOnScreenToTheSinkInRgb) {
    TimelinePlayer player;
    QVideoSink sink;
    VideoFrameOutput output;
    output.setVideoSink(&sink);
    output.setPlayer(&player);
    EXPECT_FALSE(sink.videoFrame().isValid());

    player.replaceCurrentItem({{testMedia("counter.mp4"), seconds(0), seconds(4)}});
    ASSERT_TRUE(seekAndWait(player, MediaTime{37, 30}));
    const QVideoFrame frame = sink.videoFrame();
    ASSERT_TRUE(frame.isValid());
    EXPECT_EQ(frame.pixelFormat(), QVideoFrameFormat::Format_BGRA8888);
    EXPECT_EQ(frame.size(), QSize(640, 360));
    EXPECT_EQ(frame.rotationAngle(), QVideoFrame::Rotation0);
    EXPECT_EQ(shownNumber(sink), 37);

    ASSERT_TRUE(seekAndWait(player, MediaTime{90, 30}));
    EXPECT_EQ(shownNumber(sink), 90);

    player.removeCurrentItem();
    EXPECT_FALSE(sink.videoFrame().isValid());
}

TEST(VideoFrameOutput, FollowsThePlayerItIsGivenAndEmptiesWhenItGoes) {
    QVideoSink sink;
    VideoFrameOutput output;
    output.setVideoSink(&sink);
    TimelinePlayer first;
    first.replaceCurrentItem({{testMedia("counter.mp4"), seconds(0), seconds(4)}});
    ASSERT_TRUE(seekAndWait(first, MediaTime{10, 30}));
    auto second = std::make_unique<TimelinePlayer>();
    second->replaceCurrentItem({{testMedia("counter.mp4"), seconds(0), seconds(4)}});
    ASSERT_TRUE(seekAndWait(*second, MediaTime{20, 30}));

    output.setPlayer(&first);
    EXPECT_EQ(shownNumber(sink), 10);
    output.setPlayer(second.get());
    EXPECT_EQ(shownNumber(sink), 20);
    ASSERT_TRUE(seekAndWait(first, MediaTime{30, 30}));
    EXPECT_EQ(shownNumber(sink), 20); // the player no longer shown

    second.reset();
    EXPECT_FALSE(sink.videoFrame().isValid());
}

// A counter picture converted by swscale into another layout, as other decoders deliver.
FramePtr inLayout(const AVFrame& picture, AVPixelFormat layout) {
    FramePtr converted = makeFrame();
    converted->format = layout;
    converted->width = picture.width;
    converted->height = picture.height;
    EXPECT_GE(av_frame_get_buffer(converted.get(), 0), 0);
    SwsContextPtr context(sws_getContext(
        picture.width, picture.height, static_cast<AVPixelFormat>(picture.format), picture.width,
        picture.height, layout, SWS_POINT, nullptr, nullptr, nullptr));
    sws_scale(context.get(), picture.data, picture.linesize, 0, picture.height, converted->data,
              converted->linesize);
    return converted;
}

TEST(VideoFrameConverter, ReadsEveryLayoutTheExportReads) {
    TimelinePlayer player;
    player.replaceCurrentItem({{testMedia("counter.mp4"), seconds(0), seconds(4)}});
    ASSERT_TRUE(seekAndWait(player, MediaTime{77, 30}));
    const AVFrame& decoded = *player.currentFrame()->picture;

    VideoFrameConverter converter;
    for (const AVPixelFormat layout : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV444P,
                                       AV_PIX_FMT_YUV420P10LE, AV_PIX_FMT_NV12, AV_PIX_FMT_BGRA}) {
        SCOPED_TRACE(av_get_pix_fmt_name(layout));
        const QVideoFrame frame = converter.convert(*inLayout(decoded, layout), 0);
        EXPECT_EQ(frame.size(), QSize(640, 360));
        EXPECT_EQ(shownNumber(frame), 77);
    }
}

// One flat colour in 4:2:0 of `width` × `height`.
FramePtr flatPicture(int width, int height, int y, int u, int v) {
    FramePtr picture = makeFrame();
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = width;
    picture->height = height;
    EXPECT_GE(av_frame_get_buffer(picture.get(), 0), 0);
    for (int row = 0; row < height; ++row)
        std::fill_n(picture->data[0] + row * picture->linesize[0], width, std::uint8_t(y));
    for (int row = 0; row < (height + 1) / 2; ++row) {
        std::fill_n(picture->data[1] + row * picture->linesize[1], (width + 1) / 2,
                    std::uint8_t(u));
        std::fill_n(picture->data[2] + row * picture->linesize[2], (width + 1) / 2,
                    std::uint8_t(v));
    }
    return picture;
}

QColor centreColour(QVideoFrame frame) {
    if (!frame.map(QVideoFrame::ReadOnly))
        return {};
    const uchar* pixel =
        frame.bits(0) + frame.height() / 2 * frame.bytesPerLine(0) + frame.width() / 2 * 4;
    const QColor colour(pixel[2], pixel[1], pixel[0]);
    frame.unmap();
    return colour;
}

// The colours the export reads: the clip's own matrix and range, and for an
// untagged clip BT.709 at HD sizes and BT.601 below.
TEST(VideoFrameConverter, ConvertsColoursWithTheExportsRules) {
    VideoFrameConverter converter;
    auto expectColour = [&](const AVFrame& picture, QColor want) {
        const QColor got = centreColour(converter.convert(picture, 0));
        EXPECT_NEAR(got.red(), want.red(), 3);
        EXPECT_NEAR(got.green(), want.green(), 3);
        EXPECT_NEAR(got.blue(), want.blue(), 3);
    };
    // Red as ffmpeg writes it from RGB by default (BT.601, video range), untagged.
    const FramePtr hd = flatPicture(1920, 1080, 81, 90, 240);
    {
        SCOPED_TRACE("untagged HD: BT.709");
        expectColour(*hd, QColor(255, 25, 0));
    }
    const FramePtr sd = flatPicture(640, 360, 81, 90, 240);
    {
        SCOPED_TRACE("untagged SD: BT.601");
        expectColour(*sd, QColor(255, 0, 0));
    }
    hd->colorspace = AVCOL_SPC_BT470BG;
    {
        SCOPED_TRACE("tagged HD: its own matrix");
        expectColour(*hd, QColor(255, 0, 0));
    }
    const FramePtr full = flatPicture(1920, 1080, 54, 99, 255);
    full->colorspace = AVCOL_SPC_BT709;
    full->color_range = AVCOL_RANGE_JPEG;
    {
        SCOPED_TRACE("full range BT.709");
        expectColour(*full, QColor(255, 0, 0));
    }
}

TEST(VideoFrameOutput, ShowsAPortraitRecordingUprightAtTheSizeOfItsView) {
    TimelinePlayer player;
    QVideoSink sink;
    VideoFrameOutput output;
    output.setVideoSink(&sink);
    output.setPlayer(&player);
    player.replaceCurrentItem({{testMedia("portrait.mp4"), seconds(0), seconds(2)}});
    ASSERT_TRUE(runUntil([&] { return sink.videoFrame().isValid(); }));

    const QVideoFrame frame = sink.videoFrame();
    EXPECT_EQ(frame.size(), QSize(640, 360)); // as stored
    EXPECT_EQ(frame.rotationAngle(), QVideoFrame::Rotation90);
    const QImage upright = frame.toImage();
    ASSERT_EQ(upright.size(), QSize(360, 640));
    std::ifstream file(testMedia("portrait-upright.bgra"), std::ios::binary);
    const std::vector<char> reference{std::istreambuf_iterator<char>(file), {}};
    ASSERT_EQ(reference.size(), std::size_t{360 * 640 * 4});
    const QImage expected(reinterpret_cast<const uchar*>(reference.data()), 360, 640,
                          QImage::Format_ARGB32);
    // Each quarter away from the colour borders: red, green and blue where FFmpeg puts them.
    const auto expectLikeReference = [&](const QImage& shown) {
        const double scale = shown.width() / 360.0;
        for (const QPoint at : {QPoint(90, 80), QPoint(270, 80), QPoint(90, 560), QPoint(270, 560),
                                QPoint(270, 400)}) {
            const QColor want = expected.pixelColor(at);
            const QColor got = shown.pixelColor((QPointF(at) * scale).toPoint());
            EXPECT_NEAR(got.red(), want.red(), 24) << at.x() << "," << at.y();
            EXPECT_NEAR(got.green(), want.green(), 24) << at.x() << "," << at.y();
            EXPECT_NEAR(got.blue(), want.blue(), 24) << at.x() << "," << at.y();
        }
    };
    expectLikeReference(upright);

    // In a view half its size, upright, the picture is converted at that size,
    // at once, and still upright and in its colours.
    output.setDisplaySize({180, 320});
    const QVideoFrame smaller = sink.videoFrame();
    EXPECT_EQ(smaller.size(), QSize(320, 180));
    EXPECT_EQ(smaller.rotationAngle(), QVideoFrame::Rotation90);
    ASSERT_EQ(smaller.toImage().size(), QSize(180, 320));
    expectLikeReference(smaller.toImage());
    // Never made larger than it is, nor out of proportion.
    output.setDisplaySize({1000, 1000});
    EXPECT_EQ(sink.videoFrame().size(), QSize(640, 360));
    output.setDisplaySize({1000, 90});
    EXPECT_EQ(sink.videoFrame().size(), QSize(90, 50)); // 50 × 90 upright
}

} // namespace
} // namespace kestrune
