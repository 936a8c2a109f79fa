// Checking the clip files before an export: one result per clip, the first
// failing check's reason, and the log lines that trace it.
#include "export/file_access_validator.h"
#include "fixtures/test_media.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

using namespace kestrune;

namespace {

VideoClip clipNamed(const std::string& fileName) {
    VideoClip clip;
    clip.id = Uuid::generate();
    clip.fileName = fileName;
    return clip;
}

std::string pathOf(const QString& path) {
    return path.toStdString();
}

} // namespace

TEST(FileAccessValidatorTest, ReportsEachClipInOrderWithTheFirstFailingCheck) {
    QTemporaryDir folder;
    const QString deletedPath = folder.filePath("deleted.mp4");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(test::testMedia("portrait.mp4")), deletedPath));
    ASSERT_TRUE(QFile::remove(deletedPath));
    QFile notVideo(folder.filePath("notes.mp4"));
    ASSERT_TRUE(notVideo.open(QIODevice::WriteOnly));
    notVideo.write("plain text, not a movie");
    notVideo.close();
    const QString pipe = folder.filePath("pipe.mp4");
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);

    const VideoClip good = clipNamed("portrait.mp4");
    const VideoClip deleted = clipNamed("deleted.mp4");
    const VideoClip sound = clipNamed("audio-only.m4a");
    const VideoClip unresolved = clipNamed("lost.mp4");
    const VideoClip garbage = clipNamed("notes.mp4");
    const VideoClip folderClip = clipNamed("folder.mp4");
    const VideoClip blank = clipNamed("blank.mp4");
    const std::map<Uuid, std::string> paths{
        {good.id, test::testMedia("portrait.mp4")},    {deleted.id, pathOf(deletedPath)},
        {sound.id, test::testMedia("audio-only.m4a")}, {garbage.id, pathOf(notVideo.fileName())},
        {folderClip.id, pathOf(folder.path())},        {blank.id, ""},
    };

    const auto results = FileAccessValidator::validate(
        {good, deleted, sound, unresolved, garbage, folderClip, blank}, paths);
    ASSERT_EQ(results.size(), 7u);

    EXPECT_EQ(results[0], (ValidationResult{good.id, "portrait.mp4", paths.at(good.id), {}, 2.0}));
    EXPECT_EQ(results[1].clipId, deleted.id);
    EXPECT_EQ(results[1].path, paths.at(deleted.id));
    EXPECT_EQ(results[1].error, FileAccessError::fileNotReadable);
    EXPECT_EQ(description(*results[1].error), "File is missing or not readable");
    EXPECT_EQ(results[2].error, FileAccessError::fileNotOpenableAsAsset);
    EXPECT_EQ(description(*results[2].error), "File cannot be opened as a video");
    EXPECT_EQ(results[3], (ValidationResult{unresolved.id, "lost.mp4", std::nullopt,
                                            FileAccessError::noBookmarkData}));
    EXPECT_EQ(description(FileAccessError::noBookmarkData), "No saved file reference");
    EXPECT_EQ(results[4].error, FileAccessError::fileNotOpenableAsAsset);
    EXPECT_EQ(results[4].path, paths.at(garbage.id));
    // A folder, and a named pipe that opening would wait on forever.
    EXPECT_EQ(results[5].error, FileAccessError::fileNotOpenableAsAsset);
    EXPECT_EQ(FileAccessValidator::validateClip(clipNamed("pipe.mp4"), pathOf(pipe)).error,
              FileAccessError::fileNotOpenableAsAsset);
    // An empty path names no file.
    EXPECT_EQ(results[6].error, FileAccessError::fileNotReadable);
}
