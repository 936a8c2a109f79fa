// Turning video files into clips: accepted names, refusals with their texts, the
// metadata and thumbnail, and imports that overlap.
#include "editing_test_support.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSignalSpy>
#include <QThreadPool>

using namespace kestrune;
using namespace kestrune::test;

namespace {

using ImportTest = EditingTest;

TEST_F(ImportTest, AcceptsMp4MovAndM4vInAnyLetterCase) {
    const QString mov = copyOf("hd60.mov", "CLIP.MOV");
    const QString m4v = copyOf("silent.mp4", "movie.m4v");
    const QString mp4 = copyOf("counter.mp4", "Take.Mp4");
    for (const auto& path : {mov, m4v, mp4, mov})
        EXPECT_FALSE(importAndWait(*model, path).isEmpty()) << path.toStdString();

    const auto& clips = model->project().clips;
    ASSERT_EQ(clips.size(), 4u);
    EXPECT_EQ(clips[0].fileName, "CLIP.MOV");
    EXPECT_EQ(clips[1].fileName, "movie.m4v");
    EXPECT_EQ(clips[2].fileName, "Take.Mp4");
    EXPECT_EQ(clips[0].width, 1280);
    EXPECT_EQ(clips[0].height, 720);
    EXPECT_NEAR(clips[0].duration, 2.0, 0.05);
    EXPECT_EQ(clips[0].fileSize, QFileInfo(mov).size());
    for (std::size_t i = 0; i < clips.size(); ++i) {
        EXPECT_EQ(clips[i].order, static_cast<int>(i));
        EXPECT_EQ(clips[i].trimIn, 0);
        EXPECT_FALSE(clips[i].trimOut);
        EXPECT_EQ(model->clipPaths().at(clips[i].id),
                  files.filePath(QString::fromStdString(clips[i].fileName)));
    }
    // The same file twice: two clips, each with its own location.
    EXPECT_NE(clips[0].id, clips[3].id);
    EXPECT_EQ(model->clipPaths().size(), 4u);
    // The reference leads back to the file in a later run.
    const auto reference = FileReference::decode(*clips[0].bookmarkData);
    ASSERT_TRUE(reference);
    EXPECT_EQ(reference->resolve(), (FileReference::Resolved{mov.toStdString(), false}));
    EXPECT_EQ(model->thumbnails().at(clips[0].id).size(), QSize(240, 135));
    EXPECT_EQ(model->clips()->rowCount(), 4);
    EXPECT_FALSE(model->importError());
    EXPECT_TRUE(model->autosavePending());
}

TEST_F(ImportTest, RefusesOtherFormatsFilesWithoutPictureAndDamagedFiles) {
    EXPECT_TRUE(importAndWait(*model, copyOf("counter.mp4", "clip.avi")).isEmpty());
    EXPECT_EQ(model->importError(), "Unsupported format. Please use MP4 or MOV.");

    EXPECT_TRUE(importAndWait(*model, copyOf("audio-only.m4a", "sound.mp4")).isEmpty());
    EXPECT_EQ(model->importError(), "Failed to process video: No video track found");

    const QString damaged = files.filePath("damaged.mov");
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, '\x5a'));
    file.close();
    EXPECT_TRUE(importAndWait(*model, damaged).isEmpty());
    ASSERT_TRUE(model->importError());
    EXPECT_TRUE(model->importError()->startsWith("Failed to process video: "));
    EXPECT_GT(model->importError()->size(), QString("Failed to process video: ").size());

    EXPECT_TRUE(importAndWait(*model, files.filePath("gone.mp4")).isEmpty());
    EXPECT_TRUE(model->importError()->startsWith("Failed to process video: "));

    EXPECT_TRUE(model->project().clips.empty());
    EXPECT_TRUE(model->clipPaths().empty());
    EXPECT_FALSE(model->autosavePending());

    // A later success keeps the last error on show.
    EXPECT_FALSE(importAndWait(*model, copyOf("silent.mp4", "fine.mp4")).isEmpty());
    EXPECT_TRUE(model->importError()->startsWith("Failed to process video: "));
}

