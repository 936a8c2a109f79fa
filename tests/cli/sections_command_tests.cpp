// kestrune-cli sections: listing and changing a project's sections as the real
// program, on real project files, and leaving alone a project a window has open.
#include "command_line_test.h"
#include "fixtures/test_media.h"
#include "model/project_json.h"
#include "model/project_lock.h"
#include "model/project_store.h"
#include "support/lock_holder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QFile>
#include <QProcess>

using namespace kestrune;
using kestrune::testing::CliRun;

namespace {

class SectionsCommandTest : public kestrune::testing::CommandLineTest {
protected:
    SectionsCommandTest()
        : CommandLineTest("sections") {}

    // A stored project named "Trip" of clips of the given lengths, with sections
    // at the given starts, last changed long ago.
    Project stored(std::vector<double> lengths,
                   const std::vector<std::pair<std::string, double>>& starts = {}) {
        Project project = Project::untitled();
        project.name = "Trip";
        for (double length : lengths) {
            VideoClip clip;
            clip.id = Uuid::generate();
            clip.fileName = "clip" + std::to_string(project.clips.size() + 1) + ".mp4";
            clip.duration = length;
            clip.width = 1280;
            clip.height = 720;
            clip.order = static_cast<int>(project.clips.size());
            project.clips.push_back(clip);
        }
        for (const auto& [title, start] : starts)
            project.sections.push_back({Uuid::generate(), title, "", start});
        project.updatedAt = Date();
        EXPECT_TRUE(store.save(project));
        return project;
    }

    static std::vector<std::pair<std::string, double>> sectionsOf(const Project& project) {
        std::vector<std::pair<std::string, double>> sections;
        for (const auto& section : project.sections)
            sections.emplace_back(section.title, section.startTime);
        return sections;
    }

    std::vector<std::pair<std::string, double>> storedSections(const Project& project) const {
        return sectionsOf(store.load(project.id));
    }
};

} // namespace

TEST_F(SectionsCommandTest, ListsAddsInTimeOrderAndClears) {
    const Project project = stored({60, 4000}, {{"Intro", 0}, {"Late\tnight", 3700}});
    const QString id = idOf(project);
    CliRun listed = run({id});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out, "00:00\tIntro\n1:01:40\tLate night\n");

    CliRun added = run({id, "add", "--title", "Beach", "--subtitle", "Day two", "--at", " 1:30 "});
    EXPECT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_EQ(added.out, "01:30\tBeach\tDay two\n");
    const Project after = store.load(project.id);
    EXPECT_EQ(sectionsOf(after), (std::vector<std::pair<std::string, double>>{
                                     {"Intro", 0}, {"Beach", 90}, {"Late\tnight", 3700}}));
    EXPECT_EQ(after.sections[1].subtitle, "Day two");
    EXPECT_GT(after.updatedAt, project.updatedAt);
    EXPECT_EQ(run({id, "add", "--title=Seconds", "--at=95.5"}).exitCode, 0);
    EXPECT_EQ(store.load(project.id).sections[2].startTime, 95.5);

    EXPECT_EQ(run({id, "clear"}).exitCode, 0);
    EXPECT_TRUE(store.load(project.id).sections.empty());
    EXPECT_EQ(run({id}).out, "");
}

TEST_F(SectionsCommandTest, AddRefusesWhatTheEditorWouldNotKeep) {
    const Project project = stored({10}, {{"Intro", 0}});
    const Project empty = stored({});
    const QString id = idOf(project);
    const QByteArray before = fileOf(project);
    const auto refused = [&](const QStringList& arguments, int exitCode, const QString& says) {
        CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, exitCode) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(says)) << result.err.toStdString();
    };
    refused({id, "add", "--title", "", "--at", "1"}, 2, "the title is empty");
    refused({id, "add", "--at", "1"}, 2, "add needs --title");
    refused({id, "add", "--title", "A"}, 2, "add needs --at");
    refused({id, "add", "--title", "A", "--at", "soon"}, 2, "'soon' is not a time");
    refused({id, "add", "--title", "A", "--at", "-1"}, 2, "'-1' is not a time");
    refused({id, "add", "--title", "A", "--at", "10"}, 1, "past the end of the video (00:10)");
    refused({id, "add", "--title", "A", "--at", "0:11"}, 1, "past the end of the video");
    refused({idOf(empty), "add", "--title", "A", "--at", "0"}, 1, "no clips");
    refused({id, "add", "--title", "A", "--at", "1", "--replace"}, 2,
            "add does not take --replace");
    refused({id, "shuffle"}, 2, "unknown subcommand 'shuffle'");
    refused({id, "clear", "extra"}, 2, "unexpected argument 'extra'");
    EXPECT_EQ(fileOf(project), before);
}

