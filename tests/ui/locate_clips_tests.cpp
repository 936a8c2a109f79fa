// "Locate…" over the real editing model and real files: a file that is not the
// recorded one is taken only once the user says so, the other missing clips are
// found beside it, and what could not be used or had to change is said.
#include "editing/project_view_model.h"
#include "editing/video_metadata.h"
#include "fixtures/test_media.h"
#include "model/file_reference.h"
#include "ui/locate_clips_model.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace kestrune {
namespace {

class LocateClipsTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    ProjectStore store{folder.filePath("data")};
    ProjectViewModel model{store};
    LocateClipsModel locator;

    LocateClipsTest() { locator.setProjectVM(&model); }

    QString copyOf(const char* clip, const QString& relativePath) {
        const QString path = folder.filePath(relativePath);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        EXPECT_TRUE(QFile::copy(QString::fromStdString(test::testMedia(clip)), path));
        return path;
    }

    // A clip of the file at `path` as an import records it.
    static VideoClip clipOf(const QString& path) {
        const VideoMetadata metadata = loadVideoMetadata(path.toStdString());
        VideoClip clip;
        clip.id = Uuid::generate();
        clip.fileName = QFileInfo(path).fileName().toStdString();
        clip.fileSize = metadata.fileSize;
        clip.duration = metadata.duration;
        clip.width = metadata.width;
        clip.height = metadata.height;
        clip.bookmarkData = FileReference::make(path.toStdString())->encode();
        return clip;
    }

    // Opens `clips` as a project and waits for the search that opening starts.
    void open(std::vector<VideoClip> clips) {
        Project project = Project::untitled();
        for (std::size_t i = 0; i < clips.size(); ++i)
            clips[i].order = static_cast<int>(i);
        project.clips = std::move(clips);
        model.setProject(project);
        model.restoreFileAccess();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.searchingForClips(); }, 10000));
    }

    void choose(const QString& relativePath) {
        locator.choose(QUrl::fromLocalFile(folder.filePath(relativePath)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !locator.busy(); }, 10000));
    }
};

TEST_F(LocateClipsTest, ARenamedFileIsTakenOnceConfirmedAndBringsItsNeighboursBack) {
    const VideoClip a = clipOf(copyOf("silent.mp4", "shoot/old/a.mp4"));
    const VideoClip b = clipOf(copyOf("hd60.mov", "shoot/old/b.mov"));
    // Too far from the old folder for the search on opening.
    ASSERT_TRUE(QDir().mkpath(folder.filePath("archive/2026")));
    ASSERT_TRUE(QDir().rename(folder.filePath("shoot/old"), folder.filePath("archive/2026/new")));
    ASSERT_TRUE(QFile::rename(folder.filePath("archive/2026/new/a.mp4"),
                              folder.filePath("archive/2026/new/a renamed.mp4")));
    open({a, b});
    EXPECT_EQ(model.missingClipCount(), 2);

    ASSERT_TRUE(locator.begin());
    EXPECT_EQ(locator.panelTitle(), "Locate “a.mp4”");
    // The old folder is gone; the panel opens in the nearest one still there.
    EXPECT_EQ(locator.startFolder(), QUrl::fromLocalFile(folder.filePath("shoot")));
    choose("archive/2026/new/a renamed.mp4");
    EXPECT_EQ(locator.question(),
              "This file is named “a renamed.mp4”; the clip's file was “a.mp4”. Use it anyway?");
    EXPECT_EQ(model.missingClipCount(), 2);

    locator.answer(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.missingClipCount() == 0; }, 10000));
    EXPECT_EQ(model.project().clips[0].fileName, "a renamed.mp4");
    EXPECT_EQ(model.clipPaths().at(b.id), folder.filePath("archive/2026/new/b.mov"));
    EXPECT_EQ(model.undoText(), "Undo Relink Clips");
    EXPECT_TRUE(locator.message().isEmpty());
    model.undo();
    EXPECT_EQ(model.missingClipCount(), 2);
}

TEST_F(LocateClipsTest, AnotherLengthIsAskedAboutAndATrimPastItsEndShortened) {
    // Deep enough that the search on opening stays within the test's folder.
    VideoClip talk = clipOf(copyOf("talk.mp4", "deep/shoot/talk.mp4")); // 3 s
    talk.trimIn = 0.5;
    talk.trimOut = 2.8;
    QFile::remove(folder.filePath("deep/shoot/talk.mp4"));
    copyOf("silent.mp4", "elsewhere/silent.mp4"); // 2 s
    QFile notes(folder.filePath("elsewhere/notes.mp4"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a video");
    notes.close();
    open({talk});

    ASSERT_TRUE(locator.begin());
    choose("elsewhere/notes.mp4");
    EXPECT_TRUE(locator.message().startsWith("“notes.mp4” cannot be used: "))
        << locator.message().toStdString();
    EXPECT_TRUE(locator.question().isEmpty());

    choose("elsewhere/silent.mp4");
    EXPECT_EQ(locator.question(), "This file is 0:02 long; the clip was 0:03. Use it anyway?");
    locator.answer(false);
    EXPECT_EQ(model.missingClipCount(), 1);
    EXPECT_FALSE(model.canUndo());

    choose("elsewhere/silent.mp4");
    locator.answer(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.missingClipCount() == 0; }, 10000));
    EXPECT_EQ(locator.message(), "The trim of silent.mp4 was shortened to fit the new file.");
    EXPECT_EQ(model.project().clips[0].trimIn, 0.5);
    EXPECT_LE(*model.project().clips[0].trimOut, 2.1);
}

} // namespace
} // namespace kestrune
