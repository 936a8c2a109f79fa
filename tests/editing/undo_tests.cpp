// Undo and redo: every editing operation undoes to the project as it was and
// redoes to the project as it became, runs of edits are one step, the history
// belongs to one project and stays bounded, and every undo is saved like any edit.
#include "editing/project_invariants.h"
#include "editing_test_support.h"

#include <functional>

#include <QSignalSpy>
#include <QUrl>

using namespace kestrune;
using namespace kestrune::test;

namespace {

class UndoTest : public EditingTest {
protected:
    // Three clips of 10, 5 and 10 seconds whose files exist, and four sections,
    // the last two only within the third clip.
    Project richProject() {
        Project project = projectOf({clipOf("ten.mp4", 10, copyOf("silent.mp4", "ten.mp4")),
                                     clipOf("five.mp4", 5, copyOf("silent.mp4", "five.mp4")),
                                     clipOf("other.mp4", 10, copyOf("silent.mp4", "other.mp4"))});
        project.clips[2].trimIn = 1;
        project.sections = {{Uuid::generate(), "Intro", "", 0},
                            {Uuid::generate(), "Middle", "sub", 8},
                            {Uuid::generate(), "Late", "", 12},
                            {Uuid::generate(), "End", "", 20}};
        project.name = "Holiday";
        return project;
    }

    void open(const Project& project) {
        model->setProject(project);
        model->restoreFileAccess();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return model->thumbnails().size() == project.clips.size(); }, 5000));
    }

    std::string undoAction() const { return model->history().undoAction(); }
};

struct Operation {
    const char* action;
    std::function<void(ProjectViewModel&, const Project&)> apply;
};

TEST_F(UndoTest, EveryOperationUndoesToTheProjectBeforeAndRedoesToTheOneAfter) {
    SidebarTheme blue = SidebarTheme::classic();
    blue.sidebarBackground = *CodableColor::fromHex("#0000FF");
    const std::vector<Operation> operations{
        {"Delete Clip", [](auto& m, const Project& p) { m.removeClip(p.clips[1].id); }},
        {"Move Clip", [](auto& m, const Project&) { m.moveClip(0, 2); }},
        {"Trim Clip",
         [](auto& m, const Project& p) { m.updateTrim(p.clips[0].id, 2, std::optional(6.0)); }},
        {"Reset Trim", [](auto& m, const Project& p) { m.resetTrim(p.clips[2].id); }},
        {"Add Section", [](auto& m, const Project&) { m.addSection("Second", "", 2); }},
        {"Edit Section",
         [](auto& m, const Project& p) { m.updateSection(p.sections[0].id, "Start", "s", 12); }},
        {"Delete Section", [](auto& m, const Project& p) { m.deleteSection(p.sections[1].id); }},
        {"Sections from Clips", [](auto& m, const Project&) { m.addSectionsFromClips(true); }},
        {"Toggle Keep with Clips",
         [](auto& m, const Project&) { m.setKeepSectionsWithClips(false); }},
        {"Change Layout", [](auto& m, const Project&) { m.setSidebarOverlay(false); }},
        {"Change Theme",
         [](auto& m, const Project&) { m.setTheme(SidebarTheme::presets().at(2)); }},
        {"Change Theme",
         [&blue](auto& m, const Project&) { m.setThemeColor(blue, "sidebarBackground"); }},
    };
    const Project project = richProject();
    for (const auto& operation : operations) {
        SCOPED_TRACE(operation.action);
        model = makeModel();
        open(project);
        EXPECT_FALSE(model->canUndo());
        EXPECT_EQ(model->property("undoText").toString(), "Undo");

        operation.apply(*model, project);
        const Project after = model->project();
        ASSERT_FALSE(sameDocument(after, project));
        EXPECT_EQ(undoAction(), operation.action);
        EXPECT_EQ(model->undoText(), QString("Undo ") + operation.action);
        model->saveNow();

        QSignalSpy history(model.get(), &ProjectViewModel::historyChanged);
        model->undo();
        EXPECT_TRUE(sameDocument(model->project(), project));
        // An undo is an edit: stamped and saved.
        EXPECT_GT(model->project().updatedAt, after.updatedAt);
        EXPECT_TRUE(model->autosavePending());
        EXPECT_FALSE(model->canUndo());
        EXPECT_EQ(model->redoText(), QString("Redo ") + operation.action);
        EXPECT_GE(history.count(), 1);
        // What the views list follows the document.
        ASSERT_EQ(model->clips()->rowCount(), static_cast<int>(project.clips.size()));
        EXPECT_EQ(model->sections()->rowCount(), static_cast<int>(project.sections.size()));

        model->redo();
        EXPECT_TRUE(sameDocument(model->project(), after));
        EXPECT_EQ(model->undoText(), QString("Undo ") + operation.action);
        EXPECT_FALSE(model->canRedo());
    }
}

