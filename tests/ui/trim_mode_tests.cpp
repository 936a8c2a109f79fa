#include "editing/project_view_model.h"
#include "fixtures/test_media.h"
#include "model/file_reference.h"
#include "playback/playback_manager.h"
#include "ui/time_text.h"
#include "ui/trim_rules.h"
#include "ui/trim_session.h"
#include "view_test_support.h"

#include <array>

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace kestrune::test {
namespace {

TEST(TrimRules, HandlesKeepTheRangeInsideTheClipAndAtLeastASecondLong) {
    const TrimStrip strip{624, 120}; // a 600-pixel strip, 5 pixels a second
    EXPECT_DOUBLE_EQ(strip.xForTime(0), 12);
    EXPECT_DOUBLE_EQ(strip.xForTime(120), 612);

    EXPECT_DOUBLE_EQ(draggedTrimIn(strip, strip.xForTime(30), 60), 30);
    EXPECT_DOUBLE_EQ(draggedTrimIn(strip, strip.xForTime(100), 60), 59);
    EXPECT_DOUBLE_EQ(draggedTrimIn(strip, -40, 60), 0);

    EXPECT_DOUBLE_EQ(draggedTrimOut(strip, strip.xForTime(90), 30), 90);
    EXPECT_DOUBLE_EQ(draggedTrimOut(strip, strip.xForTime(10), 30), 31);
    EXPECT_DOUBLE_EQ(draggedTrimOut(strip, 5000, 30), 120);
    // An in point within the last second puts the out point a second after it,
    // past the end (stored as no out point).
    const TrimStrip tenSeconds{624, 10};
    EXPECT_DOUBLE_EQ(draggedTrimOut(tenSeconds, 5000, 9.5), 10.5);
    EXPECT_DOUBLE_EQ(draggedTrimOut(tenSeconds, tenSeconds.xForTime(9.8), 9.5), 10.5);

    EXPECT_DOUBLE_EQ(scrubTimeAt(strip, strip.xForTime(42)), 42);
    EXPECT_DOUBLE_EQ(scrubTimeAt(strip, -10), 0);
    EXPECT_DOUBLE_EQ(scrubTimeAt(strip, 1000), 120);
}

TEST(TrimRules, AClipWithoutLengthOrAViewWithoutRoomMapsEverythingToTheStart) {
    const TrimStrip noLength{624, 0};
    EXPECT_DOUBLE_EQ(noLength.xForTime(5), 12);
    EXPECT_DOUBLE_EQ(draggedTrimIn(noLength, 300, 0), 0);
    EXPECT_DOUBLE_EQ(draggedTrimOut(noLength, 300, 0), 0);
    EXPECT_DOUBLE_EQ(scrubTimeAt(noLength, 300), 0);
    const TrimStrip noRoom{20, 10};
    EXPECT_DOUBLE_EQ(scrubTimeAt(noRoom, 15), 0);
    EXPECT_DOUBLE_EQ(draggedTrimIn(noRoom, 15, 10), 0);
}

TEST(TrimRules, TypedPointsAndTheStoredOutPoint) {
    EXPECT_DOUBLE_EQ(typedTrimIn(5, 3), 2);
    EXPECT_DOUBLE_EQ(typedTrimIn(0.5, 0.8), 0);
    EXPECT_DOUBLE_EQ(typedTrimIn(40, 60), 40);
    EXPECT_DOUBLE_EQ(typedTrimOut(600, 0, 120), 120);
    EXPECT_DOUBLE_EQ(typedTrimOut(10, 30, 120), 31);
    EXPECT_DOUBLE_EQ(typedTrimOut(45, 30, 120), 45);
    EXPECT_EQ(storedTrimOut(120, 120), std::nullopt);
    EXPECT_EQ(storedTrimOut(120.5, 120), std::nullopt);
    EXPECT_EQ(storedTrimOut(119.5, 120), 119.5);
}

TEST(TrimRules, DraggedAndTypedPointsLandOnFrameStarts) {
    EXPECT_DOUBLE_EQ(frameAlignedTrimIn(1.0117, 10, 30), 1.0);
    EXPECT_DOUBLE_EQ(frameAlignedTrimIn(1.02, 10, 30), 31.0 / 30);
    EXPECT_DOUBLE_EQ(frameAlignedTrimOut(2.507, 0, 10, 60), 2.5);
    // Never closer than a second: the frame before or after the nearest.
    EXPECT_LE(frameAlignedTrimIn(8.99, 10, 30000.0 / 1001), 9);
    EXPECT_DOUBLE_EQ(frameAlignedTrimIn(8.99, 10, 30000.0 / 1001), 269 * 1001.0 / 30000);
    EXPECT_GE(frameAlignedTrimOut(2.001, 1.0011, 10, 30000.0 / 1001), 2.0011);
    // The clip's end, past the last frame start, stays the end.
    EXPECT_DOUBLE_EQ(frameAlignedTrimOut(9.99, 0, 9.99, 30), 9.99);
    EXPECT_DOUBLE_EQ(frameAlignedTrimOut(9.985, 0, 9.99, 30), 9.99);
    // Without a rate nothing moves.
    EXPECT_DOUBLE_EQ(frameAlignedTrimIn(1.0117, 10, 0), 1.0117);
}

// The editing model with clips whose files are the test clips.
class TrimFixture {
protected:
    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path()};
    ProjectViewModel model{store};

    // Puts in a clip record of `duration` whose file is the test clip `media`.
    QString addClip(const char* media, double duration, double trimIn = 0,
                    std::optional<double> trimOut = std::nullopt, bool located = true) {
        VideoClip clip = clipRecord(media, duration, trimIn, trimOut);
        if (located)
            clip.bookmarkData = FileReference::make(testMedia(media))->encode();
        Project project = model.project();
        clip.order = static_cast<int>(project.clips.size());
        project.clips.push_back(clip);
        model.setProject(project);
        model.restoreFileAccess();
        return QString::fromStdString(clip.id.toString());
    }

    QString importClip(const char* media) {
        QString id;
        bool done = false;
        auto connection = QObject::connect(&model, &ProjectViewModel::importFinished,
                                           [&](const QString&, const QString& clipId) {
                                               id = clipId;
                                               done = true;
                                           });
        model.importVideo(QString::fromStdString(testMedia(media)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 20000));
        QObject::disconnect(connection);
        return id;
    }

    const VideoClip& stored(int index = 0) const { return model.project().clips.at(index); }
};

class TrimSessionTest : public TrimFixture, public ::testing::Test {
protected:
    TrimSession session;

    void start(const QString& clipId) {
        session.setProjectVM(&model);
        session.setClipId(clipId);
    }
};

TEST_F(TrimSessionTest, TypedPointsKeepASecondBetweenThemAndBadTextShowsThePointAgain) {
    start(addClip("counter.mp4", 120));
    ASSERT_TRUE(session.isActive());
    EXPECT_EQ(session.trimOutText(), "02:00");

    session.submitTrimOut("10:00");
    EXPECT_EQ(session.trimOut(), 120);
    EXPECT_EQ(session.trimOutText(), "02:00");

    session.submitTrimOut("00:03");
    session.submitTrimIn("00:05");
    EXPECT_EQ(session.trimIn(), 2);
    EXPECT_EQ(session.trimInText(), "00:02");
    EXPECT_EQ(stored().trimIn, 2);
    EXPECT_EQ(stored().trimOut, 3);

    // The field shows what it was given until the session says otherwise.
    QSignalSpy inText(&session, &TrimSession::trimInTextChanged);
    session.submitTrimIn("abc");
    EXPECT_EQ(inText.count(), 1);
    EXPECT_EQ(session.trimIn(), 2);
    EXPECT_EQ(session.trimInText(), "00:02");
}

TEST_F(TrimSessionTest, EveryChangeIsStoredAndAnOutPointAtTheEndIsStoredAsNone) {
    const QString id = importClip("counter.mp4");
    ASSERT_FALSE(id.isEmpty());
    start(id);
    ASSERT_TRUE(session.isActive());
    const double duration = session.duration();
    ASSERT_GT(duration, 3);
    EXPECT_FALSE(session.isTrimmed());
    EXPECT_EQ(session.resolutionText(), "640 x 360");
    EXPECT_EQ(session.inLabelText(), "IN: 00:00:00");
    EXPECT_EQ(session.outLabelText(), "OUT: " + formatTimecode(duration));

    session.setViewWidth(624);
    session.dragOutHandle(session.inX() + 300); // half way
    EXPECT_DOUBLE_EQ(stored().trimOut.value_or(-1), duration / 2);
    EXPECT_TRUE(session.isTrimmed());
    EXPECT_EQ(session.durationLabelText(), "Duration: " + formatTimecode(duration / 2));
    EXPECT_EQ(session.trimmedText(), formatTime(duration / 2));

    session.dragOutHandle(5000);
    EXPECT_EQ(session.trimOut(), duration);
    EXPECT_EQ(stored().trimOut, std::nullopt);
    EXPECT_FALSE(session.isTrimmed());

    session.submitTrimIn("1");
    EXPECT_EQ(stored().trimIn, 1);
    EXPECT_TRUE(session.isTrimmed());
    session.reset();
    EXPECT_EQ(stored().trimIn, 0);
    EXPECT_EQ(stored().trimOut, std::nullopt);
    EXPECT_EQ(session.inX(), 12);
    EXPECT_EQ(session.outX(), 612);
}

TEST_F(TrimSessionTest, TheSessionIsOneUndoStepAndShowsThePointsAnUndoBrings) {
    const QString id = addClip("counter.mp4", 120);
    start(id);
    ASSERT_TRUE(session.isActive());
    session.submitTrimIn("5");
    session.submitTrimOut("60");
    session.setInToPlayhead(); // the playhead is at 0
    session.submitTrimIn("10");
    EXPECT_EQ(model.history().undoCount(), 1u);
    EXPECT_EQ(model.undoText(), "Undo Trim Clip");

    session.reset();
    EXPECT_EQ(model.undoText(), "Undo Reset Trim");
    // An undo while trimming: the session shows the points it brings back and
    // goes on from them as a new step.
    model.undo();
    EXPECT_EQ(stored().trimIn, 10);
    EXPECT_EQ(session.trimIn(), 10);
    EXPECT_EQ(session.trimOut(), 60);
    EXPECT_EQ(session.trimInText(), "00:10");
    session.submitTrimOut("50");
    EXPECT_EQ(model.history().undoCount(), 2u);
    session.finish();

    // Trimming the clip again is another step.
    start(QString());
    start(id);
    session.submitTrimIn("20");
    EXPECT_EQ(model.history().undoCount(), 3u);
    model.undo();
    model.undo();
    model.undo();
    EXPECT_EQ(stored().trimIn, 0);
    EXPECT_EQ(stored().trimOut, std::nullopt);
    EXPECT_EQ(session.trimOut(), 120);
}

TEST_F(TrimSessionTest, AClipWithoutItsFileIsNotTrimmed) {
    start(addClip("counter.mp4", 4, 1, 3, /*located=*/false));
    EXPECT_FALSE(session.isActive());
    session.setTrimIn(0);
    EXPECT_EQ(stored().trimIn, 1);
    EXPECT_EQ(session.filmstrip()->count(), 0);
}

// The trim mode view on a real editing model and a real controller in clock mode.
class TrimModeViewTest : public TrimFixture, public ViewTest {
protected:
    PlaybackManager playback;
    QQuickItem* view = nullptr;
    TrimSession* session = nullptr;
    QString clipId;

    void open(const char* media = "counter.mp4", double width = 1000, double height = 560) {
        clipId = importClip(media);
        ASSERT_FALSE(clipId.isEmpty());
        view = make("TrimModeView",
                    {{"projectVM", QVariant::fromValue<QObject*>(&model)},
                     {"playback", QVariant::fromValue<QObject*>(&playback)},
                     {"clipId", clipId}},
                    width, height);
        ASSERT_NE(view, nullptr);
        session = view->property("session").value<TrimSession*>();
        ASSERT_NE(session, nullptr);
        show(width, height);
        TimelinePlayer* trim = playback.trimPlayer();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return trim->currentFrame() && !trim->isSeeking(); }, 10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !session->filmstrip()->isGenerating(); }, 20000));
    }

    QQuickItem* item(const char* objectName) {
        const auto found = find(view, objectName);
        EXPECT_EQ(found.size(), 1u) << objectName;
        return found.empty() ? nullptr : found.front();
    }

    void press(Qt::Key key, const QString& text = {}, bool autoRepeat = false) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text, autoRepeat);
        QCoreApplication::sendEvent(window.get(), &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text, autoRepeat);
        QCoreApplication::sendEvent(window.get(), &up);
    }

    // Qt 6.4 types strings into widgets only.
    void type(const char* text) {
        for (const char* c = text; *c; ++c)
            QTest::keyClick(window.get(), *c);
    }

    void seekTrim(double seconds) {
        playback.seekTrim(seconds);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !playback.trimPlayer()->isSeeking(); }, 5000));
    }

    // Waits for the playhead to settle after a frame step.
    void waitForPlayhead(double seconds) {
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return std::abs(playback.trimClipCurrentTime() - seconds) < 1e-6; }, 5000))
            << "playhead at " << playback.trimClipCurrentTime() << ", expected " << seconds;
    }

    QPoint scenePoint(QQuickItem* of, double x, double y) {
        return of->mapToScene(QPointF(x, y)).toPoint();
    }
};

