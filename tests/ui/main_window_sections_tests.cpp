// The sections panel of the editor window used as a user would: sections typed
// into the form, the sidebar put beside the video, a preset and one colour of
// the theme changed; then the same project exported by kestrune-cli, so that
// the preview's sidebar and the rendered one can be laid side by side.
#include "main_window_fixture.h"
#include "model/sidebar_theme.h"

#include <cmath>

#include <QFile>
#include <QProcess>

namespace kestrune::test {
namespace {

class MainWindowSectionsTest : public MainWindowTest {
protected:
    // Scrolls the sections column until `item` lies inside it, so a click reaches it.
    void scrollIntoView(QQuickItem* item) {
        auto* column = one("sectionsColumn");
        ASSERT_NE(column, nullptr);
        QQuickItem* flickable = nullptr;
        for (QQuickItem* child : column->childItems())
            if (child->inherits("QQuickFlickable"))
                flickable = child;
        ASSERT_NE(flickable, nullptr);
        const double bottom = item->mapToItem(column, QPointF(0, item->height())).y();
        if (bottom > column->height())
            flickable->setProperty("contentY", flickable->property("contentY").toDouble() + bottom -
                                                   column->height() + 8);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return item->mapToItem(column, QPointF(0, item->height())).y() <= column->height();
        }));
    }

    // The colour of the picture at the middle of `item`.
    QColor colourAt(const QImage& picture, const QQuickItem* item, double xShare = 0.5) const {
        const QPointF at = item->mapToScene(QPointF(item->width() * xShare, item->height() / 2));
        return picture.pixelColor((at * picture.devicePixelRatio()).toPoint());
    }
};

