#include "editing/project_view_model.h"
#include "fixtures/test_media.h"
#include "ui/clip_strip_rules.h"
#include "view_test_support.h"

#include <QTemporaryDir>

namespace kestrune::test {
namespace {

TEST(ClipMoveOnEnter, MovesTheDraggedClipToTheEnteredCard) {
    const QStringList abc{"a", "b", "c"};
    EXPECT_EQ(clipMoveOnEnter(abc, "a", "c"), (ClipMove{0, 2}));
    EXPECT_EQ(clipMoveOnEnter({"b", "c", "a"}, "a", "b"), (ClipMove{2, 0}));
    // Its own slot, no strip drag under way, or a clip no longer in the strip.
    EXPECT_EQ(clipMoveOnEnter(abc, "b", "b"), std::nullopt);
    EXPECT_EQ(clipMoveOnEnter(abc, "", "b"), std::nullopt);
    EXPECT_EQ(clipMoveOnEnter(abc, "gone", "b"), std::nullopt);
    EXPECT_EQ(clipMoveOnEnter(abc, "a", "gone"), std::nullopt);
}

class ClipStripTest : public ViewTest {
protected:
    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path()};
    ProjectViewModel model{store};
    ClipStripRules rules;

    static VideoClip clip(const char* fileName, double duration, double trimIn = 0,
                          std::optional<double> trimOut = std::nullopt) {
        return clipRecord(fileName, duration, trimIn, trimOut);
    }

    void setClips(std::vector<VideoClip> clips) {
        Project project = Project::untitled();
        for (std::size_t i = 0; i < clips.size(); ++i)
            clips[i].order = static_cast<int>(i);
        project.clips = std::move(clips);
        model.setProject(project);
    }

    QString idAt(int index) const {
        return QString::fromStdString(model.project().clips.at(index).id.toString());
    }

    std::vector<std::string> fileNames() const {
        std::vector<std::string> names;
        for (const auto& c : model.project().clips)
            names.push_back(c.fileName);
        return names;
    }

    QQuickItem* makeStrip(double width = 640) {
        return make("ClipStripView", {{"projectVM", QVariant::fromValue<QObject*>(&model)}}, width,
                    100);
    }

    static std::vector<QString> texts(QQuickItem* root, const char* objectName) {
        std::vector<QString> found;
        for (QQuickItem* item : find(root, objectName))
            found.push_back(item->property("text").toString());
        return found;
    }
};

TEST_F(ClipStripTest, DraggingAcrossCardsMovesTheClipThroughTheRow) {
    setClips({clip("first.mp4", 10), clip("second.mp4", 10), clip("third.mp4", 10)});
    const QString first = idAt(0);
    EXPECT_TRUE(rules.moveOnDragEnter(&model, first, idAt(2)));
    EXPECT_EQ(fileNames(), (std::vector<std::string>{"second.mp4", "third.mp4", "first.mp4"}));
    EXPECT_TRUE(rules.moveOnDragEnter(&model, first, idAt(0)));
    EXPECT_EQ(fileNames(), (std::vector<std::string>{"first.mp4", "second.mp4", "third.mp4"}));
    EXPECT_FALSE(rules.moveOnDragEnter(&model, first, first));
    EXPECT_FALSE(rules.moveOnDragEnter(&model, "", idAt(1)));
    EXPECT_FALSE(rules.moveOnDragEnter(nullptr, first, idAt(1)));
    EXPECT_EQ(fileNames(), (std::vector<std::string>{"first.mp4", "second.mp4", "third.mp4"}));
}

TEST_F(ClipStripTest, CardsShowNameLengthAndTrimmedBadge) {
    setClips({clip("minute-short.mp4", 59.9), clip("one-minute.mp4", 60),
              clip("inverted.mp4", 30, 20, 10), clip("whole.mp4", 8, 0, 8),
              clip("trimmed.mp4", 8, 0.5)});
    QQuickItem* strip = makeStrip(800);
    ASSERT_NE(strip, nullptr);
    show(800, 100);
    EXPECT_EQ(texts(strip, "fileNameText"),
              (std::vector<QString>{"minute-short.mp4", "one-minute.mp4", "inverted.mp4",
                                    "whole.mp4", "trimmed.mp4"}));
    EXPECT_EQ(texts(strip, "lengthText"),
              (std::vector<QString>{"01:00", "01:00", "00:00", "00:08", "00:08"}));

    std::vector<bool> badges;
    for (QQuickItem* card : find(strip, "clipCard"))
        badges.push_back(!find(card, "trimmedBadge").empty());
    // An out point at the very end is no trim; an in point past the start is.
    EXPECT_EQ(badges, (std::vector<bool>{false, false, true, false, true}));
    // Without thumbnails every card shows its plain area.
    EXPECT_EQ(find(strip, "placeholder").size(), 5u);
}

TEST_F(ClipStripTest, TheClipBeingTrimmedHasTheAccentBorder) {
    setClips({clip("a.mp4", 5), clip("b.mp4", 5)});
    QQuickItem* strip = makeStrip();
    ASSERT_NE(strip, nullptr);
    model.setTrimmingClipId(model.project().clips.at(1).id);
    const auto borders = find(strip, "border");
    ASSERT_EQ(borders.size(), 2u);
    EXPECT_EQ(borders[0]->property("border").value<QObject*>()->property("width").toDouble(), 1);
    EXPECT_EQ(borders[1]->property("border").value<QObject*>()->property("width").toDouble(), 2);
}

TEST_F(ClipStripTest, PointerDragReordersAndDropEndsTheDrag) {
    setClips({clip("first.mp4", 10), clip("second.mp4", 10), clip("third.mp4", 10)});
    QQuickItem* strip = makeStrip();
    ASSERT_NE(strip, nullptr);
    show(640, 100);
    const auto cards = find(strip, "clipCard");
    ASSERT_EQ(cards.size(), 3u);
    auto centre = [&](QQuickItem* item) {
        return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    };
    const QPoint from = centre(cards[0]);
    const QPoint to = centre(cards[2]);
    QTest::mousePress(window.get(), Qt::LeftButton, {}, from);
    // Past the drag threshold in small steps, as a hand moves.
    for (int step = 1; step <= 20; ++step) {
        QTest::mouseMove(window.get(), from + (to - from) * step / 20);
        QTest::qWait(5);
    }
    EXPECT_EQ(strip->property("draggingClipId").toString(), idAt(2));
    EXPECT_EQ(fileNames(), (std::vector<std::string>{"second.mp4", "third.mp4", "first.mp4"}));
    QTest::qWait(300); // the row settles after the moves
    saveView("clip-strip-dragging");
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, to);
    EXPECT_EQ(strip->property("draggingClipId").toString(), QString());

