// Proxies made from real clips (made here with the ffmpeg tool) and read back
// through the same reader the preview uses.
#include "fixtures/counter_frames.h"
#include "fixtures/test_media.h"
#include "media/audio_sample_reader.h"
#include "media/media_file.h"
#include "media/proxy_maker.h"
#include "media/proxy_need.h"
#include "media/video_frame_reader.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace kestrune {
namespace {

using test::testMedia;

const MediaTime kEnd{1'000'000, 1};

struct ShownFrame {
    MediaTime time;
    int number; // painted by the counter clip; −1 when unreadable
};

std::vector<ShownFrame> frames(const std::string& path) {
    VideoFrameReader reader(path, MediaTime::zero(), kEnd);
    std::vector<ShownFrame> shown;
    while (std::optional<DecodedFrame> frame = reader.next())
        shown.push_back({frame->time, test::paintedFrameNumber(*frame->frame)});
    return shown;
}

// Where the sound first rises above silence, in samples at 44.1 kHz.
std::int64_t soundOnset(const std::string& path) {
    AudioSampleReader reader(path, MediaTime::zero(), kEnd);
    while (std::optional<AudioChunk> chunk = reader.next())
        for (int i = 0; i < chunk->frames; ++i)
            if (std::abs(chunk->samples[2 * i]) > 0.01f)
                return chunk->time.value + i;
    return -1;
}

void ffmpeg(const std::string& arguments) {
    const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y " + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

class ProxyMaking : public ::testing::Test {
protected:
    static inline std::filesystem::path folder;

    static void SetUpTestSuite() {
        folder = std::filesystem::temp_directory_path() /
                 ("kestrune-proxy-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::string counter = quoted(testMedia("counter.mp4"));
        // B-frames reorder decoding against presentation, with sound, at film's
        // 23.976 frames a second, whose frame times no 90 kHz clock holds.
        ffmpeg("-i " + counter + " -f lavfi -i sine=f=440:r=48000:d=4 -r 24000/1001 " +
               "-c:v libx264 -preset fast -bf 3 -g 24 -crf 12 -pix_fmt yuv420p -c:a aac " +
               "-shortest " + quoted(in("bframes.mp4")));
        // The same starting 0.37 s late (an edit list), in another time base.
        ffmpeg("-itsoffset 0.37 -i " + quoted(in("bframes.mp4")) +
               " -c copy -video_track_timescale 600 " + quoted(in("late.mp4")));
        // Frames at uneven times: 25 a second at first, then 10 a second.
        ffmpeg("-i " + counter +
               " -vf \"settb=1/1000,setpts='if(lt(N,20),N*0.04,0.8+(N-20)*0.1)/TB'\" -fps_mode "
               "passthrough -enc_time_base:v 1/1000 "
               "-c:v libx264 -preset fast -bf 2 -crf 12 -pix_fmt yuv420p " +
               quoted(in("uneven.mp4")));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(folder); }

    static std::string in(const std::string& name) { return (folder / name).string(); }

    ProxyOutcome make(const std::string& source, const std::string& target,
                      std::stop_token stop = {}) {
        return makeProxy(source, target, stop);
    }
};

TEST(ProxySize, FitsTheLongerSideKeepsTheShapeAndNeverEnlarges) {
    EXPECT_EQ(proxySize(3840, 2160), (ProxySize{1280, 720}));
    EXPECT_EQ(proxySize(2160, 3840), (ProxySize{720, 1280}));
    EXPECT_EQ(proxySize(640, 360), (ProxySize{640, 360}));
    // Odd sides become even, which 4:2:0 pictures need.
    EXPECT_EQ(proxySize(1919, 1079), (ProxySize{1280, 720}));
    EXPECT_EQ(proxySize(5, 3), (ProxySize{6, 4}));
    EXPECT_EQ(proxySize(0, 0), (ProxySize{2, 2}));
}

TEST_F(ProxyMaking, EveryFrameKeepsItsTimeAndPicture) {
    for (const char* name : {"bframes.mp4", "late.mp4", "uneven.mp4"}) {
        SCOPED_TRACE(name);
        const std::string proxy = in(std::string("proxy-") + name);
        const ProxyOutcome outcome = make(in(name), proxy);
        ASSERT_EQ(outcome.status, ProxyOutcome::Status::completed) << outcome.error;

        const std::vector<ShownFrame> original = frames(in(name));
        const std::vector<ShownFrame> copy = frames(proxy);
        ASSERT_EQ(copy.size(), original.size());
        ASSERT_GT(original.size(), 20u);
        for (std::size_t i = 0; i < original.size(); ++i) {
            EXPECT_EQ(copy[i].time, original[i].time)
                << "frame " << i << " of the original at " << original[i].time.seconds() << " s";
            EXPECT_EQ(copy[i].number, original[i].number) << "frame " << i;
        }
        // Light to decode: H.264 without B-frames, sound kept.
        const MediaFile file(proxy);
        EXPECT_EQ(file.videoStream()->codecpar->codec_id, AV_CODEC_ID_H264);
        EXPECT_EQ(file.videoStream()->codecpar->video_delay, 0);
        EXPECT_EQ(file.hasAudio(), MediaFile(in(name)).hasAudio());
        if (file.hasAudio()) { // the sound starts where it did, to the sample
            EXPECT_NEAR(soundOnset(proxy), soundOnset(in(name)), 2);
        }
    }
    EXPECT_EQ(frames(in("late.mp4")).front().time, (MediaTime{37, 100}))
        << "the clip does not start late, so the test proves nothing";
}

TEST_F(ProxyMaking, APortraitClipIsStoredUpright) {
    const std::string proxy = in("portrait-proxy.mp4");
    ASSERT_EQ(make(testMedia("portrait.mp4"), proxy).status, ProxyOutcome::Status::completed);
    const MediaFile file(proxy);
    EXPECT_EQ(file.rotation(), 0);
    EXPECT_EQ(file.codedWidth(), 360);
    EXPECT_EQ(file.codedHeight(), 640);
    // The original shown turned a quarter clockwise: blue on the left, red above
    // green on the right.
    VideoFrameReader reader(proxy, MediaTime::zero(), kEnd);
    const std::optional<DecodedFrame> first = reader.next();
    ASSERT_TRUE(first);
    const AVFrame& picture = *first->frame;
    auto luma = [&](int x, int y) { return picture.data[0][y * picture.linesize[0] + x]; };
    auto red = [&](int x, int y) { return picture.data[2][(y / 2) * picture.linesize[2] + x / 2]; };
    EXPECT_LT(luma(90, 320), 50);   // blue is dark
    EXPECT_GT(red(270, 160), 200);  // red: high Cr
    EXPECT_GT(luma(270, 480), 120); // green is bright
}

// An HDR phone clip above 1080p30 always gets a proxy, whatever the decoder's
// speed, and the proxy is SDR: its grey at HDR reference white comes out near
// white, not the 180 of the signal read as SDR.
TEST_F(ProxyMaking, AnHdrClipAboveFullHdAlwaysGetsAnSdrProxy) {
    const std::string clip = in("hlg-1080p60.mp4");
    ffmpeg("-f lavfi -i color=c=0xBFBFBF:s=1920x1080:r=60:d=0.5 -c:v libx264 -preset ultrafast "
           "-pix_fmt yuv420p10le -color_primaries bt2020 -color_trc arib-std-b67 "
           "-colorspace bt2020nc " +
           quoted(clip));
    EXPECT_TRUE(needsProxy(clip));
    EXPECT_FALSE(needsProxy(testMedia("hlg.mp4"))) << "a small HDR clip plays as it is";

    const std::string proxy = in("hlg-proxy.mp4");
    ASSERT_EQ(make(clip, proxy).status, ProxyOutcome::Status::completed);
    const MediaFile file(proxy);
    EXPECT_EQ(file.videoStream()->codecpar->color_trc, AVCOL_TRC_BT709);
    VideoFrameReader reader(proxy, MediaTime::zero(), kEnd);
    const std::optional<DecodedFrame> first = reader.next();
    ASSERT_TRUE(first);
    EXPECT_NEAR(first->frame->data[0][360 * first->frame->linesize[0] + 640], 224, 8);
}

TEST_F(ProxyMaking, AStoppedOrFailedMakingLeavesNothing) {
    const std::string target = in("stopped.mp4");
    std::stop_source stop;
    int calls = 0;
    const ProxyOutcome stopped =
        makeProxy(testMedia("hd30.mp4"), target, stop.get_token(), [&](double) {
            if (++calls == 3)
                stop.request_stop();
        });
    EXPECT_EQ(stopped.status, ProxyOutcome::Status::cancelled);
    EXPECT_FALSE(std::filesystem::exists(target));

    const ProxyOutcome failed = make(testMedia("audio-only.m4a"), target);
    EXPECT_EQ(failed.status, ProxyOutcome::Status::failed);
    EXPECT_FALSE(failed.error.empty());
    EXPECT_FALSE(std::filesystem::exists(target));
}

} // namespace
} // namespace kestrune
