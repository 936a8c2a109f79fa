#include "fixtures/counter_frames.h"
#include "fixtures/test_media.h"
#include "media/media_error.h"
#include "media/video_frame_reader.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace kestrune {
namespace {

using test::paintedFrameNumber;
using test::testMedia;

struct ReadFrame {
    int number;
    MediaTime time;
};

std::vector<ReadFrame> readCounter(MediaTime start, MediaTime end,
                                   const std::string& name = "counter.mp4") {
    VideoFrameReader reader(testMedia(name), start, end);
    std::vector<ReadFrame> frames;
    while (std::optional<DecodedFrame> frame = reader.next())
        frames.push_back({paintedFrameNumber(*frame->frame), frame->time});
    // The end stays the end.
    EXPECT_FALSE(reader.next());
    return frames;
}

MediaTime seconds(double value) {
    return MediaTime::fromSeconds(value, 600);
}

TEST(VideoFrameReader, ReadsEachFrameOfTheRangeWithItsExactTime) {
    const std::vector<ReadFrame> frames = readCounter(MediaTime{1, 1}, MediaTime{2, 1});
    ASSERT_EQ(frames.size(), 30u);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(frames[i].number, 30 + i);
        EXPECT_EQ(frames[i].time, (MediaTime{30 + i, 30})) << "frame " << 30 + i;
    }
}

TEST(VideoFrameReader, RangeStartsWithTheFrameOnScreenAndLeavesOutTheFrameAtItsEnd) {
    // 1.01 s falls within frame 30 (1.0 s to 1.033 s); 1.2 s is frame 36's time.
    std::vector<ReadFrame> frames = readCounter(seconds(1.01), seconds(1.2));
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(frames.front().number, 30);
    EXPECT_EQ(frames.front().time, (MediaTime{1, 1}));
    EXPECT_EQ(frames.back().number, 35);

    // From the start of the file.
    frames = readCounter(MediaTime::zero(), seconds(0.1));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].number, 0);
    EXPECT_EQ(frames[0].time, MediaTime::zero());
    EXPECT_EQ(frames[2].number, 2);

    // Key frames are 30 frames apart: frame 89 is the last of its group and
    // frame 90 starts the next one.
    frames = readCounter(seconds(2.99), MediaTime{3, 1});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].number, 89);
    frames = readCounter(MediaTime{3, 1}, seconds(3.05));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].number, 90);
}

TEST(VideoFrameReader, RangesReachingPastTheEndStopAtTheLastFrame) {
    std::vector<ReadFrame> frames = readCounter(seconds(3.5), MediaTime{10, 1});
    ASSERT_EQ(frames.size(), 15u);
    EXPECT_EQ(frames.front().number, 105);
    // The decoder's last frames come out when it is drained at the end of the file.
    EXPECT_EQ(frames.back().number, 119);
    EXPECT_EQ(frames.back().time, (MediaTime{119, 30}));

    EXPECT_TRUE(readCounter(MediaTime{5, 1}, MediaTime{6, 1}).empty());
    EXPECT_TRUE(readCounter(MediaTime{1, 1}, MediaTime{1, 1}).empty());
    EXPECT_TRUE(readCounter(MediaTime{2, 1}, MediaTime{1, 1}).empty());
}

TEST(VideoFrameReader, FindsTheStartInFilesWithoutAKeyFrameIndex) {
    // MPEG-TS: seeking lands near a key frame, sometimes after the start or on
    // pictures that cannot be decoded; the reader has to look further back.
    const std::vector<ReadFrame> first =
        readCounter(MediaTime::zero(), MediaTime{2, 1}, "counter.ts");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0].number, 0);
    const MediaTime origin = first[0].time;
    for (int number : {1, 29, 30, 59, 75, 95, 118}) {
        const MediaTime start = origin + MediaTime{number, 30};
        const std::vector<ReadFrame> frames =
            readCounter(start, start + MediaTime{1, 30}, "counter.ts");
        ASSERT_EQ(frames.size(), 1u) << "frame " << number;
        EXPECT_EQ(frames[0].number, number);
        EXPECT_EQ(frames[0].time, start);
    }
}

TEST(VideoFrameReader, NeedsAVideoTrack) {
    const std::string path = testMedia("audio-only.m4a");
    try {
        VideoFrameReader reader(path, MediaTime::zero(), MediaTime{1, 1});
        ADD_FAILURE() << "read pictures from a sound file";
    } catch (const MediaError& error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr(path));
    }
}

// A copy of a test clip in a folder of the test's own, for damaging.
class DamagedClip : public ::testing::Test {
protected:
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kestrune-damaged-" + std::to_string(::getpid()));
    std::string path = (folder / "cut.mp4").string();

    void SetUp() override {
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(testMedia("talk.mp4"), path,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Every frame of [start, end), or the reader's error.
    std::vector<MediaTime> readAll(MediaTime start, MediaTime end,
                                   DamagedMedia onDamage = DamagedMedia::fail,
                                   std::string* error = nullptr) {
        std::vector<MediaTime> times;
        try {
            VideoFrameReader reader(path, start, end, onDamage);
            while (std::optional<DecodedFrame> frame = reader.next())
                times.push_back(frame->time);
        } catch (const MediaError& failure) {
            if (error)
                *error = failure.what();
        }
        return times;
    }
};

TEST_F(DamagedClip, AFileCutShortIsReportedWhereItEndsButStillPreviews) {
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    std::string error;
    readAll(MediaTime::zero(), seconds(3), DamagedMedia::fail, &error);
    EXPECT_THAT(error, ::testing::MatchesRegex(
                           "\"cut.mp4\" is damaged: its picture ends at 1\\.[0-9]+ s of 3.00 s"));
    // A preview shows it up to the cut.
    error.clear();
    const std::vector<MediaTime> shown =
        readAll(MediaTime::zero(), seconds(3), DamagedMedia::tolerate, &error);
    EXPECT_EQ(error, "");
    ASSERT_FALSE(shown.empty());
    EXPECT_GT(shown.back().seconds(), 1.0);
}

TEST_F(DamagedClip, PicturesThatCannotBeDecodedInTheMiddleAreDamage) {
    // Blank out the pictures from 1.0 s to 2.5 s where they lie in the file.
    const std::string command =
        "ffprobe -v error -select_streams v -show_entries packet=pts_time,size,pos -of csv=p=0 '" +
        path + "'";
    FILE* packets = ::popen(command.c_str(), "r");
    ASSERT_TRUE(packets);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    double time = 0;
    long size = 0, position = 0;
    int blanked = 0;
    while (std::fscanf(packets, "%lf,%ld,%ld", &time, &size, &position) == 3) {
        if (time > 1.0 && time < 2.5) {
            file.seekp(position);
            file << std::string(static_cast<std::size_t>(size), '\0');
            ++blanked;
        }
    }
    ::pclose(packets);
    file.close();
    ASSERT_GT(blanked, 40);
    std::string error;
    readAll(MediaTime::zero(), seconds(3), DamagedMedia::fail, &error);
    EXPECT_THAT(error, ::testing::HasSubstr("\"cut.mp4\" is damaged"));
}

} // namespace
} // namespace kestrune