TEST_F(UndoTest, UndoingARemovalBringsBackTheClipAtItsPlaceWithItsSectionsFileAndPicture) {
    const Project project = richProject();
    open(project);
    const Uuid removed = project.clips[1].id;
    model->removeClip(removed);
    // Late went with its clip; End moved up with the clip after it.
    ASSERT_EQ(model->project().sections.size(), 3u);
    EXPECT_EQ(model->project().sections[2].startTime, 15);
    EXPECT_EQ(model->thumbnails().count(removed), 0u);

    QSignalSpy rows(model->clips(), &QAbstractItemModel::rowsInserted);
    model->undo();
    ASSERT_EQ(model->project().clips.size(), 3u);
    EXPECT_EQ(model->project().clips[1].id, removed);
    EXPECT_EQ(model->project().clips[1].order, 1);
    EXPECT_EQ(model->project().sections, project.sections);
    EXPECT_EQ(rows.count(), 1);
    // Found again through its reference, so the preview can play it at once;
    // the picture follows from the background.
    EXPECT_EQ(model->clipPaths().count(removed), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->thumbnails().count(removed) == 1; }, 5000));
    EXPECT_FALSE(
        model->clips()->data(model->clips()->index(1), ClipListModel::ThumbnailRole).isNull());

    // A file that went away meanwhile comes back as a clip that is not found.
    model->redo();
    QFile::remove(files.filePath("five.mp4"));
    model->undo();
    EXPECT_EQ(model->project().clips.size(), 3u);
    EXPECT_EQ(model->clipPaths().count(removed), 0u);
    EXPECT_EQ(model->missingClipIds(), std::vector<Uuid>{removed});
}

TEST_F(UndoTest, OneImportBatchIsOneStep) {
    const QString a = copyOf("silent.mp4", "a.mp4");
    const QString b = copyOf("silent.mp4", "b.mp4");
    int finished = 0;
    QObject::connect(model.get(), &ProjectViewModel::importFinished, [&] { ++finished; });
    model->importVideoUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 2; }, 10000));
    ASSERT_EQ(model->clipCount(), 2);
    EXPECT_EQ(model->history().undoCount(), 1u);
    EXPECT_EQ(model->undoText(), "Undo Add Clips");

    model->undo();
    EXPECT_EQ(model->clipCount(), 0);
    EXPECT_TRUE(model->clipPaths().empty());
    model->redo();
    ASSERT_EQ(model->clipCount(), 2);
    EXPECT_EQ(model->clipPaths().size(), 2u);

    // Files imported one by one are a step each.
    importAndWait(*model, a);
    importAndWait(*model, b);
    EXPECT_EQ(model->history().undoCount(), 3u);
    EXPECT_EQ(model->undoText(), "Undo Add Clip");
    model->undo();
    EXPECT_EQ(model->clipCount(), 3);
}

TEST_F(UndoTest, RunsOfEditsAreOneStepUntilTheStepIsClosed) {
    const Project project = richProject();
    open(project);
    const Uuid clip = project.clips[0].id;

    // A trim, however many points it went through.
    for (double in : {1.0, 2.0, 3.0})
        model->updateTrim(clip, in, std::nullopt);
    model->resetTrim(clip); // a step of its own
    model->updateTrim(clip, 4, std::nullopt);
    model->closeStep();
    model->updateTrim(clip, 5, std::nullopt);
    EXPECT_EQ(model->history().undoCount(), 4u);
    model->undo();
    EXPECT_EQ(model->project().clips[0].trimIn, 4);
    model->undo();
    EXPECT_EQ(model->project().clips[0].trimIn, 0);
    EXPECT_EQ(model->undoText(), "Undo Reset Trim");
    model->undo();
    EXPECT_EQ(model->project().clips[0].trimIn, 3);
    model->undo();
    EXPECT_TRUE(sameDocument(model->project(), project));

    // Typing one colour is one step; another colour, or the same one typed
    // again after leaving the field, is another.
    SidebarTheme theme = project.sidebarTheme;
    for (const char* hex : {"#1", "#12", "#123", "#123456"}) {
        if (const auto color = CodableColor::fromHex(hex)) {
            theme.highlightBackground = *color;
            model->setThemeColor(theme, "highlightBackground");
        }
    }
    theme.separatorColor = *CodableColor::fromHex("#FFFFFF");
    model->setThemeColor(theme, "separatorColor");
    model->closeStep();
    theme.separatorColor = *CodableColor::fromHex("#000000");
    model->setThemeColor(theme, "separatorColor");
    EXPECT_EQ(model->history().undoCount(), 3u);
    model->undo();
    model->undo();
    EXPECT_EQ(model->project().sidebarTheme.highlightBackground, *CodableColor::fromHex("#123456"));
    model->undo();
    EXPECT_EQ(model->project().sidebarTheme, project.sidebarTheme);
    EXPECT_FALSE(model->canUndo());
}

