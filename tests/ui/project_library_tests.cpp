// The project library's list over a real store and shell: what it lists and
// how the search narrows it, the card texts, rename, duplicate and delete, and
// the card pictures decoded from real clips in the background.
#include "app/kestrune_app.h"
#include "fixtures/counter_clip.h"
#include "ui/project_library.h"

#include <gtest/gtest.h>
#include <memory>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

namespace kestrune {
namespace {

// counter.mp4 paints its frame number as ten bars, bar k white when bit k is
// set; the thumbnail is the frame scaled down, bars and all.
int paintedFrameNumber(const QImage& thumbnail) {
    const double scale = thumbnail.width() / 640.0;
    int number = 0;
    for (int bit = 0; bit < 10; ++bit) {
        const int luma = qGray(thumbnail.pixel(static_cast<int>((64 * bit + 32) * scale),
                                               static_cast<int>(90 * scale)));
        if (luma > 50 && luma < 200)
            return -1;
        if (luma >= 200)
            number |= 1 << bit;
    }
    return number;
}

class ProjectLibraryTest : public ::testing::Test {
protected:
    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path() + "/Kestrune"};
    KestruneApp app{store, PlaybackManager::ClockFactory{}};
    ProjectLibrary library;

    void SetUp() override { library.setApp(&app); }

    // Finishes the pictures still being decoded before the store goes away.
    void TearDown() override { waitForThumbnails(); }

    // A stored project of counter.mp4 clips starting at `trimIns`, changed
    // `minutesAgo` minutes ago.
    Project save(const std::string& name, std::vector<double> trimIns = {}, int minutesAgo = 0,
                 const std::string& clipPath = test::testMedia("counter.mp4")) {
        Project project = Project::untitled();
        project.name = name;
        project.updatedAt.secondsSinceReference -= 60.0 * minutesAgo;
        for (double trimIn : trimIns) {
            VideoClip clip = test::counterClip(static_cast<int>(project.clips.size()), clipPath);
            clip.trimIn = trimIn;
            project.clips.push_back(clip);
        }
        EXPECT_TRUE(store.save(project));
        return project;
    }

    static QString idText(const Uuid& id) { return QString::fromStdString(id.toString()); }

    QVariant role(int row, ProjectLibrary::Role role) const {
        return library.data(library.index(row), role);
    }
    std::vector<QString> shownNames() const {
        std::vector<QString> names;
        for (int row = 0; row < library.rowCount(); ++row)
            names.push_back(role(row, ProjectLibrary::NameRole).toString());
        return names;
    }
    int rowOf(const Uuid& id) const {
        for (int row = 0; row < library.rowCount(); ++row)
            if (role(row, ProjectLibrary::ProjectIdRole).toString() == idText(id))
                return row;
        return -1;
    }
    QImage thumbnailOf(const Uuid& id) const {
        return role(rowOf(id), ProjectLibrary::ThumbnailRole).value<QImage>();
    }

    void waitForThumbnails() {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !library.loadingThumbnails(); }));
    }
};

TEST_F(ProjectLibraryTest, ListsTheStoredProjectsNewestFirstWithTheirCardTexts) {
    library.reload();
    EXPECT_FALSE(library.hasProjects());
    EXPECT_EQ(library.rowCount(), 0);

    const Project empty = save("Empty", {}, 0);
    const Project single = save("Single", {1}, 2);
    save("Triple", {0, 0, 0}, 5);
    // A file that is not a project stays out of the list.
    QFile damaged(store.projectFilePath(Uuid::generate()));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("{\"id\": \"not a project");
    damaged.close();

    library.reload();
    EXPECT_TRUE(library.hasProjects());
    EXPECT_EQ(shownNames(), (std::vector<QString>{"Empty", "Single", "Triple"}));
    EXPECT_EQ(role(0, ProjectLibrary::ProjectIdRole).toString(), idText(empty.id));
    EXPECT_EQ(role(0, ProjectLibrary::ClipCountTextRole).toString(), "");
    EXPECT_EQ(role(0, ProjectLibrary::LengthTextRole).toString(), "");
    EXPECT_EQ(role(1, ProjectLibrary::ClipCountTextRole).toString(), "1 clip");
    EXPECT_EQ(role(1, ProjectLibrary::LengthTextRole).toString(), "00:03");
    EXPECT_EQ(role(2, ProjectLibrary::ClipCountTextRole).toString(), "3 clips");
    EXPECT_EQ(role(2, ProjectLibrary::LengthTextRole).toString(), "00:12");
    EXPECT_EQ(role(2, ProjectLibrary::ClipCountRole).toInt(), 3);
    EXPECT_TRUE(role(0, ProjectLibrary::DateTextRole).toString().startsWith("Today, "));
    EXPECT_EQ(rowOf(single.id), 1);
}