// Import and from-clips do to existing sections only what they were told to.
TEST_F(SectionsCommandTest, ImportAndFromClipsReplaceOrAddOnlyWhenTold) {
    const Project project = stored({30, 20}, {{"Mine", 5}});
    const QString id = idOf(project);
    const QByteArray before = fileOf(project);
    QFile chapters(work.filePath("chapters.txt"));
    ASSERT_TRUE(chapters.open(QIODevice::WriteOnly));
    chapters.write(";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=40000\ntitle=Start\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=40000\nEND=50000\ntitle=End\n");
    chapters.close();

    for (const QStringList& arguments :
         {QStringList{id, "import", "chapters.txt"}, QStringList{id, "from-clips"}}) {
        CliRun refused = run(arguments);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_TRUE(refused.err.contains("Trip already has 1 section; give --replace"))
            << refused.err.toStdString();
    }
    EXPECT_EQ(run({id, "from-clips", "--replace", "--add"}).exitCode, 2);
    EXPECT_EQ(fileOf(project), before);

    CliRun added = run({id, "import", "chapters.txt", "--add"});
    EXPECT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_EQ(added.out, "00:00\tStart\n00:40\tEnd\n");
    EXPECT_EQ(storedSections(project), (std::vector<std::pair<std::string, double>>{
                                           {"Start", 0}, {"Mine", 5}, {"End", 40}}));

    CliRun fromClips = run({id, "from-clips", "--replace"});
    EXPECT_EQ(fromClips.exitCode, 0) << fromClips.err.toStdString();
    EXPECT_EQ(fromClips.out, "00:00\tclip1\n00:30\tclip2\n");
    EXPECT_EQ(storedSections(project),
              (std::vector<std::pair<std::string, double>>{{"clip1", 0}, {"clip2", 30}}));

    // Without sections neither choice is needed; a project file named by its path
    // is written back in place.
    const QString path = work.filePath("trip.json");
    Project bare = project;
    bare.sections.clear();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(encodeProject(bare)));
    file.close();
    EXPECT_EQ(run({path, "import", "chapters.txt"}).exitCode, 0);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(sectionsOf(decodeProject(file.readAll().toStdString())),
              (std::vector<std::pair<std::string, double>>{{"Start", 0}, {"End", 40}}));
}

TEST_F(SectionsCommandTest, ImportsAPastedYouTubeListAndNamesWhatItLeftOut) {
    const Project project = stored({300});
    const QString id = idOf(project);
    const QByteArray pasted = "Thanks for watching! Chapters:\n"
                              "0:00 Welcome\n"
                              "1:15 - The \x1b[31mharbour\n"
                              "2:60 Broken time\n"
                              "12:00 After the end\n"
                              "Follow me for more\n";
    CliRun result = run({id, "import", "-"}, pasted);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, "00:00\tWelcome\n01:15\tThe [31mharbour\n");
    EXPECT_TRUE(result.err.contains("not understood: 2:60 Broken time"))
        << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("not imported: 12:00 After the end: Starts after the end of "
                                    "the video (05:00)"))
        << result.err.toStdString();
    EXPECT_FALSE(result.err.contains("\x1b"));
    EXPECT_EQ(storedSections(project).size(), 2u);

    // Nothing within the video, or nothing readable at all: nothing changes.
    const QByteArray before = fileOf(project);
    CliRun late = run({id, "import", "-", "--replace"}, "10:00 Late\n20:00 Later\n");
    EXPECT_EQ(late.exitCode, 1);
    EXPECT_TRUE(late.err.contains("none of the chapters")) << late.err.toStdString();
    CliRun junk = run({id, "import", "-", "--replace"}, "just some words\n");
    EXPECT_EQ(junk.exitCode, 1);
    EXPECT_TRUE(junk.err.contains("No chapters found")) << junk.err.toStdString();
    EXPECT_EQ(run({id, "import", "missing.txt", "--replace"}).exitCode, 1);
    EXPECT_EQ(fileOf(project), before);
}

