// kestrune-cli export running real exports, as a user runs it.
#include "fixtures/test_media.h"
#include "model/file_reference.h"
#include "model/project_json.h"
#include "model/project_store.h"

#include <csignal>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace kestrune;

namespace {

class ExportRunTest : public ::testing::Test {
protected:
    QTemporaryDir dataHome;
    QTemporaryDir work;
    ProjectStore store{dataHome.path() + "/Kestrune"};
    QProcess process;

    void start(const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", dataHome.path());
        environment.remove("QT_QPA_PLATFORM");
        process.setProcessEnvironment(environment);
        // The user's fonts (Lexend) stay visible to the command.
        QFile::link(qEnvironmentVariable("XDG_DATA_HOME") + "/fonts", dataHome.filePath("fonts"));
        process.start(KESTRUNE_CLI, QStringList{"export"} + arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    int finish() {
        EXPECT_TRUE(process.waitForFinished(120000));
        return process.exitCode();
    }

    Project projectOf(std::vector<std::pair<const char*, std::pair<int, int>>> files) {
        Project project = Project::untitled();
        project.name = "Run";
        for (auto& [file, size] : files) {
            VideoClip clip;
            clip.id = Uuid::generate();
            clip.fileName = file;
            clip.duration = 2;
            clip.width = size.first;
            clip.height = size.second;
            clip.order = static_cast<int>(project.clips.size());
            clip.bookmarkData = FileReference::make(test::testMedia(file))->encode();
            project.clips.push_back(clip);
        }
        project.sections = {{Uuid::generate(), "One", "", 0}, {Uuid::generate(), "Two", "", 0.6}};
        return project;
    }

    static nlohmann::json probe(const QString& path) {
        QProcess ffprobe;
        ffprobe.start("ffprobe", {"-v", "error", "-count_packets", "-show_streams",
                                  "-show_chapters", "-of", "json", path});
        ffprobe.waitForFinished();
        return nlohmann::json::parse(ffprobe.readAllStandardOutput().toStdString());
    }
};

} // namespace

TEST_F(ExportRunTest, ExportsAStoredProjectAndReportsEachPhase) {
    Project project = projectOf({{"silent.mp4", {1280, 720}}, {"counter.mp4", {640, 360}}});
    project.clips[0].trimOut = 0.5;
    project.clips[1].trimIn = 1.0;
    project.clips[1].trimOut = 1.5;
    ASSERT_TRUE(store.save(project));
    const QString out = work.filePath("joined.mp4");
    start({QString::fromStdString(project.id.toString()), "-o", out});
    ASSERT_EQ(finish(), 0) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardOutput()).contains(out));
    const QString progress = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(progress.contains("Clip 1 of 2")) << progress.toStdString();
    EXPECT_TRUE(progress.contains("Clip 2 of 2")) << progress.toStdString();

    auto info = probe(out);
    auto video = info["streams"][0];
    EXPECT_EQ(video["width"], 1280);
    EXPECT_EQ(video["height"], 720);
    EXPECT_EQ(video["nb_read_packets"], "30"); // 15 + 15 frames
    EXPECT_EQ(info["chapters"].size(), 2u);
}

TEST_F(ExportRunTest, ReadsAProjectFileAndTakesTheCodec) {
    Project project = projectOf({{"silent.mp4", {1280, 720}}});
    project.clips[0].trimOut = 0.3;
    const QString file = work.filePath("project.json");
    QFile json(file);
    ASSERT_TRUE(json.open(QIODevice::WriteOnly));
    json.write(QByteArray::fromStdString(encodeProject(project)));
    json.close();
    const QString out = work.filePath("hevc.mp4");
    start({file, "-o", out, "--codec", "hevc", "--quality", "standard"});
    ASSERT_EQ(finish(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(probe(out)["streams"][0]["codec_tag_string"], "hvc1");
}

TEST_F(ExportRunTest, InterruptingOrClosingTheTerminalCancelsAndKeepsThePreviousFile) {
    Project project = projectOf(
        {{"hd30.mp4", {1920, 1080}}, {"hd30.mp4", {1920, 1080}}, {"hd30.mp4", {1920, 1080}}});
    for (auto& clip : project.clips)
        clip.duration = 3;
    ASSERT_TRUE(store.save(project));
    const QString out = work.filePath("export.mp4");
    for (const int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal == SIGINT ? "Ctrl-C" : "the terminal closed");
        {
            QFile previous(out);
            ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
            previous.write("previous");
        }
        start({QString::fromStdString(project.id.toString()), "-o", out});
        // Wait until rendering has begun, then send the signal.
        QString seen;
        process.setReadChannel(QProcess::StandardError);
        while (!seen.contains("Clip 1 of 3") && process.waitForReadyRead(30000))
            seen += QString::fromUtf8(process.readAllStandardError());
        ASSERT_TRUE(seen.contains("Clip 1 of 3")) << seen.toStdString();
        ::kill(static_cast<pid_t>(process.processId()), signal);
        EXPECT_EQ(finish(), 130) << (seen + process.readAllStandardError()).toStdString();
        QFile previous(out);
        ASSERT_TRUE(previous.open(QIODevice::ReadOnly));
        EXPECT_EQ(previous.readAll(), "previous");
        EXPECT_EQ(QDir(work.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"export.mp4"});
    }
}

// The titles the file carries are plain text: players show them, and a NUL used to
// cut one short.
TEST_F(ExportRunTest, EmbeddedChapterTitlesHoldNoControlCharacters) {
    Project project = projectOf({{"silent.mp4", {1280, 720}}});
    project.clips[0].trimOut = 1.0;
    project.sections[0].title = "\x1B[31mOne\x07";
    project.sections[1].title = std::string("Two\0and\xC2\x9B", 9) + "more";
    ASSERT_TRUE(store.save(project));
    const QString out = work.filePath("titled.mp4");
    start({QString::fromStdString(project.id.toString()), "-o", out});
    ASSERT_EQ(finish(), 0) << process.readAllStandardError().toStdString();
    auto chapters = probe(out)["chapters"];
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0]["tags"]["title"], "[31mOne");
    EXPECT_EQ(chapters[1]["tags"]["title"], "Twoandmore");
}