TEST_F(UndoTest, EachEditingOfTheNameIsOneStepCommittedWhenTheFieldIsDone) {
    const Project project = richProject();
    open(project);
    for (const char* name : {"H", "Ho", "Home"})
        model->setName(name);
    EXPECT_FALSE(model->canUndo()); // still being typed
    model->commitName();
    model->commitName();
    EXPECT_EQ(model->history().undoCount(), 1u);
    EXPECT_EQ(model->undoText(), "Undo Rename Project");

    // A name still being typed when another edit comes is its own step first.
    model->setName("Home video");
    model->setSidebarOverlay(false);
    EXPECT_EQ(model->history().undoCount(), 3u);
    model->undo();
    EXPECT_EQ(model->project().name, "Home video");
    EXPECT_TRUE(model->project().sidebarOverlay);
    model->undo();
    EXPECT_EQ(model->project().name, "Home");
    model->undo();
    EXPECT_EQ(model->project().name, "Holiday");
    EXPECT_TRUE(model->autosavePending());

    // A rename in the library is no edit of the window: undo keeps it.
    model->redo();
    model->adoptRename("From the library");
    model->undo();
    EXPECT_EQ(model->project().name, "From the library");
}

TEST_F(UndoTest, ANewEditDropsTheRedoStepsAndEditsThatChangeNothingAreNoSteps) {
    const Project project = richProject();
    open(project);
    model->setSidebarOverlay(false);
    model->undo();
    ASSERT_TRUE(model->canRedo());
    model->addSection("New", "", 1);
    EXPECT_FALSE(model->canRedo());
    EXPECT_EQ(model->redoText(), "Redo");

    // Still stamped and saved as before, but nothing to undo.
    const std::size_t steps = model->history().undoCount();
    model->setSidebarOverlay(true);
    model->deleteSection(Uuid::generate());
    model->moveClip(1, 1);
    EXPECT_EQ(model->history().undoCount(), steps);
    model->undo();
    EXPECT_FALSE(model->canUndo());
    model->undo(); // nothing left: no change, no save
    EXPECT_TRUE(sameDocument(model->project(), project));
}

TEST_F(UndoTest, TheHistoryBelongsToTheOpenProjectAndIsBounded) {
    const Project project = richProject();
    open(project);
    model->setSidebarOverlay(false);
    model->setProject(projectOf({clipOf("other.mp4", 3)}));
    EXPECT_FALSE(model->canUndo());
    EXPECT_FALSE(model->canRedo());

    // A project of 50 clips and 50 sections, 200 steps and more.
    const QString path = copyOf("silent.mp4", "a clip with a usual name.mp4");
    std::vector<VideoClip> clips;
    for (int i = 0; i < 50; ++i)
        clips.push_back(clipOf("clip " + std::to_string(i) + ".mp4", 60, path));
    Project big = projectOf(clips);
    for (int i = 0; i < 50; ++i)
        big.sections.push_back({Uuid::generate(), "Chapter " + std::to_string(i),
                                "A subtitle of some length", i * 60.0});
    model->setProject(big);
    for (int i = 0; i < 250; ++i)
        model->moveClip(0, 49);
    EXPECT_EQ(model->history().undoCount(), EditHistory::kMaxSteps);
    EXPECT_LE(model->history().bytes(), std::size_t{12} << 20);
    RecordProperty("historyBytesFor200StepsOf50ClipsAnd50Sections",
                   std::to_string(model->history().bytes()));
    int undone = 0;
    while (model->canUndo()) {
        model->undo();
        ++undone;
    }
    EXPECT_EQ(undone, 200);
    // The oldest 50 moves are gone: the clips are 50 places on, a full turn.
    EXPECT_EQ(model->project().clips, big.clips);

    // However large the documents, the memory kept is bounded.
    Project huge = projectOf({clipOf("A", 10)});
    huge.sections.push_back({Uuid::generate(), std::string(4 << 20, 'x'), "", 0});
    model->setProject(huge);
    for (int i = 0; i < 40; ++i)
        model->setSidebarOverlay(i % 2 == 0);
    EXPECT_LE(model->history().bytes(), EditHistory::kMaxBytes);
    EXPECT_GE(model->history().undoCount(), 10u);
}

TEST_F(UndoTest, TheFileOnDiskHoldsTheUndoneState) {
    const Project project = richProject();
    open(project);
    model->removeClip(project.clips[0].id);
    model->addSection("After", "", 3);
    QSignalSpy saved(model.get(), &ProjectViewModel::autosaved);
    ASSERT_TRUE(saved.wait(2000));
    ASSERT_EQ(store.load(project.id).clips.size(), 2u);

    model->undo();
    model->undo();
    ASSERT_TRUE(saved.wait(2000));
    const Project written = store.load(project.id);
    EXPECT_TRUE(sameDocument(written, model->project()));
    EXPECT_EQ(written.clips.size(), 3u);
    EXPECT_EQ(written.sections, project.sections);
    EXPECT_EQ(written.updatedAt, model->project().updatedAt);
}

} // namespace
