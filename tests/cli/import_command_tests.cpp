// kestrune-cli import as a user runs it: a new project from video files, exported
// and listed by the other commands.
#include "command_line_test.h"
#include "fixtures/test_media.h"
#include "model/project_store.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace kestrune;
using kestrune::testing::CliRun;

namespace {

class ImportCommandTest : public kestrune::testing::CommandLineTest {
protected:
    ImportCommandTest()
        : CommandLineTest({}) {}

    void copy(const char* clip, const QString& name) {
        ASSERT_TRUE(
            QFile::copy(QString::fromStdString(test::testMedia(clip)), work.filePath(name)));
    }

    static nlohmann::json probe(const QString& path) {
        QProcess ffprobe;
        ffprobe.start("ffprobe", {"-v", "error", "-show_format", "-show_streams", "-count_packets",
                                  "-of", "json", path});
        ffprobe.waitForFinished();
        return nlohmann::json::parse(ffprobe.readAllStandardOutput().toStdString());
    }
};

TEST_F(ImportCommandTest, ImportedProjectIsListedAndExportsTheJoinedVideo) {
    copy("silent.mp4", "a.mp4");
    copy("hd60.mov", "b.mov");
    const CliRun imported = run({"import", "a.mp4", "b.mov", "--name", "Demo"});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    const auto id = Uuid::parse(imported.out.trimmed().toStdString());
    ASSERT_TRUE(id) << imported.out.toStdString();

    const Project project = store.load(*id);
    EXPECT_EQ(project.name, "Demo");
    ASSERT_EQ(project.clips.size(), 2u);
    EXPECT_EQ(project.clips[0].fileName, "a.mp4");
    EXPECT_EQ(project.clips[1].fileName, "b.mov");

    const CliRun list = run({"list"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_TRUE(list.out.contains(imported.out.trimmed() + "  Demo")) << list.out.toStdString();

    const QString out = work.filePath("demo.mp4");
    const CliRun exported = run({"export", imported.out.trimmed(), "-o", out});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    const auto info = probe(out);
    EXPECT_NEAR(std::stod(info["format"]["duration"].get<std::string>()), 4.0, 0.1);
    EXPECT_EQ(info["streams"][0]["width"], 1280);
    // 2 s at 30 fps, then 2 s of the 60 fps clip at the output's rate.
    EXPECT_GE(std::stoi(info["streams"][0]["nb_read_packets"].get<std::string>()), 120);
}

TEST_F(ImportCommandTest, NamesEachRefusedFileAndFailsWhenNoneIsLeft) {
    copy("audio-only.m4a", "sound.mp4");
    copy("counter.mp4", "clip.avi");
    const CliRun refused = run({"import", "clip.avi", "sound.mp4"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_TRUE(refused.err.contains("clip.avi: Unsupported format. Please use MP4 or MOV."))
        << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("sound.mp4: Failed to process video: No video track found"))
        << refused.err.toStdString();
    EXPECT_TRUE(store.listProjects().empty());

    // One good file is enough; the refused one is still named.
    copy("silent.mp4", "good.mp4");
    const CliRun partly = run({"import", "clip.avi", "good.mp4"});
    EXPECT_EQ(partly.exitCode, 0);
    EXPECT_TRUE(partly.err.contains("clip.avi: Unsupported format"));
    ASSERT_EQ(store.listProjects().size(), 1u);
    EXPECT_EQ(store.listProjects()[0].clipCount, 1);
    EXPECT_EQ(store.listProjects()[0].name, "Untitled Project");

    EXPECT_EQ(run({"import"}).exitCode, 2);
    EXPECT_EQ(run({"import", "good.mp4", "--name"}).exitCode, 2);
    const CliRun help = run({"import", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: kestrune-cli import FILE..."));
}

TEST_F(ImportCommandTest, AFileWhoseNameIsNotUtf8IsRefusedSayingWhy) {
    // A legal Linux name whose byte 0xFF is no UTF-8 character: Qt hands it on as
    // U+FFFD, which names no file, so the user learns to rename it.
    copy("silent.mp4", "good.mp4");
    ASSERT_EQ(::rename(QFile::encodeName(work.filePath("good.mp4")).constData(),
                       (QFile::encodeName(work.path()) + "/clip\xff.mp4").constData()),
              0);
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(work.path());
    // Through the shell: QProcess would turn the argument into UTF-8 itself.
    process.start("/bin/sh",
                  {"-c", "exec \"$0\" import \"$(printf 'clip\\377.mp4')\"", KESTRUNE_CLI});
    ASSERT_TRUE(process.waitForFinished(120000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("clip\uFFFD.mp4\": its name is not valid UTF-8; rename it"))
        << err.toStdString();
    EXPECT_TRUE(store.listProjects().empty());
}

} // namespace
