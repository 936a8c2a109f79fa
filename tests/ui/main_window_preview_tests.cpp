// The preview paused at a few times against the exported movie's frames at the
// same times, scaled to the preview's size: the sidebar, the video area and the
// picture's edges in the same places, the same chapter highlighted, the same
// colours on flat areas. Both layouts, and a portrait clip among landscape ones.
#include "main_window_fixture.h"

#include <cmath>
#include <optional>

#include <QFile>
#include <QProcess>

namespace kestrune::test {
namespace {

int distance(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

// The first of `count` pixels from `from` in steps of `step` that starts a run
// of four unlike `background`; nothing when there is none.
std::optional<int> firstUnlike(const QImage& image, QPoint from, QPoint step, int count,
                               const QColor& background) {
    int run = 0;
    for (int i = 0; i < count; ++i) {
        const QPoint at = from + step * i;
        if (!image.valid(at))
            break;
        run = distance(image.pixelColor(at), background) > 40 ? run + 1 : 0;
        if (run == 4)
            return i - 3;
    }
    return std::nullopt;
}

// Where the picture and the sidebar lie in a frame, and what it shows, measured
// on its pixels alone.
struct Measured {
    std::optional<int> pictureLeft, pictureRight, pictureTop, pictureBottom;
    std::optional<int> sidebarLeft;
    int highlightedRow = -1;
};

class MainWindowPreviewTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (!HasFatalFailure() && !videoFramesDrawn())
            GTEST_SKIP() << "the offscreen platform draws no video pictures";
    }

    // Two chapters and a theme whose sidebar stands apart from the video area.
    void prepareProject() {
        project().addSection("Opening", "", 0);
        project().addSection("Closing", "", 3);
        Project changed = project().project();
        changed.sidebarTheme.videoAreaBackground = *CodableColor::fromHex("#303030");
        changed.sidebarTheme.sidebarBackground = *CodableColor::fromHex("#1E3A5F");
        changed.sidebarTheme.highlightBackground = *CodableColor::fromHex("#D9480F");
        project().setProject(changed);
        ASSERT_TRUE(QTest::qWaitFor([&] { return find("sidebarRow").size() == 2; }));
    }

    // The project exported by kestrune-cli, as a user's exports are.
    QString exportMovie(const QString& name) {
        EXPECT_TRUE(project().saveNow());
        QFile::link(qEnvironmentVariable("XDG_DATA_HOME") + "/fonts", exportHome.filePath("fonts"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", exportHome.path());
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("DISPLAY");
        const QString movie = exportHome.filePath(name + ".mp4");
        QProcess cli;
        cli.setProcessEnvironment(environment);
        cli.start(KESTRUNE_CLI,
                  {"export",
                   store.projectFilePath(*Uuid::parse(project().projectId().toStdString())), "-o",
                   movie});
        EXPECT_TRUE(cli.waitForFinished(600000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        return movie;
    }

    QImage exportedFrame(const QString& movie, double time, const QString& name) {
        const QString path = QString(KESTRUNE_SCREENSHOTS) + "/" + name + "-export.png";
        QFile::remove(path);
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-ss", QString::number(time), "-i", movie,
                                "-frames:v", "1", path});
        EXPECT_TRUE(ffmpeg.waitForFinished(120000));
        EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
        return QImage(path);
    }

    Measured measure(const QImage& frame) {
        const SidebarTheme& theme = project().project().sidebarTheme;
        const QColor background = theme.videoAreaBackground.toColor();
        const QColor sidebarColour = theme.sidebarBackground.toColor();
        const int w = frame.width();
        const int h = frame.height();
        // Rows and columns through the picture area's middle, clear of the sidebar.
        const int sidebarLeft = int(std::lround(sidebar->x() / outputFrame->width() * w));
        const int right =
            (project().sidebarOverlay() ? sidebarLeft
                                        : int(videoArea->width() / outputFrame->width() * w)) -
            4;
        const int midY = h / 2;
        const int midX = int(videoArea->width() / outputFrame->width() * w / 2);
        Measured m;
        m.pictureLeft = firstUnlike(frame, {3, midY}, {1, 0}, right, background);
        if (const auto fromRight = firstUnlike(frame, {right, midY}, {-1, 0}, right, background))
            m.pictureRight = right - *fromRight + 1;
        m.pictureTop = firstUnlike(frame, {midX, 3}, {0, 1}, h, background);
        if (const auto fromBottom = firstUnlike(frame, {midX, h - 4}, {0, -1}, h, background))
            m.pictureBottom = h - 4 - *fromBottom + 1;
        // The sidebar's background runs in from the trailing edge, above the first row.
        const int bandY = int(h * 0.025);
        for (int x = w - 3; x >= 0 && distance(frame.pixelColor(x, bandY), sidebarColour) <= 16;
             --x)
            m.sidebarLeft = x;
        const QColor highlight = theme.highlightBackground.toColor();
        const auto rows = findIn(sidebar, "sidebarRow");
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const QPointF at =
                rows[i]->mapToItem(outputFrame, {rows[i]->width() * 0.9, rows[i]->height() / 2});
            const QPoint pixel(int(at.x() / outputFrame->width() * w),
                               int(at.y() / outputFrame->height() * h));
            if (distance(frame.pixelColor(pixel), highlight) <= 24)
                m.highlightedRow = int(i);
        }
        return m;
    }

    // The preview at each of `times` against the exported movie's frame then.
    void compareWithExport(const QString& name, std::initializer_list<double> times) {
        outputFrame = one("outputFrame");
        videoArea = one("videoArea");
        sidebar = one("sidebarPreview");
        ASSERT_TRUE(outputFrame && videoArea && sidebar);
        const QString movie = exportMovie(name);
        for (const double time : times) {
            SCOPED_TRACE(testing::Message() << name.toStdString() << " at " << time << " s");
            playback().seek(time);
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return std::abs(playback().currentTime() - time) < 0.02; }));
            // The highlight's slide and the new picture have landed.
            QTest::qWait(700);
            const QString shot = name + "-" + QString::number(time);
            const QImage window = saveScreenshot(shot);
            const QRectF inWindow = outputFrame->mapRectToScene(
                QRectF(0, 0, outputFrame->width(), outputFrame->height()));
            const double ratio = window.devicePixelRatio();
            const QRect area = QRectF(inWindow.topLeft() * ratio, inWindow.size() * ratio).toRect();
            const QImage preview = window.copy(area).convertToFormat(QImage::Format_RGB32);
            const QImage exported = exportedFrame(movie, time, shot);
            ASSERT_FALSE(exported.isNull());
            // The preview keeps the exported frame's proportions.
            EXPECT_NEAR(double(area.width()) / area.height(),
                        double(exported.width()) / exported.height(), 0.01);
            const QImage scaled =
                exported.scaled(preview.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_RGB32);
            scaled.save(QString(KESTRUNE_SCREENSHOTS) + "/" + shot + "-export-scaled.png");

