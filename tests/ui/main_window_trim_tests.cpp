// Trim mode of the editor window used as a user would: entered from the clip's
// card, the handles dragged with the pointer, the playhead stepped frame by
// frame and the points set from it with "i" and "o", left with Return.
#include "main_window_fixture.h"
#include "ui/time_text.h"
#include "ui/trim_session.h"

#include <cmath>

namespace kestrune::test {
namespace {

constexpr double kFrame = 1.0 / 30; // counter.mp4

class MainWindowTrimTest : public MainWindowTest {
protected:
    TrimSession* trimSession() const {
        const auto layouts = find("trimLayout");
        if (layouts.size() != 1)
            return nullptr;
        auto* view = layouts.front()->property("item").value<QObject*>();
        return view ? view->property("session").value<TrimSession*>() : nullptr;
    }

    // The point of the trim view's strip at clip time `seconds`, in the window.
    QPoint stripPointAt(const TrimSession& session, double seconds) const {
        auto* view = one("trimView");
        const double x =
            TrimSession::handleWidth() + seconds / session.duration() * session.stripWidth();
        const double y = view->property("stripTop").toDouble() + TrimSession::filmstripHeight() / 2;
        return view->mapToScene(QPointF(x, y)).toPoint();
    }

    // Drags the handle `handleName` by the distance from its point to clip time `seconds`.
    void dragHandleTo(TrimSession& session, const char* handleName, double pointX, double seconds) {
        auto* handle = one(handleName);
        ASSERT_NE(handle, nullptr);
        const QPoint from = centreOf(handle);
        const QPoint to =
            from + QPoint(int(std::lround(stripPointAt(session, seconds).x() -
                                          one("trimView")->mapToScene({pointX, 0}).x())),
                          0);
        drag(from, to);
    }

    // Clicks the strip at `seconds`: the trim playhead lands on the picture shown there.
    void scrubTo(TrimSession& session, double seconds) {
        QTest::mouseClick(window, Qt::LeftButton, {}, stripPointAt(session, seconds));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return std::abs(playback().trimClipCurrentTime() - seconds) < 0.05; }));
    }

    // Starts trimming the card of `fileName` with its scissors, shown under the pointer.
    void startTrimming(const char* fileName, const QString& clipId) {
        QQuickItem* card = cardOf(fileName);
        ASSERT_NE(card, nullptr);
        QTest::mouseMove(window, centreOf(card));
        ASSERT_TRUE(QTest::qWaitFor([&] {
            const auto buttons = findIn(card, "trimButton");
            return buttons.size() == 1 && buttons.front()->opacity() == 1;
        }));
        click(findIn(card, "trimButton").front());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return project().property("trimmingClipId").toString() == clipId; }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return trimSession() && trimSession()->isActive(); }));
        // The clip's file is read and its frame rate known.
        ASSERT_TRUE(QTest::qWaitFor([&] { return playback().trimClipFrameRate() > 0; }, 10000));
    }

    // The keys step whole frames: from the picture shown at `from` by `frames`.
    void expectPlayheadOnFrame(double from, int frames, double frame = kFrame) {
        const double expected = (std::floor(from / frame + 1e-6) + frames) * frame;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return std::abs(playback().trimClipCurrentTime() - expected) < 1e-3; }, 10000))
            << "at " << playback().trimClipCurrentTime() << ", expected " << expected;
    }
};