TEST_F(SectionsCommandTest, AProjectOpenInTheWindowIsLeftAlone) {
    const Project project = stored({60}, {{"Intro", 0}});
    const QString id = idOf(project);
    const QByteArray before = fileOf(project);
    const QStringList edits[] = {{id, "add", "--title", "A", "--at", "5"},
                                 {id, "clear"},
                                 {id, "from-clips", "--add"},
                                 // The library's file named by its path has the same lock.
                                 {store.projectFilePath(project.id), "clear"}};
    const auto everyEditRefused = [&] {
        for (const auto& arguments : edits) {
            CliRun result = run(arguments);
            EXPECT_EQ(result.exitCode, 1) << arguments.join(' ').toStdString();
            EXPECT_TRUE(result.err.contains("Trip is open in Kestrune; close it there first"))
                << result.err.toStdString();
        }
        CliRun imported = run({id, "import", "-", "--add"}, "0:10 Ten\n");
        EXPECT_EQ(imported.exitCode, 1);
        EXPECT_EQ(fileOf(project), before);
        // Reading is not writing.
        EXPECT_EQ(run({id}).out, "00:00\tIntro\n");
    };
    {
        // As the window holds it.
        auto window = ProjectLock::tryTake(store.lockFilePath(project.id));
        ASSERT_EQ(window.outcome, ProjectLock::Outcome::taken) << window.error;
        everyEditRefused();
    }
    test::LockHolder crashing(store.lockFilePath(project.id));
    ASSERT_TRUE(crashing.holding());
    everyEditRefused();
    crashing.kill();
    EXPECT_EQ(run({id, "add", "--title", "Now", "--at", "5"}).exitCode, 0);
    EXPECT_EQ(storedSections(project).size(), 2u);
}

// The way the README shows: clips in, chapters from a text, a chaptered movie out.
TEST_F(SectionsCommandTest, AScriptMakesAVideoWithTheChaptersOfAText) {
    const QString clip = QString::fromStdString(test::testMedia("silent.mp4"));
    QProcess import;
    import.setProcessEnvironment(environment());
    import.start(KESTRUNE_CLI, {"import", clip, clip, "--name", "Holiday"});
    ASSERT_TRUE(import.waitForFinished(120000));
    ASSERT_EQ(import.exitCode(), 0) << import.readAllStandardError().toStdString();
    const QString id = QString::fromUtf8(import.readAllStandardOutput()).trimmed();

    QFile text(work.filePath("chapters.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("00:00 Arrival\n00:02 Beach\n00:03 Going home\n");
    text.close();
    CliRun sections = run({id, "import", "chapters.txt"});
    ASSERT_EQ(sections.exitCode, 0) << sections.err.toStdString();

    const QString out = work.filePath("holiday.mp4");
    QProcess exporting;
    exporting.setProcessEnvironment(environment());
    exporting.start(KESTRUNE_CLI, {"export", id, "-o", out});
    ASSERT_TRUE(exporting.waitForFinished(120000));
    ASSERT_EQ(exporting.exitCode(), 0) << exporting.readAllStandardError().toStdString();

    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-show_chapters", "-of", "json", out});
    ASSERT_TRUE(ffprobe.waitForFinished());
    const auto chapters =
        nlohmann::json::parse(ffprobe.readAllStandardOutput().toStdString())["chapters"];
    ASSERT_EQ(chapters.size(), 3u);
    const std::pair<const char*, double> expected[] = {
        {"Arrival", 0}, {"Beach", 2}, {"Going home", 3}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(chapters[i]["tags"]["title"], expected[i].first);
        EXPECT_NEAR(std::stod(chapters[i]["start_time"].get<std::string>()), expected[i].second,
                    0.001);
    }
    // The movie's own chapters read back as the same sections.
    CliRun back = run({id, "import", out, "--replace"});
    ASSERT_EQ(back.exitCode, 0) << back.err.toStdString();
    EXPECT_EQ(back.out, "00:00\tArrival\n00:02\tBeach\n00:03\tGoing home\n");
}
