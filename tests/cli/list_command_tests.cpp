// kestrune-cli as a user runs it: a real process against a data folder of its own.
#include "command_line_test.h"
#include "model/project_store.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace kestrune;
using kestrune::testing::CliRun;

namespace {

class CliTest : public kestrune::testing::CommandLineTest {
protected:
    CliTest()
        : CommandLineTest({}) {}

    Project saved(const std::string& name, double updatedAt, std::vector<double> durations) {
        Project project = Project::untitled();
        project.name = name;
        project.createdAt = {updatedAt - 100};
        project.updatedAt = {updatedAt};
        for (double duration : durations) {
            VideoClip clip;
            clip.id = Uuid::generate();
            clip.duration = duration;
            clip.width = 1920;
            clip.height = 1080;
            clip.order = static_cast<int>(project.clips.size());
            project.clips.push_back(clip);
        }
        EXPECT_TRUE(store.save(project));
        return project;
    }
};

} // namespace

TEST_F(CliTest, ListJsonPrintsTheLibraryNewestFirst) {
    Project older = saved("Older", 700000000.5, {10});
    Project newer = saved("Newer \"quoted\"", 800000000.25, {60.5, 4});

    CliRun result = run({"list", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    auto list = nlohmann::json::parse(result.out.toStdString());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], (nlohmann::json{{"id", newer.id.toString()},
                                       {"name", "Newer \"quoted\""},
                                       {"clipCount", 2},
                                       {"totalDuration", 64.5},
                                       {"createdAt", 799999900.25},
                                       {"updatedAt", 800000000.25}}));
    EXPECT_EQ(list[1]["id"], older.id.toString());
}

TEST_F(CliTest, ListShowsATableOrSaysTheLibraryIsEmpty) {
    CliRun empty = run({"list"});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_TRUE(empty.out.startsWith("No projects in " + store.projectsDirectory()))
        << empty.out.toStdString();
    EXPECT_EQ(run({"list", "--json"}).out.trimmed(), "[]");

    Project project = saved("Holiday", 800000000, {3725});
    CliRun table = run({"list"});
    EXPECT_EQ(table.exitCode, 0);
    QStringList lines = table.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("ID"));
    EXPECT_TRUE(lines[1].startsWith(QString::fromStdString(project.id.toString())));
    EXPECT_TRUE(lines[1].contains("Holiday"));
    EXPECT_TRUE(lines[1].contains("62:05"));
}

TEST_F(CliTest, HelpAndUsageErrors) {
    CliRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("list"));
    for (const QStringList& arguments :
         {QStringList{"list", "--help"}, QStringList{"help", "list"}}) {
        CliRun listHelp = run(arguments);
        EXPECT_EQ(listHelp.exitCode, 0);
        EXPECT_TRUE(listHelp.out.startsWith("Usage: kestrune-cli list"))
            << listHelp.out.toStdString();
    }
    CliRun unknownOption = run({"list", "--yaml"});
    EXPECT_EQ(unknownOption.exitCode, 2);
    EXPECT_TRUE(unknownOption.err.contains("--yaml"));
    CliRun unknownCommand = run({"frobnicate"});
    EXPECT_EQ(unknownCommand.exitCode, 2);
    EXPECT_TRUE(unknownCommand.err.contains("unknown command"));
    EXPECT_EQ(run({}).exitCode, 2);
}

namespace {

// Control characters that a terminal would act on: C0 but the line break, DEL, C1.
bool holdsControl(const QString& text) {
    for (QChar c : text)
        if ((c.unicode() < 0x20 && c != '\n') || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            return true;
    return false;
}

} // namespace

// Names are the user's text: they must not send escape sequences, split a row or
// stretch every row of the table; a date no calendar holds reads as unknown.
TEST_F(CliTest, ListTableShowsOneSafeRowPerProject) {
    const std::string hostile = "\x1B[2J\x1B]0;owned\x07"
                                "Evil\nsecond line \xC2\x9B"
                                "31m\xC2\x85"
                                "end";
    saved(hostile, 800000000, {5});
    saved(std::string(100000, 'x'), 700000000, {5});
    saved("Far future", 1e300, {1});
    saved("Far past", -1e300, {1});

    CliRun table = run({"list"});
    ASSERT_EQ(table.exitCode, 0) << table.err.toStdString();
    EXPECT_FALSE(holdsControl(table.out));
    const QStringList lines = table.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << table.out.toStdString();
    for (const QString& line : lines)
        EXPECT_LE(line.size(), 120) << line.left(200).toStdString();
    EXPECT_TRUE(lines[2].contains("Evil")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].contains(QString(30, 'x') + QChar(0x2026)));
    EXPECT_TRUE(lines[1].contains("Far future") && lines[1].endsWith("unknown"));
    EXPECT_TRUE(lines[4].contains("Far past") && lines[4].endsWith("unknown"));

    // The JSON list keeps every name exactly; JSON escapes what needs escaping.
    auto list = nlohmann::json::parse(run({"list", "--json"}).out.toStdString());
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1]["name"], hostile);
    EXPECT_EQ(list[2]["name"].get<std::string>().size(), 100000u);
    EXPECT_EQ(list[0]["updatedAt"], 1e300);
}

// Every id the list shows opens its project, and a copied project file does not
// show the project twice.
TEST_F(CliTest, EveryListedIdOpensItsProject) {
    Project original = saved("Original", 800000000, {30});
    const QString file = store.projectFilePath(original.id);
    ASSERT_TRUE(QFile::copy(file, store.projectsDirectory() + "/Original (copy).json"));
    ASSERT_TRUE(QFile::copy(file, store.projectFilePath(Uuid::generate())));
    saved("Other", 700000000, {10});

    auto list = nlohmann::json::parse(run({"list", "--json"}).out.toStdString());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["id"], original.id.toString());
    for (const auto& entry : list) {
        CliRun chapters = run({"chapters", QString::fromStdString(entry["id"].get<std::string>())});
        EXPECT_EQ(chapters.exitCode, 0) << chapters.err.toStdString();
    }
}

// A project file that is a link to a pipe or a device: listing and opening it
// neither hang nor read without end.
TEST_F(CliTest, ProjectFilesThatAreNoRegularFilesAreRefused) {
    saved("Real", 800000000, {10});
    const QString pipe = work.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const Uuid toPipe = Uuid::generate(), toDevice = Uuid::generate();
    ASSERT_TRUE(QFile::link(pipe, store.projectFilePath(toPipe)));
    ASSERT_TRUE(QFile::link("/dev/zero", store.projectFilePath(toDevice)));

    CliRun list = run({"list"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out.split('\n', Qt::SkipEmptyParts).size(), 2) << list.out.toStdString();
    for (const Uuid& id : {toPipe, toDevice}) {
        CliRun chapters = run({"chapters", QString::fromStdString(id.toString())});
        EXPECT_EQ(chapters.exitCode, 1);
        EXPECT_TRUE(chapters.err.contains("not a regular file")) << chapters.err.toStdString();
    }
    CliRun byPath = run({"chapters", store.projectFilePath(toPipe)});
    EXPECT_EQ(byPath.exitCode, 1);
}

// What the user typed is echoed back in usage errors; it may come from a file name.
TEST_F(CliTest, UsageErrorsEchoArgumentsWithoutControlCharacters) {
    for (const QStringList& arguments :
         {QStringList{"\x1B]0;owned\x07"}, QStringList{"list", "--\x1B[2J\xC2\x9B"}}) {
        CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_FALSE(holdsControl(result.err)) << result.err.toStdString();
    }
}
