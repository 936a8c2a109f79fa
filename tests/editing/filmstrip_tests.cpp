#include "editing/filmstrip.h"
#include "editing/filmstrip_model.h"
#include "editing/still_picture.h"
#include "fixtures/test_media.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <vector>

#include <QSignalSpy>
#include <QTest>

namespace kestrune {
namespace {

using test::testMedia;

TEST(FilmstripTimes, MiddlesOfEqualSlicesOnTheTrimGrid) {
    const auto times = filmstripTimes(10, 40);
    ASSERT_EQ(times.size(), 40u);
    EXPECT_DOUBLE_EQ(times.front(), 10.0 / 80);
    EXPECT_DOUBLE_EQ(times.back(), 10 - 10.0 / 80);
    for (std::size_t i = 0; i < times.size(); ++i) {
        EXPECT_DOUBLE_EQ(times[i] * 600, std::round(times[i] * 600)) << i;
        if (i > 0) {
            EXPECT_GT(times[i], times[i - 1]);
        }
    }
    // Middles between ticks land on the nearest one: 0.00125 s is 0.75 of a tick.
    EXPECT_DOUBLE_EQ(filmstripTimes(0.1, 40)[0], 1.0 / 600);
}

TEST(FilmstripTimes, NoLengthGivesNoPictures) {
    EXPECT_TRUE(filmstripTimes(0, 40).empty());
    EXPECT_TRUE(filmstripTimes(-1, 40).empty());
    EXPECT_TRUE(filmstripTimes(std::numeric_limits<double>::quiet_NaN(), 40).empty());
    EXPECT_TRUE(filmstripTimes(10, 0).empty());
}

TEST(FittedSize, StaysWithinTheBoxWithItsProportions) {
    const QSizeF box = filmstripPictureBox(50);
    EXPECT_NEAR(box.width(), 88.89, 0.01);
    // 16:9 exactly fills 88.89 × 50, which holds 88 whole pixels.
    EXPECT_EQ(fittedSize(1920, 1080, box), QSize(88, 50));
    EXPECT_EQ(fittedSize(1080, 1920, box), QSize(28, 50));
    EXPECT_EQ(fittedSize(4000, 100, box), QSize(88, 2));
    EXPECT_EQ(fittedSize(40, 20, box), QSize(40, 20)); // never enlarged
    EXPECT_EQ(fittedSize(10000, 1, box), QSize(88, 1));
    EXPECT_TRUE(fittedSize(0, 1080, box).isEmpty());
    EXPECT_EQ(fittedSize(1920, 1080, QSizeF(240, 135)), QSize(240, 135));
}

// counter.mp4 paints frame number bits as ten bars across its upper half; at
// filmstrip size each bar is still several pixels wide.
int paintedNumber(const QImage& picture) {
    int number = 0;
    for (int bit = 0; bit < 10; ++bit) {
        const int x = static_cast<int>((bit + 0.5) * picture.width() / 10.0);
        const int gray = qGray(picture.pixel(x, picture.height() / 4));
        if (gray > 60 && gray < 190)
            return -1;
        if (gray >= 190)
            number |= 1 << bit;
    }
    return number;
}

TEST(FilmstripPictureReader, ReadsOnOrSeeksToTheFrameOnScreenAtEachTime) {
    FilmstripPictureReader reader(testMedia("counter.mp4"), 50);
    // Near, far ahead (a seek), near again, then back (another seek); 30 fps.
    const std::vector<std::pair<double, int>> shown{{0.05, 1}, {0.1, 3},   {3.5, 105}, {3.6, 108},
                                                    {1.0, 30}, {1.01, 30}, {3.99, 119}};
    for (const auto& [seconds, number] : shown) {
        const QImage picture = reader.pictureAt(seconds);
        ASSERT_EQ(picture.size(), QSize(88, 50)) << seconds;
        EXPECT_EQ(paintedNumber(picture), number) << seconds;
    }
    EXPECT_TRUE(FilmstripPictureReader("/nonexistent/clip.mp4", 50).pictureAt(1).isNull());
}

class FilmstripModelTest : public ::testing::Test {
protected:
    FilmstripModel model;