TEST_F(ImportTest, PortraitClipIsStoredAndPicturedUpright) {
    ASSERT_FALSE(importAndWait(*model, copyOf("portrait.mp4", "phone.mp4")).isEmpty());
    const VideoClip& clip = model->project().clips.at(0);
    EXPECT_EQ(clip.width, 360);
    EXPECT_EQ(clip.height, 640);
    const QImage thumbnail = model->thumbnails().at(clip.id);
    ASSERT_EQ(thumbnail.size(), QSize(76, 135));
    // Turned clockwise: blue on the left, red top right, green bottom right.
    auto near = [](QRgb pixel, QColor expected) {
        return std::abs(qRed(pixel) - expected.red()) < 60 &&
               std::abs(qGreen(pixel) - expected.green()) < 60 &&
               std::abs(qBlue(pixel) - expected.blue()) < 60;
    };
    EXPECT_TRUE(near(thumbnail.pixel(15, 30), Qt::blue));
    EXPECT_TRUE(near(thumbnail.pixel(15, 105), Qt::blue));
    EXPECT_TRUE(near(thumbnail.pixel(60, 30), Qt::red));
    EXPECT_TRUE(near(thumbnail.pixel(60, 105), Qt::green));
}

TEST_F(ImportTest, ImportsStartedTogetherAllLandInOrder) {
    QSignalSpy inserted(model->clips(), &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(model->clips(), &QAbstractItemModel::modelReset);
    model->importVideo(copyOf("hd30.mp4", "first.mp4"));
    model->importVideo(copyOf("silent.mp4", "second.mp4"));
    EXPECT_EQ(model->importsInProgress(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->project().clips.size() == 2; }, 10000));
    const auto& clips = model->project().clips;
    EXPECT_EQ(clips[0].order, 0);
    EXPECT_EQ(clips[1].order, 1);
    EXPECT_NE(clips[0].fileName, clips[1].fileName);
    EXPECT_EQ(model->importsInProgress(), 0);
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(reset.count(), 0);
}

TEST_F(ImportTest, FilesGivenTogetherLandInTheOrderGivenWhicheverIsReadFirst) {
    // The full HD clip takes longest to read; the broken file never lands.
    QFile broken(files.filePath("broken.mp4"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a video");
    broken.close();
    model->importVideoUrls({QUrl::fromLocalFile(copyOf("hd30.mp4", "1 big.mp4")),
                            QUrl::fromLocalFile(files.filePath("broken.mp4")),
                            QUrl::fromLocalFile(copyOf("silent.mp4", "2 small.mp4")),
                            QUrl::fromLocalFile(copyOf("silent.mp4", "3 small.mp4"))});
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->importsInProgress() == 0; }, 10000));
    std::vector<std::string> names;
    for (const auto& clip : model->project().clipsInOrder())
        names.push_back(clip.fileName);
    EXPECT_EQ(names, (std::vector<std::string>{"1 big.mp4", "2 small.mp4", "3 small.mp4"}));
    EXPECT_EQ(model->undoText(), "Undo Add Clips");
}

TEST_F(ImportTest, MainThreadKeepsRunningWhileAFullHdClipIsRead) {
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start();
    const QString path = copyOf("hd30.mp4", "full-hd.mp4");
    QEventLoop loop;
    QString clipId;
    QObject::connect(model.get(), &ProjectViewModel::importFinished, &loop,
                     [&](const QString&, const QString& id) {
                         clipId = id;
                         loop.quit();
                     });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer elapsed;
    elapsed.start();
    model->importVideo(path);
    loop.exec();
    const qint64 took = elapsed.elapsed();
    EXPECT_FALSE(clipId.isEmpty());
    ticker.stop();
    RecordProperty("import_ms", std::to_string(took));
    std::printf("importing the 1080p clip took %lld ms; the event loop ran %d times meanwhile\n",
                static_cast<long long>(took), ticks);
    EXPECT_GT(ticks, 10);
}

TEST_F(ImportTest, ResultsForADestroyedModelAreDropped) {
    auto doomed = makeModel();
    doomed->importVideo(copyOf("hd30.mp4", "left.mp4"));
    doomed.reset();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QTest::qWait(10);
    SUCCEED(); // the sanitizer build catches a touch of the freed model
}

} // namespace