TEST_F(TrimModeViewTest, EnteringShowsTheClipOnTheTrimPlayerWithTheKeyboardOnTheColumn) {
    open();
    EXPECT_TRUE(playback.isTrimMode());
    EXPECT_TRUE(view->property("isVideoAreaFocused").toBool());
    EXPECT_EQ(find(view, "filmstripFrame").size(), 40u);
    for (QQuickItem* frame : find(view, "filmstripFrame"))
        EXPECT_NEAR(frame->width(), (item("trimView")->width() - 24) / 40, 1e-9);
}

TEST_F(TrimModeViewTest, TrimKeysStepFramesAndSetThePointsFromThePlayhead) {
    open();
    press(Qt::Key_Right);
    waitForPlayhead(1.0 / 30);
    press(Qt::Key_Right, {}, /*autoRepeat=*/true);
    waitForPlayhead(2.0 / 30);
    press(Qt::Key_Left);
    waitForPlayhead(1.0 / 30);

    seekTrim(2.5);
    press(Qt::Key_I, "i");
    EXPECT_EQ(session->trimIn(), 2.5);
    seekTrim(3.5);
    press(Qt::Key_O, "o");
    EXPECT_EQ(session->trimOut(), 3.5);
    EXPECT_EQ(stored().trimIn, 2.5);
    EXPECT_EQ(stored().trimOut, 3.5);

    // Held keys repeat. An out point before the in point would turn the range
    // inside out; it stays a second after it instead.
    seekTrim(1);
    press(Qt::Key_O, "o", /*autoRepeat=*/true);
    EXPECT_EQ(session->trimOut(), 3.5);
    press(Qt::Key_I, "i", /*autoRepeat=*/true);
    EXPECT_EQ(session->trimIn(), 1);
    press(Qt::Key_O, "o");
    EXPECT_EQ(session->trimOut(), 2);
}

