// Reopening a stored project's files: moved files reported, clips without a
// reference left alone, stale references refreshed, sections past the end dropped;
// and letting go of the files when the project is closed.
#include "editing_test_support.h"

#include <QSignalSpy>

using namespace kestrune;
using namespace kestrune::test;

namespace {

using FileAccessTest = EditingTest;

TEST_F(FileAccessTest, LocatesPresentFilesAndReportsMissingOnesInClipOrder) {
    // In a folder of their own, so that the search for the missing ones stays
    // within the test's folder.
    ASSERT_TRUE(QDir(files.path()).mkpath("clips"));
    VideoClip a = clipOf("a.mp4", 2, copyOf("silent.mp4", "clips/a.mp4"));
    VideoClip b = clipOf("b.mp4", 2, copyOf("silent.mp4", "clips/b.mp4"));
    VideoClip c = clipOf("c.mp4", 2, copyOf("silent.mp4", "clips/c.mp4"));
    VideoClip unreferenced = clipOf("d.mp4", 2);
    VideoClip damaged = clipOf("e.mp4", 2);
    damaged.bookmarkData = std::vector<std::uint8_t>{1, 2, 3};
    ASSERT_TRUE(QFile::rename(files.filePath("clips/c.mp4"), files.filePath("clips/moved-c.mp4")));
    ASSERT_TRUE(QFile::remove(files.filePath("clips/a.mp4")));
    const Project project = projectOf({a, b, c, unreferenced, damaged});
    model->setProject(project);
    model->restoreFileAccess();

    EXPECT_EQ(model->missingClipIds(),
              (std::vector<Uuid>{a.id, c.id, unreferenced.id, damaged.id}));
    EXPECT_EQ(model->missingClipsText(), "4 clips can't be found");
    // The search for them finds nothing: c.mp4 was renamed, a.mp4 is gone.
    EXPECT_TRUE(model->searchingForClips());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->searchingForClips(); }, 10000));
    EXPECT_FALSE(model->canUndo());
    ASSERT_EQ(model->clipPaths().size(), 1u);
    EXPECT_EQ(model->clipPaths().at(b.id), files.filePath("clips/b.mp4"));
    // Missing clips stay in the project, untouched and unsaved.
    EXPECT_EQ(model->project(), project);
    EXPECT_FALSE(model->autosavePending());
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->thumbnails().count(b.id) == 1; }, 5000));
    EXPECT_EQ(model->thumbnails().size(), 1u);
    EXPECT_TRUE(
        model->clips()->data(model->clips()->index(1), ClipListModel::LocatedRole).toBool());
    EXPECT_FALSE(
        model->clips()->data(model->clips()->index(0), ClipListModel::LocatedRole).toBool());

    // Nothing missing: nothing reported.
    auto other = makeModel();
    other->setProject(projectOf({b}));
    other->restoreFileAccess();
    EXPECT_EQ(other->missingClipCount(), 0);
    EXPECT_FALSE(other->searchingForClips());
}

TEST_F(FileAccessTest, StaleReferencesAreMadeAgainAndSavedWithoutStampingTheProject) {
    const QString replacedPath = copyOf("silent.mp4", "replaced.mp4");
    const QString editedPath = copyOf("counter.mp4", "edited.mp4");
    VideoClip replaced = clipOf("replaced.mp4", 2, replacedPath);
    VideoClip edited = clipOf("edited.mp4", 2, editedPath);
    // Another file at the same path, and the same file changed in place.
    copyOf("hd60.mov", "replaced.mp4");
    QFile file(editedPath);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("x");
    file.close();
    const Project project = projectOf({replaced, edited});
    model->setProject(project);
    model->restoreFileAccess();

    EXPECT_FALSE(model->importError());
    EXPECT_EQ(model->clipPaths().size(), 2u);
    EXPECT_EQ(model->project().updatedAt, project.updatedAt);
    for (const auto& clip : model->project().clips) {
        const auto fresh = FileReference::decode(*clip.bookmarkData);
        ASSERT_TRUE(fresh);
        EXPECT_FALSE(fresh->resolve()->isStale) << clip.fileName;
    }
    EXPECT_TRUE(model->autosavePending());
    QSignalSpy saved(model.get(), &ProjectViewModel::autosaved);
    ASSERT_TRUE(saved.wait(2000));
    const Project written = store.load(project.id);
    EXPECT_EQ(written.clips, model->project().clips);
    EXPECT_EQ(written.updatedAt, project.updatedAt);
}

