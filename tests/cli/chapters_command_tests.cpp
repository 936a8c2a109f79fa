// kestrune-cli chapters: the project's sections as chapter lists, run as the
// real program.
#include "command_line_test.h"
#include "model/project_json.h"
#include "model/project_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace kestrune;
using kestrune::testing::CliRun;

namespace {

class ChaptersCommandTest : public kestrune::testing::CommandLineTest {
protected:
    ChaptersCommandTest()
        : CommandLineTest("chapters") {}

    // A project of one clip lasting `length` seconds with sections at the given times.
    Project projectWith(double length, const std::vector<std::pair<std::string, double>>& starts) {
        Project project = Project::untitled();
        VideoClip clip;
        clip.id = Uuid::generate();
        clip.fileName = "long.mp4";
        clip.duration = length;
        clip.width = 1920;
        clip.height = 1080;
        project.clips = {clip};
        for (const auto& [title, start] : starts) {
            Section section;
            section.id = Uuid::generate();
            section.title = title;
            section.startTime = start;
            project.sections.push_back(section);
        }
        return project;
    }
};

} // namespace

TEST_F(ChaptersCommandTest, PrintsTheChaptersInEachFormat) {
    const Project project =
        projectWith(3800, {{"Intro", 0}, {"Setup", 75}, {"Late", 3700}, {"Past the end", 3800}});
    ASSERT_TRUE(store.save(project));
    const QString id = QString::fromStdString(project.id.toString());

    CliRun youtube = run({id});
    EXPECT_EQ(youtube.exitCode, 0) << youtube.err.toStdString();
    EXPECT_EQ(youtube.out, "00:00 Intro\n01:15 Setup\n1:01:40 Late\n");
    EXPECT_FALSE(youtube.err.contains("kestrune-cli")) << youtube.err.toStdString();

    // The same project read from its file.
    const QString path = work.filePath("project.json");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(encodeProject(project)));
    file.close();
    CliRun ffmetadata = run({path, "--format", "ffmetadata"});
    EXPECT_EQ(ffmetadata.exitCode, 0);
    EXPECT_EQ(ffmetadata.out, ";FFMETADATA1\n"
                              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=75000\ntitle=Intro\n"
                              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=75000\nEND=3700000\ntitle=Setup\n"
                              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=3700000\nEND=3800000\n"
                              "title=Late\n");

    CliRun webvtt = run({id, "--format=webvtt"});
    EXPECT_EQ(webvtt.exitCode, 0);
    EXPECT_EQ(webvtt.out, "WEBVTT\n"
                          "\n00:00:00.000 --> 00:01:15.000\nIntro\n"
                          "\n00:01:15.000 --> 01:01:40.000\nSetup\n"
                          "\n01:01:40.000 --> 01:03:20.000\nLate\n");
}

TEST_F(ChaptersCommandTest, WarnsAboutYouTubesRulesButStillPrints) {
    const Project project = projectWith(30, {{"Hello", 4}, {"Bye", 25}});
    ASSERT_TRUE(store.save(project));
    CliRun result = run({QString::fromStdString(project.id.toString())});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "00:04 Hello\n00:25 Bye\n");
    const QStringList warnings =
        result.err.split('\n', Qt::SkipEmptyParts).filter("kestrune-cli chapters: ");
    ASSERT_EQ(warnings.size(), 3) << result.err.toStdString();
    EXPECT_TRUE(warnings[0].contains("first chapter at 00:00"));
    EXPECT_TRUE(warnings[1].contains("at least three chapters"));
    EXPECT_TRUE(warnings[2].contains("00:25 Bye"));
}

TEST_F(ChaptersCommandTest, RefusesBadArguments) {
    CliRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: kestrune-cli chapters"));

    const QString id = QString::fromStdString(Uuid::generate().toString());
    EXPECT_EQ(run({}).exitCode, 2);
    CliRun format = run({id, "--format", "srt"});
    EXPECT_EQ(format.exitCode, 2);
    EXPECT_TRUE(format.err.contains("'srt'"));
    EXPECT_EQ(run({id, "--format"}).exitCode, 2);
    CliRun unknown = run({id});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains("no project with the id " + id)) << unknown.err.toStdString();
}

// Titles reach other programs and the terminal: no escape sequence, bell or C1
// control passes in any format or in the warnings, and a NUL does not cut a title.
TEST_F(ChaptersCommandTest, NoControlCharacterReachesTheOutput) {
    const Project project = projectWith(30, {{"\x1B[2JIntro\x07", 0},
                                             {std::string("Cut\0here", 8), 4},
                                             {"C1 \xC2\x9B"
                                              "31m",
                                              20}});
    ASSERT_TRUE(store.save(project));
    const QString id = QString::fromStdString(project.id.toString());
    const auto holdsControl = [](const QString& text) {
        for (QChar c : text)
            if ((c.unicode() < 0x20 && c != '\n') || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
                return true;
        return false;
    };
    for (const char* format : {"youtube", "ffmetadata", "webvtt"}) {
        CliRun result = run({id, "--format", format});
        EXPECT_EQ(result.exitCode, 0) << format;
        EXPECT_FALSE(holdsControl(result.out)) << format << ": " << result.out.toStdString();
        EXPECT_FALSE(holdsControl(result.err)) << format << ": " << result.err.toStdString();
        EXPECT_TRUE(result.out.contains("Cuthere")) << format;
    }
    // The short chapter is named in the warnings, plainly.
    EXPECT_TRUE(run({id}).err.contains("00:00 [2JIntro"));
}