TEST_F(TrimModeViewTest, SpacePlaysThePointsAndPausesAndEscapeFinishes) {
    open();
    press(Qt::Key_Space, " ");
    EXPECT_TRUE(playback.isPlaying());
    press(Qt::Key_Space, " ");
    EXPECT_FALSE(playback.isPlaying());

    QSignalSpy finished(view, SIGNAL(finished()));
    session->setTrimIn(1);
    press(Qt::Key_Escape);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(playback.isTrimMode());
    EXPECT_EQ(stored().trimIn, 1);
}

TEST_F(TrimModeViewTest, FieldsApplyOnReturnAndFollowThePoints) {
    open();
    auto* field = find(item("inPointField"), "field").at(0);
    field->forceActiveFocus();
    QMetaObject::invokeMethod(field, "selectAll");
    type("0:02");
    EXPECT_EQ(session->trimIn(), 0); // typing alone changes nothing
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_EQ(session->trimIn(), 2);
    EXPECT_EQ(field->property("text").toString(), "00:02");
    // Keys typed into a field are text, not trim keys.
    EXPECT_FALSE(view->property("isVideoAreaFocused").toBool());

    QMetaObject::invokeMethod(field, "selectAll");
    type("abc");
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_EQ(field->property("text").toString(), "00:02");

    session->reset();
    EXPECT_EQ(field->property("text").toString(), "00:00");
}

