// The debounced automatic save and the immediate one.
#include "editing_test_support.h"

#include <QElapsedTimer>
#include <QSignalSpy>

using namespace kestrune;
using namespace kestrune::test;

namespace {

using AutosaveTest = EditingTest;

TEST_F(AutosaveTest, ABurstOfEditsIsSavedOnceAfterTheLastWithItsValues) {
    const Project project = projectOf({clipOf("A", 10)});
    model->setProject(project);
    QSignalSpy saved(model.get(), &ProjectViewModel::autosaved);
    QElapsedTimer sinceLast;
    qint64 savedAfter = -1;
    QObject::connect(model.get(), &ProjectViewModel::autosaved,
                     [&] { savedAfter = sinceLast.elapsed(); });
    for (int i = 1; i <= 10; ++i) {
        model->updateTrim(project.clips[0].id, i * 0.25, std::nullopt);
        sinceLast.start();
        QTest::qWait(i < 10 ? 100 : 0);
    }
    EXPECT_EQ(saved.count(), 0);
    ASSERT_TRUE(saved.wait(2000));
    QTest::qWait(ProjectViewModel::kAutosaveDelayMs + 100);
    EXPECT_EQ(saved.count(), 1);
    EXPECT_TRUE(saved.at(0).at(0).toBool());
    EXPECT_GE(savedAfter, ProjectViewModel::kAutosaveDelayMs);
    EXPECT_LT(savedAfter, ProjectViewModel::kAutosaveDelayMs + 250);
    EXPECT_EQ(store.load(project.id).clips[0].trimIn, 2.5);
    EXPECT_FALSE(model->autosavePending());
}

TEST_F(AutosaveTest, TheSaveReadsTheProjectWhenItFiresEvenAfterTheLastClipIsGone) {
    const Project project = projectOf({clipOf("A", 10)});
    model->setProject(project);
    model->setSidebarOverlay(false);
    model->removeClip(project.clips[0].id);
    EXPECT_TRUE(model->autosavePending());
    QSignalSpy saved(model.get(), &ProjectViewModel::autosaved);
    ASSERT_TRUE(saved.wait(2000));
    const Project written = store.load(project.id);
    EXPECT_TRUE(written.clips.empty());
    EXPECT_FALSE(written.sidebarOverlay);

    // With no save pending, removing the last clip writes nothing.
    auto other = makeModel();
    const Project alone = projectOf({clipOf("B", 10)});
    other->setProject(alone);
    other->removeClip(alone.clips[0].id);
    EXPECT_FALSE(other->autosavePending());
    QTest::qWait(ProjectViewModel::kAutosaveDelayMs + 100);
    EXPECT_FALSE(stored(alone));

    // A project that has a file keeps it up to date: opening it again must not
    // bring back the clip.
    auto third = makeModel();
    const Project kept = projectOf({clipOf("C", 10)});
    ASSERT_TRUE(store.save(kept));
    third->setProject(kept);
    third->removeClip(kept.clips[0].id);
    EXPECT_TRUE(third->autosavePending());
    QSignalSpy thirdSaved(third.get(), &ProjectViewModel::autosaved);
    ASSERT_TRUE(thirdSaved.wait(2000));
    EXPECT_TRUE(store.load(kept.id).clips.empty());
}

TEST_F(AutosaveTest, SaveNowWritesAtOnceAndDropsThePendingSave) {
    const Project project = projectOf({clipOf("A", 10)});
    model->setProject(project);
    model->addSection("Intro", "", 0);
    QSignalSpy saved(model.get(), &ProjectViewModel::autosaved);
    EXPECT_TRUE(model->saveNow());
    EXPECT_FALSE(model->autosavePending());
    EXPECT_EQ(store.load(project.id), model->project());
    QTest::qWait(ProjectViewModel::kAutosaveDelayMs + 100);
    EXPECT_EQ(saved.count(), 0);

    // An empty project is never written.
    auto empty = makeModel();
    empty->addSection("Nothing to show", "", 0);
    EXPECT_FALSE(empty->autosavePending());
    EXPECT_FALSE(empty->saveNow());
    EXPECT_FALSE(stored(empty->project()));
}

} // namespace