TEST_F(ProjectLibraryTest, SearchIgnoresCaseKeepsTheOrderAndUsesTheTextAsTyped) {
    save("My Intro Video", {}, 1);
    save("Outro", {}, 2);
    save("INTRO take 2", {}, 3);
    library.reload();

    library.setSearchText("intro");
    EXPECT_EQ(shownNames(), (std::vector<QString>{"My Intro Video", "INTRO take 2"}));
    EXPECT_EQ(library.count(), 2);
    // Not trimmed: the space must be there in the name.
    library.setSearchText(" intro");
    EXPECT_EQ(shownNames(), std::vector<QString>{"My Intro Video"});
    library.setSearchText("nothing like it");
    EXPECT_EQ(library.rowCount(), 0);
    EXPECT_TRUE(library.hasProjects()) << "the grid stays, with only its New Project card";
    library.setSearchText("");
    EXPECT_EQ(library.count(), 3);

    // The search holds across a reload.
    library.setSearchText("outro");
    save("Outro Copy", {}, 0);
    library.reload();
    EXPECT_EQ(shownNames(), (std::vector<QString>{"Outro Copy", "Outro"}));
}

TEST_F(ProjectLibraryTest, RenamingTheOpenProjectSurvivesItsNextSave) {
    const Project open = save("Intro", {0});
    const Project other = save("Outro", {0}, 1);
    app.openProjectFromLibrary(idText(open.id));
    ProjectViewModel& editor = *app.projectVM();
    ASSERT_EQ(editor.project().id, open.id);
    library.reload();

    // Spaces only keep the old name; the name committed is trimmed.
    EXPECT_FALSE(library.renameProject(idText(open.id), " \t  "));
    EXPECT_EQ(store.load(open.id).name, "Intro");
    ASSERT_TRUE(library.renameProject(idText(open.id), "\t Intro, final  "));
    EXPECT_EQ(shownNames(), (std::vector<QString>{"Intro, final", "Outro"}));
    EXPECT_EQ(editor.name(), "Intro, final");
    const Date renamedAt = store.load(open.id).updatedAt;
    // The editor writes its own copy of the project, by the autosave or on leaving;
    // neither the name nor the change date goes back.
    EXPECT_TRUE(editor.saveNow());
    EXPECT_EQ(store.load(open.id).name, "Intro, final");
    EXPECT_GE(store.load(open.id).updatedAt, renamedAt);
    editor.setSidebarOverlay(!editor.sidebarOverlay());
    EXPECT_TRUE(editor.saveNow());
    EXPECT_EQ(store.load(open.id).name, "Intro, final");

    // Renaming another project leaves the editor's name alone.
    ASSERT_TRUE(library.renameProject(idText(other.id), "Outro, final"));
    EXPECT_EQ(editor.name(), "Intro, final");
    EXPECT_EQ(store.load(other.id).name, "Outro, final");
}

TEST_F(ProjectLibraryTest, DuplicateAddsACopyNamedAfterTheOriginalAtTheTop) {
    const Project intro = save("Intro", {1, 2}, 10);
    save("Outro", {}, 5);
    library.reload();

    library.duplicateProject(idText(intro.id));
    EXPECT_EQ(shownNames(), (std::vector<QString>{"Intro Copy", "Outro", "Intro"}));
    EXPECT_EQ(role(0, ProjectLibrary::ClipCountTextRole).toString(), "2 clips");
    EXPECT_NE(role(0, ProjectLibrary::ProjectIdRole).toString(), idText(intro.id));

    // A project that has gone meanwhile is not copied; the list shows what is stored.
    store.deleteProject(intro.id);
    library.duplicateProject(idText(intro.id));
    EXPECT_EQ(shownNames(), (std::vector<QString>{"Intro Copy", "Outro"}));
}

