// Chapters made without typing them: one section per clip, and a chapter list
// pasted from a video's description, read back in the import sheet first.
#include "main_window_fixture.h"

#include <QClipboard>

namespace kestrune::test {
namespace {

class MainWindowChaptersTest : public MainWindowTest {
protected:
    std::vector<QString> rowTitles() const {
        std::vector<QString> titles;
        for (QQuickItem* row : find("sectionRow"))
            for (QQuickItem* title : findIn(row, "sectionTitle"))
                titles.push_back(title->property("text").toString());
        return titles;
    }
};

TEST_F(MainWindowChaptersTest, FromClipsThenAPastedDescriptionReplacingThem) {
    closeLibrary();
    for (const char* clip : {"silent.mp4", "hd60.mov", "talk.mp4"}) // 2 s, 2 s, 3 s
        importClip(clip);
    waitForTimeline(7);

    click(one("fromClipsButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("sectionRow").size() == 3; }));
    EXPECT_EQ(rowTitles(), (std::vector<QString>{"silent", "hd60", "talk"}));
    EXPECT_EQ(project().project().sections[2].startTime, 4);
    saveScreenshot("sections-from-clips");

    // Asked again, it asks first; Cancel leaves the three.
    click(one("fromClipsButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("fromClipsChoice"); }));
    click(one("cancelChoiceButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popupShown("fromClipsChoice"); }));
    EXPECT_EQ(sectionCount(), 3);

    QGuiApplication::clipboard()->setText("My trip to the coast, in three parts.\n"
                                          "Music: https://example.com/track?t=1:02\n"
                                          "\n"
                                          "0:00 Welcome\n"
                                          "0:03 - Down to the beach\n"
                                          "(0:05) Sunset\n"
                                          "1:75 Typo in the time\n"
                                          "0:09 After the end\n"
                                          "#travel #coast\n");
    click(one("importChaptersButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("importFromClipboardItem").size() == 1; }));
    click(one("importFromClipboardItem"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("chapterImportSheet"); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("importRow").size() == 3; }));
    EXPECT_EQ(find("rejectedRow").size(), 1u);
    EXPECT_EQ(texts("notUnderstoodLine"), std::vector<QString>{"1:75 Typo in the time"});
    saveScreenshot("chapter-import-sheet");

    auto* replace = one("replaceImportButton");
    ASSERT_NE(replace, nullptr);
    EXPECT_EQ(replace->property("text").toString(), "Replace");
    click(replace);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popupShown("chapterImportSheet"); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("sectionRow").size() == 3; }));
    EXPECT_EQ(rowTitles(), (std::vector<QString>{"Welcome", "Down to the beach", "Sunset"}));
    // One step, undone as one.
    EXPECT_EQ(project().undoText(), "Undo Import Chapters");
    project().undo();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rowTitles().front() == "silent"; }));
}

} // namespace
} // namespace kestrune::test
