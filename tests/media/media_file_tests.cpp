#include "fixtures/test_media.h"
#include "media/media_error.h"
#include "media/media_file.h"

#include <cstdio>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace kestrune {
namespace {

using test::testMedia;
using ::testing::AllOf;
using ::testing::HasSubstr;

TEST(MediaFile, CameraClipsHavePictureSoundLengthAndRate) {
    const MediaFile hd30(testMedia("hd30.mp4"));
    EXPECT_TRUE(hd30.hasVideo());
    EXPECT_TRUE(hd30.hasAudio());
    EXPECT_NE(hd30.videoStreamIndex(), hd30.audioStreamIndex());
    EXPECT_EQ(hd30.videoStream()->codecpar->codec_type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(hd30.audioStream()->codecpar->codec_type, AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(hd30.duration(), (MediaTime{3, 1}));
    EXPECT_EQ(hd30.codedWidth(), 1920);
    EXPECT_EQ(hd30.codedHeight(), 1080);
    EXPECT_EQ(hd30.displayWidth(), 1920);
    EXPECT_EQ(hd30.displayHeight(), 1080);
    EXPECT_EQ(hd30.rotation(), 0);
    EXPECT_DOUBLE_EQ(hd30.averageFrameRate(), 30.0);

    const MediaFile hd60(testMedia("hd60.mov"));
    EXPECT_TRUE(hd60.hasVideo());
    EXPECT_TRUE(hd60.hasAudio());
    EXPECT_EQ(hd60.duration(), (MediaTime{2, 1}));
    EXPECT_EQ(hd60.displayWidth(), 1280);
    EXPECT_EQ(hd60.displayHeight(), 720);
    EXPECT_DOUBLE_EQ(hd60.averageFrameRate(), 60.0);
}

TEST(MediaFile, PortraitRecordingIsShownTurnedAndUpright) {
    const MediaFile portrait(testMedia("portrait.mp4"));
    EXPECT_EQ(portrait.rotation(), 90);
    EXPECT_EQ(portrait.codedWidth(), 640);
    EXPECT_EQ(portrait.codedHeight(), 360);
    EXPECT_EQ(portrait.displayWidth(), 360);
    EXPECT_EQ(portrait.displayHeight(), 640);
    EXPECT_FALSE(portrait.hasAudio());
    EXPECT_EQ(portrait.audioStream(), nullptr);
}

TEST(MediaFile, MissingTracksAreReportedAsAbsent) {
    const MediaFile silent(testMedia("silent.mp4"));
    EXPECT_TRUE(silent.hasVideo());
    EXPECT_FALSE(silent.hasAudio());
    EXPECT_EQ(silent.audioStreamIndex(), -1);

    const MediaFile audioOnly(testMedia("audio-only.m4a"));
    EXPECT_FALSE(audioOnly.hasVideo());
    EXPECT_TRUE(audioOnly.hasAudio());
    EXPECT_EQ(audioOnly.videoStreamIndex(), -1);
    EXPECT_EQ(audioOnly.videoStream(), nullptr);
    EXPECT_EQ(audioOnly.duration(), (MediaTime{2, 1}));
    EXPECT_EQ(audioOnly.codedWidth(), 0);
    EXPECT_EQ(audioOnly.displayHeight(), 0);
    EXPECT_EQ(audioOnly.rotation(), 0);
    EXPECT_EQ(audioOnly.averageFrameRate(), 0.0);
}

TEST(MediaFile, FilesThatCannotBeReadFailWithTheirNameAndFFmpegsReason) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string missing = folder.filePath("gone.mp4").toStdString();
    try {
        MediaFile file(missing);
        ADD_FAILURE() << "opened a missing file";
    } catch (const MediaError& error) {
        EXPECT_THAT(error.what(),
                    AllOf(HasSubstr(missing), HasSubstr("No such file or directory")));
    }

    const std::string garbage = folder.filePath("notes.mp4").toStdString();
    std::ofstream(garbage) << "This is not a movie, only a text file with a movie's name.\n";
    try {
        MediaFile file(garbage);
        ADD_FAILURE() << "opened a text file";
    } catch (const MediaError& error) {
        EXPECT_THAT(error.what(), AllOf(HasSubstr(garbage), HasSubstr("Invalid data found")));
    }
    EXPECT_EQ(ffmpegErrorText(AVERROR(ENOENT)), "No such file or directory");
}

} // namespace
} // namespace kestrune