    bool waitUntilFinished() {
        return QTest::qWaitFor([&] { return !model.isGenerating(); }, 20000);
    }
};

TEST_F(FilmstripModelTest, PicturesArriveOneByOneInTimeOrderWithoutHoldingUpTheCaller) {
    std::vector<int> counts;
    QObject::connect(&model, &FilmstripModel::countChanged,
                     [&] { counts.push_back(model.count()); });
    model.generate(QString::fromStdString(testMedia("counter.mp4")), 40, 50);
    // Nothing is decoded on the caller's thread: the rows come through its event loop.
    EXPECT_EQ(model.count(), 0);
    EXPECT_TRUE(model.isGenerating());
    ASSERT_TRUE(waitUntilFinished());

    std::vector<int> oneByOne(40);
    for (int i = 0; i < 40; ++i)
        oneByOne[i] = i + 1;
    EXPECT_EQ(counts, oneByOne);
    EXPECT_EQ(model.requestedCount(), 40);
    const auto times = filmstripTimes(4, 40);
    ASSERT_EQ(model.frames().size(), 40u);
    for (std::size_t i = 0; i < times.size(); ++i) {
        const auto& frame = model.frames()[i];
        EXPECT_DOUBLE_EQ(frame.time, times[i]);
        EXPECT_EQ(frame.image.size(), QSize(88, 50));
        // The frame on screen at 0.05 + 0.1 i s is number 1 + 3 i at 30 fps.
        EXPECT_EQ(paintedNumber(frame.image), 1 + 3 * static_cast<int>(i)) << i;
    }
    const QModelIndex first = model.index(0);
    EXPECT_DOUBLE_EQ(model.data(first, FilmstripModel::TimeRole).toDouble(), 0.05);
    EXPECT_EQ(model.data(first, FilmstripModel::ImageRole).value<QImage>().size(), QSize(88, 50));
}

TEST_F(FilmstripModelTest, PortraitPicturesAreUpright) {
    model.generate(QString::fromStdString(testMedia("portrait.mp4")), 40, 50);
    ASSERT_TRUE(waitUntilFinished());
    ASSERT_EQ(model.count(), 40);

    // FFmpeg's own upright first frame, 360 × 640, brought to filmstrip size.
    std::ifstream raw(testMedia("portrait-upright.bgra"), std::ios::binary);
    std::vector<char> bytes(360 * 640 * 4);
    ASSERT_TRUE(raw.read(bytes.data(), static_cast<std::streamsize>(bytes.size())));
    const QImage upright =
        QImage(reinterpret_cast<const uchar*>(bytes.data()), 360, 640, QImage::Format_ARGB32)
            .scaled(28, 50, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (const auto& frame : model.frames()) {
        ASSERT_EQ(frame.image.size(), QSize(28, 50));
        // The middle of each quarter of the picture has the reference's colour.
        for (const QPoint at : {QPoint(7, 12), QPoint(21, 12), QPoint(7, 37), QPoint(21, 37)}) {
            const QColor got = frame.image.pixelColor(at);
            const QColor want = upright.pixelColor(at);
            EXPECT_NEAR(got.red(), want.red(), 40) << frame.time;
            EXPECT_NEAR(got.green(), want.green(), 40) << frame.time;
            EXPECT_NEAR(got.blue(), want.blue(), 40) << frame.time;
        }
    }
}

TEST_F(FilmstripModelTest, ANewClipSupersedesTheOneStillBeingMade) {
    model.generate(QString::fromStdString(testMedia("counter.mp4")), 40, 50);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.count() >= 2; }, 10000));
    model.generate(QString::fromStdString(testMedia("portrait.mp4")), 40, 50);
    EXPECT_EQ(model.count(), 0);
    ASSERT_TRUE(waitUntilFinished());
    ASSERT_EQ(model.count(), 40);
    // Only the second clip's pictures (portrait-shaped) are there.
    for (const auto& frame : model.frames())
        EXPECT_EQ(frame.image.size(), QSize(28, 50));
    // A late result of the first clip would have arrived by now.
    QTest::qWait(100);
    EXPECT_EQ(model.count(), 40);
}

TEST_F(FilmstripModelTest, AFileThatCannotBeReadGivesAnEmptyFilmstrip) {
    QSignalSpy finished(&model, &FilmstripModel::finished);
    model.generate("/nonexistent/clip.mp4", 40, 50);
    ASSERT_TRUE(waitUntilFinished());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(model.count(), 0);
    EXPECT_EQ(model.requestedCount(), 0);
}

TEST(FilmstripModel, GoingAwayWhileGeneratingIsSafe) {
    auto model = std::make_unique<FilmstripModel>();
    model->generate(QString::fromStdString(testMedia("counter.mp4")), 40, 50);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->count() >= 1; }, 10000));
    model.reset();
    // Whatever the worker had posted is dropped with the model.
    QTest::qWait(50);
}

} // namespace
} // namespace kestrune