TEST_F(TrimModeViewTest, HandlesMoveAfterTenPixelsAndTheStripScrubs) {
    open();
    QQuickItem* trimView = item("trimView");
    QQuickItem* inHandle = item("inHandle");
    const QPoint grab = scenePoint(inHandle, 6, 25);
    QTest::mousePress(window.get(), Qt::LeftButton, {}, grab);
    QTest::mouseMove(window.get(), grab + QPoint(6, 0));
    EXPECT_EQ(session->trimIn(), 0);
    const double stripWidth = trimView->width() - 24;
    for (int step = 1; step <= 10; ++step)
        QTest::mouseMove(window.get(),
                         grab + QPoint(static_cast<int>(stripWidth / 4 * step / 10), 0));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {},
                        grab + QPoint(static_cast<int>(stripWidth / 4), 0));
    // The point follows the pointer from where the handle was taken.
    EXPECT_NEAR(session->trimIn(), session->duration() / 4, session->duration() / stripWidth);
    EXPECT_EQ(stored().trimIn, session->trimIn());
    EXPECT_FALSE(playback.isScrubbing());

    QQuickItem* scrubArea = item("scrubArea");
    const QPoint middle = scenePoint(scrubArea, 12 + stripWidth / 2, 25);
    QTest::mousePress(window.get(), Qt::LeftButton, {}, middle);
    EXPECT_TRUE(playback.isScrubbing());
    EXPECT_NEAR(playback.trimClipCurrentTime(), session->duration() / 2,
                session->duration() / stripWidth);
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, middle);
    EXPECT_FALSE(playback.isScrubbing());
    EXPECT_NEAR(item("playhead")->mapToItem(trimView, QPointF(4, 0)).x(), 12 + stripWidth / 2, 1);
}