    // Let go where no card is: the drag ends all the same, and no card stays faded.
    const QPoint outside(630, 50);
    const QPoint start = centre(find(strip, "clipCard")[0]);
    QTest::mousePress(window.get(), Qt::LeftButton, {}, start);
    for (int step = 1; step <= 20; ++step) {
        QTest::mouseMove(window.get(), start + (outside - start) * step / 20);
        QTest::qWait(5);
    }
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, outside);
    EXPECT_EQ(strip->property("draggingClipId").toString(), QString());
    QTest::qWait(50);
    for (QQuickItem* card : find(strip, "clipCard"))
        EXPECT_EQ(card->opacity(), 1.0);
}

TEST_F(ClipStripTest, AddButtonOpensTheFilePanel) {
    QQuickItem* strip = makeStrip();
    ASSERT_NE(strip, nullptr);
    show(640, 100);
    const auto buttons = find(strip, "addClipButton");
    ASSERT_EQ(buttons.size(), 1u);
    QTest::mouseClick(window.get(), Qt::LeftButton, {},
                      buttons[0]->mapToScene(QPointF(40, 28)).toPoint());
    EXPECT_TRUE(model.showFileImporter());
}

// Real clips with their decoded thumbnails, one of them trimmed, one being
// trimmed and the pointer over another: the picture to look at.
TEST_F(ClipStripTest, DrawsTheStrip) {
    for (const char* name : {"silent.mp4", "counter.mp4", "hd30.mp4"}) {
        bool done = false;
        auto connection = QObject::connect(&model, &ProjectViewModel::importFinished,
                                           [&](const QString&, const QString&) { done = true; });
        model.importVideo(QString::fromStdString(testMedia(name)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 20000)) << name;
        QObject::disconnect(connection);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.thumbnails().size() == 3; }, 20000));
    model.updateTrim(idAt(1), 0.5, 1.5);
    model.setTrimmingClipId(model.project().clips.at(2).id);
    QQuickItem* strip = makeStrip(560);
    ASSERT_NE(strip, nullptr);
    show(560, 100);
    EXPECT_TRUE(find(strip, "placeholder").empty());
    const auto cards = find(strip, "clipCard");
    ASSERT_EQ(cards.size(), 3u);
    QTest::mouseMove(window.get(), cards[0]->mapToScene(QPointF(50, 30)).toPoint());
    QTest::qWait(400);
    EXPECT_EQ(find(cards[0], "deleteButton").size(), 1u);
    EXPECT_EQ(find(cards[0], "trimButton").size(), 1u);
    EXPECT_TRUE(find(cards[1], "deleteButton").empty());
    saveView("clip-strip");
}

} // namespace
} // namespace kestrune::test