TEST_F(ProjectLibraryTest, DeletingTheOpenProjectKeepsTheLibraryOpenOnAFreshProject) {
    const Project open = save("Intro", {0});
    const Project other = save("Outro", {0}, 1);
    AppCoordinator& coordinator = *app.appCoordinator();
    app.openProjectFromLibrary(idText(open.id));
    coordinator.setShowProjectLibrary(true);
    library.reload();

    library.deleteProject(idText(other.id));
    EXPECT_EQ(shownNames(), std::vector<QString>{"Intro"});
    EXPECT_EQ(app.projectVM()->project().id, open.id);

    library.deleteProject(idText(open.id));
    EXPECT_FALSE(library.hasProjects());
    EXPECT_TRUE(coordinator.showProjectLibrary());
    EXPECT_EQ(app.projectVM()->name(), "Untitled Project");
    EXPECT_EQ(app.projectVM()->clipCount(), 0);
    EXPECT_EQ(coordinator.activeProjectId(), app.projectVM()->project().id);
    EXPECT_FALSE(QFile::exists(store.projectFilePath(open.id)));
}

TEST_F(ProjectLibraryTest, ACardShowsItsFirstClipAtItsInPointDecodedOnce) {
    // Stored out of order: the first clip is the one of the lowest order.
    const Project saved = save("Intro", {3, 1});
    Project project = store.load(saved.id);
    std::swap(project.clips[0], project.clips[1]);
    ASSERT_TRUE(store.save(project));
    const Project empty = save("Empty", {}, 1);

    library.reload();
    EXPECT_TRUE(library.loadingThumbnails());
    EXPECT_TRUE(thumbnailOf(saved.id).isNull()) << "decoded in the background";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !thumbnailOf(saved.id).isNull(); }, 10000));
    EXPECT_EQ(paintedFrameNumber(thumbnailOf(saved.id)), 90);
    waitForThumbnails();
    EXPECT_TRUE(thumbnailOf(empty.id).isNull());

    // Shown again, the same version of the project needs no new picture.
    library.reload();
    EXPECT_FALSE(library.loadingThumbnails());
    EXPECT_FALSE(thumbnailOf(saved.id).isNull());
    // A renamed project is a new version, decoded again.
    library.renameProject(idText(saved.id), "Intro 2");
    EXPECT_TRUE(library.loadingThumbnails());
}

TEST_F(ProjectLibraryTest, AProjectWhoseFirstClipCannotBeFoundKeepsThePlaceholder) {
    QTemporaryDir clips;
    const QString moved = clips.filePath("moved.mp4");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(test::testMedia("counter.mp4")), moved));
    const Project gone = save("Moved", {0}, 0, moved.toStdString());
    QFile::remove(moved);
    Project noReference = save("No reference", {0}, 1);
    noReference.clips[0].bookmarkData.reset();
    ASSERT_TRUE(store.save(noReference));
    const Project fine = save("Fine", {0}, 2);

    library.reload();
    waitForThumbnails();
    EXPECT_TRUE(thumbnailOf(gone.id).isNull());
    EXPECT_TRUE(thumbnailOf(noReference.id).isNull());
    EXPECT_FALSE(thumbnailOf(fine.id).isNull());
}

TEST_F(ProjectLibraryTest, APictureLandsOnItsProjectWhateverTheListDidMeanwhile) {
    const Project first = save("Alpha", {2}, 0);
    const Project second = save("Beta", {}, 1);
    library.reload();
    // The rows move before the picture arrives.
    library.setSearchText("zzz");
    library.setSearchText("a");
    save("Gamma", {}, -1);
    library.reload();
    waitForThumbnails();
    EXPECT_EQ(shownNames(), (std::vector<QString>{"Gamma", "Alpha", "Beta"}));
    EXPECT_EQ(paintedFrameNumber(thumbnailOf(first.id)), 60);
    EXPECT_TRUE(thumbnailOf(second.id).isNull());

    // A library that goes away while pictures are decoded drops them.
    auto transient = std::make_unique<ProjectLibrary>();
    transient->setApp(&app);
    save("Delta", {1}, 3);
    transient->reload();
    EXPECT_TRUE(transient->loadingThumbnails());
    transient.reset();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

} // namespace
} // namespace kestrune