TEST_F(TrimModeViewTest, DrawsTheTrimModeWithItsFilmstrip) {
    open("hd30.mp4", 1100, 560);
    session->setTrimIn(0.5);
    session->setTrimOut(2.25);
    seekTrim(1.2);
    QTest::qWait(50);
    const QImage picture = saveView("trim_mode");
    // Each picture fills its slot; outside the kept range it is dimmed to 40 %.
    const auto frames = find(view, "filmstripFrame");
    ASSERT_EQ(frames.size(), 40u);
    const auto meanColor = [](const QImage& image, const QRect& area) {
        double sum[3] = {0, 0, 0};
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                sum[0] += c.red();
                sum[1] += c.green();
                sum[2] += c.blue();
            }
        }
        const double n = double(area.width()) * area.height();
        return std::array<double, 3>{sum[0] / n, sum[1] / n, sum[2] / n};
    };
    const auto expectShown = [&](int slot, double brightness) {
        QQuickItem* frame = frames.at(slot);
        // Inside the slot, clear of the kept range's outline.
        const QRect area = frame->mapRectToScene(QRectF(0, 0, frame->width(), frame->height()))
                               .toAlignedRect()
                               .adjusted(1, 3, -1, -3);
        const QImage& source = session->filmstrip()->frames().at(slot).image;
        const auto shown = meanColor(picture, area);
        const auto original = meanColor(source, source.rect().adjusted(0, 3, 0, -3));
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(shown[channel], original[channel] * brightness, 12)
                << "slot " << slot << " channel " << channel;
    };
    expectShown(2, 0.4);
    expectShown(20, 1);
    expectShown(38, 0.4);
}

} // namespace
} // namespace kestrune::test
