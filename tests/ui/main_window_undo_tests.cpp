// Undo and redo in the editor window, used as a user would: the Edit menu names
// the step, Ctrl+Z brings back a deleted card with its picture and the preview
// plays it again, Ctrl+Shift+Z and Ctrl+Y redo, and a text field being edited
// keeps the keys for its own text.
#include "main_window_fixture.h"

namespace kestrune::test {
namespace {

class MainWindowUndoTest : public MainWindowTest {
protected:
    QObject* action(const char* name) const {
        auto* found = root->findChild<QObject*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString actionText(const char* name) const {
        return action(name) ? action(name)->property("text").toString() : QString();
    }
    bool actionEnabled(const char* name) const {
        return action(name) && action(name)->property("enabled").toBool();
    }

    bool cardHasPicture(const QString& fileName) const {
        QQuickItem* card = cardOf(fileName);
        const auto pictures = card ? findIn(card, "picture") : std::vector<QQuickItem*>{};
        return pictures.size() == 1 && pictures.front()->property("hasImage").toBool();
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(window, key, modifiers);
    }
};

TEST_F(MainWindowUndoTest, DeletedCardAndSectionComeBackWithTheKeysAndTheMenuNamesTheStep) {
    closeLibrary();
    EXPECT_EQ(actionText("undoAction"), "Undo");
    EXPECT_FALSE(actionEnabled("undoAction"));
    EXPECT_EQ(actionText("redoAction"), "Redo");
    EXPECT_FALSE(actionEnabled("redoAction"));

    importClip("hd30.mp4");    // 3 s
    importClip("counter.mp4"); // 4 s
    waitForTimeline(7);
    ASSERT_TRUE(QTest::qWaitFor([&] { return cardHasPicture("counter.mp4"); }, 10000));
    EXPECT_EQ(actionText("undoAction"), "Undo Add Clip");

    // Delete the second clip from its card.
    QQuickItem* card = cardOf("counter.mp4");
    ASSERT_NE(card, nullptr);
    QTest::mouseMove(window, centreOf(card));
    ASSERT_TRUE(QTest::qWaitFor([&] { return findIn(card, "deleteButton").size() == 1; }));
    click(findIn(card, "deleteButton").front());
    ASSERT_TRUE(QTest::qWaitFor([&] { return cardOf("counter.mp4") == nullptr; }));
    waitForTimeline(3);
    EXPECT_EQ(actionText("undoAction"), "Undo Delete Clip");
    EXPECT_TRUE(actionEnabled("undoAction"));

    press(Qt::Key_Z);
    ASSERT_TRUE(QTest::qWaitFor([&] { return cardOf("counter.mp4") != nullptr; }));
    EXPECT_EQ(find("clipCard").size(), 2u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return cardHasPicture("counter.mp4"); }, 10000));
    waitForTimeline(7);
    EXPECT_EQ(actionText("undoAction"), "Undo Add Clip");
    EXPECT_EQ(actionText("redoAction"), "Redo Delete Clip");
    EXPECT_TRUE(actionEnabled("redoAction"));
    saveScreenshot("undo-card-back");

    // A section: added through its form, taken away and brought back.
    addSectionThroughForm("Opening", "", "0", true);
    EXPECT_EQ(actionText("undoAction"), "Undo Add Section");
    EXPECT_FALSE(actionEnabled("redoAction"));
    one("videoColumn")->forceActiveFocus();
    press(Qt::Key_Z);
    EXPECT_EQ(sectionCount(), 0);
    EXPECT_EQ(actionText("redoAction"), "Redo Add Section");
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(sectionCount(), 1);
    EXPECT_FALSE(withText("Opening").empty());
    press(Qt::Key_Z);
    press(Qt::Key_Y);
    EXPECT_EQ(sectionCount(), 1);
    EXPECT_EQ(actionText("undoAction"), "Undo Add Section");
    EXPECT_EQ(actionText("redoAction"), "Redo");

    // The Edit menu, opened from the menu bar, shows the same texts.
    const auto editTitles = withText("&Edit");
    ASSERT_FALSE(editTitles.empty());
    click(editTitles.front());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !withText("Undo Add Section").empty(); }));
    saveScreenshot("undo-edit-menu");
    press(Qt::Key_Escape, Qt::NoModifier);
    QTest::qWait(200);
}

TEST_F(MainWindowUndoTest, ATextFieldBeingEditedKeepsTheKeysForItsText) {
    closeLibrary();
    importClip("hd30.mp4");
    addSectionThroughForm("Opening", "", "0", true);
    project().undo(); // the section waits to be redone, the clip to be undone
    ASSERT_EQ(sectionCount(), 0);
    const std::size_t steps = project().history().undoCount();

    auto* field = one("projectNameField");
    ASSERT_NE(field, nullptr);
    click(field);
    ASSERT_TRUE(field->hasActiveFocus());
    typeText("X");
    press(Qt::Key_Z);
    press(Qt::Key_Y);
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(sectionCount(), 0);
    EXPECT_EQ(project().clipCount(), 1);
    EXPECT_EQ(project().history().undoCount(), steps);
    EXPECT_TRUE(project().canRedo());

    // Return ends the editing: the new name is one step.
    replaceText("Trip");
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(project().name(), "Trip");
    EXPECT_EQ(actionText("undoAction"), "Undo Rename Project");
    press(Qt::Key_Z);
    EXPECT_EQ(project().name(), "Untitled Project");
    EXPECT_EQ(field->property("text").toString(), "Untitled Project");
    EXPECT_EQ(window->title(), "Kestrune — Untitled Project");
}

} // namespace
} // namespace kestrune::test