            const Measured p = measure(preview);
            const Measured e = measure(scaled);
            auto near = [](std::optional<int> a, std::optional<int> b, const char* what) {
                ASSERT_TRUE(a && b) << what;
                EXPECT_LE(std::abs(*a - *b), 2) << what << ": preview " << *a << ", export " << *b;
            };
            near(p.pictureLeft, e.pictureLeft, "picture's left edge");
            near(p.pictureRight, e.pictureRight, "picture's right edge");
            near(p.pictureTop, e.pictureTop, "picture's top edge");
            near(p.pictureBottom, e.pictureBottom, "picture's bottom edge");
            near(p.sidebarLeft, e.sidebarLeft, "sidebar's left edge");
            EXPECT_EQ(p.highlightedRow, time < 3 ? 0 : 1);
            EXPECT_EQ(e.highlightedRow, p.highlightedRow);

            // Colours on flat areas of the picture: where the exported frame is even
            // over a few pixels every way, the preview shows the same colour.
            int compared = 0;
            int unlike = 0;
            std::string example;
            for (int y = *e.pictureTop + 6; y < *e.pictureBottom - 6; y += 7)
                for (int x = *e.pictureLeft + 6; x < *e.pictureRight - 6; x += 7) {
                    const QColor centre = scaled.pixelColor(x, y);
                    bool flat = true;
                    for (int dy = -4; dy <= 4 && flat; dy += 2)
                        for (int dx = -4; dx <= 4 && flat; dx += 2)
                            flat = distance(scaled.pixelColor(x + dx, y + dy), centre) <= 2 &&
                                   distance(preview.pixelColor(x + dx, y + dy),
                                            preview.pixelColor(x, y)) <= 2;
                    if (!flat)
                        continue;
                    ++compared;
                    const QColor shown = preview.pixelColor(x, y);
                    if (distance(shown, centre) > 6 && unlike++ == 0)
                        example = "at " + std::to_string(x) + "," + std::to_string(y) +
                                  ": preview " + shown.name().toStdString() + ", export " +
                                  centre.name().toStdString();
                }
            EXPECT_EQ(unlike, 0) << "of " << compared << ", first " << example;
            EXPECT_GT(compared, 20);
        }
    }

    QTemporaryDir exportHome;
    QQuickItem* outputFrame = nullptr;
    QQuickItem* videoArea = nullptr;
    QQuickItem* sidebar = nullptr;
};

TEST_F(MainWindowPreviewTest, LandscapeClipsBesideTheSidebarLookAsExported) {
    closeLibrary();
    importClip("hd30.mp4"); // 3 s of colour bars, 1920 × 1080
    importClip("hd60.mov"); // 2 s, 1280 × 720
    waitForTimeline(5);
    prepareProject();
    project().setSidebarOverlay(false);
    compareWithExport("preview-beside", {1.0, 4.0});
}

TEST_F(MainWindowPreviewTest, APortraitClipAmongLandscapeOnesLooksAsExported) {
    closeLibrary();
    importClip("hd30.mp4");        // 3 s
    importClip("portrait-hd.mp4"); // 2 s, shown 1080 × 1920
    waitForTimeline(5);
    prepareProject();
    compareWithExport("preview-portrait-over", {1.0, 4.0}); // 1920 × 1920
    project().setSidebarOverlay(false);
    compareWithExport("preview-portrait-beside", {1.0, 4.0}); // 2342 × 1920
}

} // namespace
} // namespace kestrune::test