TEST_F(FileAccessTest, SectionsPastTheEndAreDroppedOnOpening) {
    Project project = projectOf({clipOf("a.mp4", 2), clipOf("b.mp4", 3)});
    project.clips[1].trimIn = 1; // 4 s in all
    project.sections = {{Uuid::generate(), "Start", "", 0},
                        {Uuid::generate(), "Late", "", 3.9},
                        {Uuid::generate(), "At the end", "", 4},
                        {Uuid::generate(), "Beyond", "", 10}};
    model->setProject(project);
    model->restoreFileAccess();
    ASSERT_EQ(model->project().sections.size(), 2u);
    EXPECT_EQ(model->project().sections[0].title, "Start");
    EXPECT_EQ(model->project().sections[1].title, "Late");
    EXPECT_EQ(model->sections()->rowCount(), 2);
    EXPECT_EQ(model->project().updatedAt, project.updatedAt);
    EXPECT_FALSE(model->autosavePending());

    Project empty = projectOf({});
    empty.sections = project.sections;
    auto other = makeModel();
    other->setProject(empty);
    other->restoreFileAccess();
    EXPECT_TRUE(other->project().sections.empty());
}

TEST_F(FileAccessTest, ReleasingForgetsTheFilesAndDropsThePendingSave) {
    std::vector<VideoClip> clips;
    for (const char* name : {"one.mp4", "two.mp4", "three.mp4"})
        clips.push_back(clipOf(name, 2, copyOf("silent.mp4", name)));
    const Project project = projectOf(clips);
    model->setProject(project);
    model->restoreFileAccess();
    ASSERT_EQ(model->clipPaths().size(), 3u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->thumbnails().size() == 3; }, 5000));
    model->setSidebarOverlay(false);
    ASSERT_TRUE(model->autosavePending());

    QSignalSpy changed(model.get(), &ProjectViewModel::clipPathsChanged);
    model->releaseFileAccess();
    EXPECT_TRUE(model->clipPaths().empty());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(model->thumbnails().size(), 3u);
    EXPECT_EQ(model->project().clips.size(), 3u);
    EXPECT_FALSE(model->autosavePending());
    QTest::qWait(ProjectViewModel::kAutosaveDelayMs + 100);
    EXPECT_FALSE(stored(project));
}

} // namespace

TEST_F(FileAccessTest, MovedClipsAreFoundOnOpeningAndRelinkedAsOneStep) {
    ASSERT_TRUE(QDir(files.path()).mkpath("day1"));
    std::vector<VideoClip> clips;
    for (const char* name : {"day1/a.mp4", "day1/b.mp4", "day1/c.mp4"})
        clips.push_back(
            clipOf(QFileInfo(name).fileName().toStdString(), 2, copyOf("silent.mp4", name)));
    for (auto& clip : clips)
        clip.fileSize =
            QFileInfo(files.filePath("day1/" + QString::fromStdString(clip.fileName))).size();
    // The folder is renamed after the project was made.
    ASSERT_TRUE(QDir(files.path()).rename("day1", "2026-12-01 day one"));
    const Project project = projectOf(clips);
    model->setProject(project);
    model->restoreFileAccess();
    EXPECT_EQ(model->missingClipCount(), 3);

    ASSERT_TRUE(QTest::qWaitFor([&] { return model->missingClipCount() == 0; }, 10000));
    EXPECT_FALSE(model->searchingForClips());
    EXPECT_EQ(model->clipPaths().at(clips[2].id), files.filePath("2026-12-01 day one/c.mp4"));
    EXPECT_EQ(model->undoText(), "Undo Relink Clips");
    EXPECT_TRUE(model->autosavePending());

    model->undo();
    EXPECT_EQ(model->missingClipCount(), 3);
    EXPECT_TRUE(model->clipPaths().empty());
    model->redo();
    EXPECT_EQ(model->missingClipCount(), 0);
    EXPECT_EQ(model->clipPaths().size(), 3u);
}