// How far apart two colours are, in the largest of their channels.
int distance(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

QColor opaque(const CodableColor& color) {
    return QColor::fromRgbF(color.red, color.green, color.blue);
}

// `color` laid over the opaque `background`.
QColor over(const CodableColor& color, const CodableColor& background) {
    auto mix = [&](double top, double bottom) {
        return top * color.alpha + bottom * (1 - color.alpha);
    };
    return QColor::fromRgbF(mix(color.red, background.red), mix(color.green, background.green),
                            mix(color.blue, background.blue));
}

// The columns of the horizontal line from `from` to `to` with a pixel that
// `matches`, a pixel above and below looked at too (a line may fall between two
// rows of pixels, and the encoder blurs it).
template <class Match>
int pixelsOnLine(const QImage& picture, QPointF from, QPointF to, const Match& matches) {
    int found = 0;
    const int y = int(std::lround(from.y()));
    for (int x = int(from.x()); x <= int(to.x()); ++x) {
        for (int dy = -2; dy <= 2; ++dy)
            if (picture.valid(x, y + dy) && matches(picture.pixelColor(x, y + dy))) {
                ++found;
                break;
            }
    }
    return found;
}

TEST_F(MainWindowSectionsTest, SectionsAndThemeSetInThePanelShowInThePreviewAndTheExport) {
    closeLibrary();
    importClip("hd30.mp4");    // 3 s
    importClip("counter.mp4"); // 4 s
    waitForTimeline(7);

    // Three sections, typed out of order and in both time notations.
    addSectionThroughForm("The Details", "How it works", "0:03", true);
    addSectionThroughForm("Wrap-up", "", "5", false);
    addSectionThroughForm("Introduction", "What we build", "00:00", true);

    // The sidebar beside the video.
    ASSERT_FALSE(withText("Side-by-side").empty());
    click(withText("Side-by-side").front());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !project().sidebarOverlay(); }));

    // The Midnight preset by its miniature.
    QQuickItem* midnight = nullptr;
    for (QQuickItem* thumbnail : find("presetThumbnail"))
        if (thumbnail->property("name").toString() == "Midnight")
            midnight = thumbnail;
    ASSERT_NE(midnight, nullptr);
    ASSERT_EQ(findIn(midnight, "miniature").size(), 1u);
    click(findIn(midnight, "miniature").front());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return project().project().sidebarTheme == SidebarTheme::presets()[2]; }));
    EXPECT_TRUE(midnight->property("isSelected").toBool());

    // One colour typed into its field under "Customize".
    click(one("customizeDisclosure"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find("colorRow").empty(); }));
    QQuickItem* highlightRow = nullptr;
    for (QQuickItem* row : find("colorRow"))
        if (row->property("field").toString() == "highlightBackground")
            highlightRow = row;
    ASSERT_NE(highlightRow, nullptr);
    ASSERT_EQ(findIn(highlightRow, "hexField").size(), 1u);
    QQuickItem* hexField = findIn(highlightRow, "hexField").front();
    scrollIntoView(hexField);
    click(hexField);
    ASSERT_TRUE(hexField->hasActiveFocus());
    replaceText("#D9480F");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return project().project().sidebarTheme.highlightBackground ==
               CodableColor::fromHex("#D9480F");
    }));
    click(one("customizeDisclosure"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("colorRow").empty(); }));

    // The project: the sections in time order with what was typed, the layout, the theme.
    const Project& saved = project().project();
    ASSERT_EQ(saved.sections.size(), 3u);
    EXPECT_EQ(saved.sections[0].title, "Introduction");
    EXPECT_EQ(saved.sections[0].subtitle, "What we build");
    EXPECT_DOUBLE_EQ(saved.sections[0].startTime, 0);
    EXPECT_EQ(saved.sections[1].title, "The Details");
    EXPECT_EQ(saved.sections[1].subtitle, "How it works");
    EXPECT_DOUBLE_EQ(saved.sections[1].startTime, 3);
    EXPECT_EQ(saved.sections[2].title, "Wrap-up");
    EXPECT_EQ(saved.sections[2].subtitle, "");
    EXPECT_DOUBLE_EQ(saved.sections[2].startTime, 5);
    EXPECT_FALSE(saved.sidebarOverlay);
    SidebarTheme expectedTheme = SidebarTheme::presets()[2];
    expectedTheme.highlightBackground = *CodableColor::fromHex("#D9480F");
    EXPECT_EQ(saved.sidebarTheme, expectedTheme);

    // The panel lists them in the same order.
    std::vector<QString> panelTitles;
    for (QQuickItem* row : find("sectionRow"))
        for (QQuickItem* title : findIn(row, "sectionTitle"))
            panelTitles.push_back(title->property("text").toString());
    EXPECT_EQ(panelTitles, (std::vector<QString>{"Introduction", "The Details", "Wrap-up"}));

    // In the last chapter, the preview's sidebar has three rows, the last highlighted
    // (the highlight covers the lines at its edges, so the first line shows).
    constexpr double shownAt = 5.5;
    playback().seek(shownAt);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return std::abs(playback().currentTime() - shownAt) < 0.02; }));
    auto* preview = one("previewContainer");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->property("activeIndex").toInt(), 2);
    auto* sidebar = one("sidebarPreview");
    ASSERT_NE(sidebar, nullptr);
    const auto rows = findIn(sidebar, "sidebarRow");
    ASSERT_EQ(rows.size(), 3u);
    std::vector<QString> sidebarTitles;
    for (QQuickItem* title : findIn(sidebar, "sidebarTitle"))
        sidebarTitles.push_back(title->property("text").toString());
    EXPECT_EQ(sidebarTitles, (std::vector<QString>{"Introduction", "The Details", "Wrap-up"}));
    EXPECT_EQ(findIn(sidebar, "separator").size(), 2u);
    // The box appears once the view has caught up with the new chapter.
    QQuickItem* highlight = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const auto found = findIn(sidebar, "highlight");
        highlight = found.size() == 1 ? found.front() : nullptr;
        return highlight != nullptr;
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::abs(highlight->mapToScene({0, 0}).y() - rows[2]->mapToScene({0, 0}).y()) <
                   0.5 &&
               highlight->opacity() == 1;
    }));
    // Beside the video: the sidebar starts where the bordered video area ends.
    EXPECT_FALSE(find("videoBorder").empty());
    auto* videoArea = one("videoArea");
    ASSERT_NE(videoArea, nullptr);
    EXPECT_GE(sidebar->mapToScene({0, 0}).x(),
              videoArea->mapToScene({videoArea->width(), 0}).x() - 0.5);

    const QImage picture = saveScreenshot("sections");
    const QColor highlightColour = opaque(expectedTheme.highlightBackground);
    const QColor sidebarColour = opaque(expectedTheme.sidebarBackground);
    EXPECT_LE(distance(colourAt(picture, rows[2], 0.97), highlightColour), 8);
    EXPECT_LE(distance(colourAt(picture, rows[0], 0.97), sidebarColour), 8);
    EXPECT_LE(distance(colourAt(picture, rows[1], 0.97), sidebarColour), 8);
    // The dashed line between the first two rows.
    const QColor separatorColour =
        over(expectedTheme.separatorColor, expectedTheme.sidebarBackground);
    const QPointF lineStart = rows[1]->mapToScene({12, 0}) * picture.devicePixelRatio();
    const QPointF lineEnd =
        rows[1]->mapToScene({rows[1]->width() - 12, 0}) * picture.devicePixelRatio();
    EXPECT_GT(pixelsOnLine(picture, lineStart, lineEnd,
                           [&](const QColor& c) { return distance(c, separatorColour) <= 6; }),
              (lineEnd.x() - lineStart.x()) / 4);

    // The same project rendered by kestrune-cli; its frame at the same time.
    ASSERT_TRUE(project().saveNow());
    QTemporaryDir exportHome;
    ASSERT_TRUE(exportHome.isValid());
    // Fonts installed for the user (Lexend) are found through the data home.
    QFile::link(qEnvironmentVariable("XDG_DATA_HOME") + "/fonts", exportHome.filePath("fonts"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", exportHome.path());
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("DISPLAY");
    const QString movie = exportHome.filePath("out.mp4");
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(KESTRUNE_CLI,
              {"export", store.projectFilePath(*Uuid::parse(project().projectId().toStdString())),
               "-o", movie});
    ASSERT_TRUE(cli.waitForFinished(600000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

    const QString exportedFrame = QString(KESTRUNE_SCREENSHOTS) + "/sections-export.png";
    QFile::remove(exportedFrame);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-ss", QString::number(shownAt), "-i", movie,
                            "-frames:v", "1", exportedFrame});
    ASSERT_TRUE(ffmpeg.waitForFinished(120000));
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    const QImage exported(exportedFrame);
    ASSERT_FALSE(exported.isNull());

    // The rendered sidebar is laid out as the preview's, scaled to the frame: the
    // same share of the width, the highlight on the same row, the video area's
    // colour just left of it.
    auto* frame = one("outputFrame");
    ASSERT_NE(frame, nullptr);
    const double sx = exported.width() / frame->width();
    const double sy = exported.height() / frame->height();
    auto exportedAt = [&](const QQuickItem* item, QPointF at) {
        const QPointF inPreview = item->mapToItem(frame, at);
        return exported.pixelColor(QPoint(int(inPreview.x() * sx), int(inPreview.y() * sy)));
    };
    auto rowEnd = [](const QQuickItem* row) {
        return QPointF(row->width() * 0.97, row->height() / 2);
    };
    EXPECT_LE(distance(exportedAt(rows[2], rowEnd(rows[2])), highlightColour), 12);
    EXPECT_LE(distance(exportedAt(rows[0], rowEnd(rows[0])), sidebarColour), 12);
    EXPECT_LE(distance(exportedAt(rows[1], rowEnd(rows[1])), sidebarColour), 12);
    const QPointF exportedLineStart(
        lineStart.x() / picture.devicePixelRatio() - frame->mapToScene({0, 0}).x(),
        lineStart.y() / picture.devicePixelRatio() - frame->mapToScene({0, 0}).y());
    const QPointF exportedLineEnd(lineEnd.x() / picture.devicePixelRatio() -
                                      frame->mapToScene({0, 0}).x(),
                                  exportedLineStart.y());
    // The encoder blurs a thin line's colour: anything drawn over the background counts.
    EXPECT_GT(pixelsOnLine(exported, {exportedLineStart.x() * sx, exportedLineStart.y() * sy},
                           {exportedLineEnd.x() * sx, exportedLineStart.y() * sy},
                           [&](const QColor& c) { return distance(c, sidebarColour) >= 5; }),
              (exportedLineEnd.x() - exportedLineStart.x()) * sx / 4);
    EXPECT_LE(distance(exportedAt(sidebar, QPointF(-3, sidebar->height() * 0.005)),
                       opaque(expectedTheme.videoAreaBackground)),
              12);
}

} // namespace
} // namespace kestrune::test