TEST_F(MainWindowTrimTest, TrimsAClipWithTheHandlesTheFrameKeysAndThePointKeys) {
    closeLibrary();
    importClip("hd30.mp4");    // 3 s
    importClip("counter.mp4"); // 4 s
    waitForTimeline(7);
    const QString counterId = QString::fromStdString(project().project().clips[1].id.toString());

    // The pointer over the card shows its scissors; they start trimming.
    ASSERT_NO_FATAL_FAILURE(startTrimming("counter.mp4", counterId));

    // The trim layout takes the editing layout's place; the filmstrip fills in.
    TrimSession& session = *trimSession();
    EXPECT_TRUE(find("editingLayout").empty());
    EXPECT_NE(one("clipInfoPanel"), nullptr);
    EXPECT_DOUBLE_EQ(session.duration(), 4);
    FilmstripModel& filmstrip = *session.filmstrip();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto frames = find("filmstripFrame");
            if (filmstrip.isGenerating() || filmstrip.count() == 0 ||
                frames.size() != size_t(filmstrip.count()))
                return false;
            for (QQuickItem* frame : frames)
                if (frame->property("image").value<QImage>().isNull())
                    return false;
            return true;
        },
        20000));
    EXPECT_GT(session.stripWidth(), 100);

    // The handles dragged with the pointer: the points follow to within a pixel.
    const double pixel = session.duration() / session.stripWidth();
    dragHandleTo(session, "inHandle", session.inX(), 0.8);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(session.trimIn() - 0.8) <= 1.5 * pixel; }));
    dragHandleTo(session, "outHandle", session.outX(), 3.6);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(session.trimOut() - 3.6) <= 1.5 * pixel; }));
    // Each point is written at once.
    EXPECT_DOUBLE_EQ(project().project().clips[1].trimIn, session.trimIn());
    EXPECT_EQ(project().project().clips[1].trimOut, session.trimOut());

    // The arrows step frames from where the strip was clicked; "i" takes the playhead.
    scrubTo(session, 1.5);
    const double scrubbedIn = playback().trimClipCurrentTime();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left})
        QTest::keyClick(window, key);
    expectPlayheadOnFrame(scrubbedIn, 2);
    QTest::keyClick(window, Qt::Key_I);
    EXPECT_DOUBLE_EQ(session.trimIn(), playback().trimClipCurrentTime());

    scrubTo(session, 3.2);
    const double scrubbedOut = playback().trimClipCurrentTime();
    QTest::keyClick(window, Qt::Key_Right);
    expectPlayheadOnFrame(scrubbedOut, 1);
    QTest::keyClick(window, Qt::Key_O);
    EXPECT_DOUBLE_EQ(session.trimOut(), playback().trimClipCurrentTime());
    const double trimIn = session.trimIn();
    const double trimOut = session.trimOut();
    EXPECT_NEAR(trimOut - trimIn, 1.7, 0.1);
    EXPECT_EQ(texts("durationLabel"), std::vector<QString>{session.durationLabelText()});
    saveScreenshot("trim");

    // Return ends trimming with the points stored.
    QTest::keyClick(window, Qt::Key_Return);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return project().property("trimmingClipId").toString().isEmpty(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find("editingLayout").empty(); }));
    EXPECT_TRUE(find("trimView").empty());
    const VideoClip& stored = project().project().clips[1];
    EXPECT_DOUBLE_EQ(stored.trimIn, trimIn);
    ASSERT_TRUE(stored.trimOut.has_value());
    EXPECT_DOUBLE_EQ(*stored.trimOut, trimOut);

    // The card shows the trimmed badge and the kept length.
    QTest::mouseMove(window, centreOf(one("previewContainer")));
    QQuickItem* card = cardOf("counter.mp4");
    ASSERT_NE(card, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const auto badges = findIn(card, "trimmedBadge");
        return badges.size() == 1 && badges.front()->opacity() == 1;
    }));
    EXPECT_EQ(findIn(card, "lengthText").front()->property("text").toString(),
              formatLength(trimOut - trimIn));
    EXPECT_TRUE(findIn(cardOf("hd30.mp4"), "trimmedBadge").empty());

    // The joined timeline is loaded again with the kept part of the clip.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto& boundaries = playback().clipBoundaries();
            return playback().isLoaded() && boundaries.size() == 3 &&
                   std::abs(boundaries[1] - 3) < 0.05 &&
                   std::abs(boundaries[2] - (3 + trimOut - trimIn)) < 0.05;
        },
        10000))
        << playback().clipBoundaries().back();
    saveScreenshot("trim-done");
}

TEST_F(MainWindowTrimTest, KeysFasterThanFramesDecodeActInOrderOnTheSteppedFrame) {
    closeLibrary();
    importClip("hd60.mov"); // 60 frames a second
    waitForTimeline(2);
    const QString clipId = QString::fromStdString(project().project().clips[0].id.toString());
    ASSERT_NO_FATAL_FAILURE(startTrimming("hd60.mov", clipId));
    TrimSession& session = *trimSession();
    const double frame = 1.0 / 60;

    // Steps and a point key in one burst, then more steps: the key takes the
    // frame the steps before it went to, and no step is lost.
    scrubTo(session, 0.1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !playback().trimPlayer()->isSeeking(); }));
    // Steps count from the picture on screen.
    const double first = playback().trimPlayer()->currentFrame()->time.seconds();
    const auto press = [&](Qt::Key key, int times) {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(window, key);
    };
    press(Qt::Key_Right, 30);
    press(Qt::Key_I, 1);
    press(Qt::Key_Right, 60);
    press(Qt::Key_O, 1);
    press(Qt::Key_Left, 3);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::abs(playback().trimClipCurrentTime() - (first + 87 * frame)) < 1e-3; },
        20000))
        << playback().trimClipCurrentTime();
    EXPECT_NEAR(session.trimIn(), first + 30 * frame, 1e-3);
    EXPECT_NEAR(session.trimOut(), first + 90 * frame, 1e-3);

    // The timecodes count the clip's sixty frames a second.
    const int inFrame = int(std::lround(session.trimIn() / frame)) % 60;
    EXPECT_EQ(session.inLabelText(),
              QStringLiteral("IN: 00:00:%1").arg(inFrame, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(texts("timecodeText"),
              std::vector<QString>{formatTimecode(playback().trimClipCurrentTime(), 60)});
}

} // namespace
} // namespace kestrune::test
