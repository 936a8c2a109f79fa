// kestrune-cli export up to the point where the export would start: arguments,
// finding the project and checking its clip files, refusing unsafe output locations.
#include "command_line_test.h"
#include "fixtures/test_media.h"
#include "model/file_reference.h"
#include "model/project_json.h"
#include "model/project_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace kestrune;
using kestrune::testing::CliRun;

namespace {

class ExportCommandTest : public kestrune::testing::CommandLineTest {
protected:
    ExportCommandTest()
        : CommandLineTest("export") {}

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = work.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // A clip whose saved reference leads to a copy of a small test video of that
    // name in the work folder.
    VideoClip clipOf(const QString& name, int order) {
        VideoClip clip;
        clip.id = Uuid::generate();
        clip.fileName = name.toStdString();
        clip.duration = 2;
        clip.width = 320;
        clip.height = 240;
        clip.order = order;
        const QString path = work.filePath(name);
        EXPECT_TRUE(QFile::copy(QString::fromStdString(test::testMedia("portrait.mp4")), path));
        auto reference = FileReference::make(path.toStdString());
        EXPECT_TRUE(reference);
        clip.bookmarkData = reference->encode();
        return clip;
    }
};

} // namespace

TEST_F(ExportCommandTest, RefusesIncompleteOrUnknownArguments) {
    CliRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: kestrune-cli export")) << help.out.toStdString();

    const QString id = QString::fromStdString(Uuid::generate().toString());
    struct Case {
        QStringList arguments;
        QString complaint;
    };
    for (const Case& c :
         {Case{{id}, "-o"}, Case{{id, "-o"}, "-o"}, Case{{"-o", "out.mp4"}, "project"},
          Case{{id, "-o", "out.mp4", "--codec", "av1"}, "'av1'"},
          Case{{id, "-o", "out.mp4", "--codec"}, "unknown codec"},
          Case{{id, "-o", "out.mp4", "--quality=ultra"}, "'ultra'"},
          Case{{id, "-o", "out.mp4", "--fast"}, "'--fast'"},
          Case{{id, "other", "-o", "out.mp4"}, "'other'"},
          // MPEG-4 cannot carry ProRes: say so before any work.
          Case{{id, "-o", "film.mp4", "--codec", "prores"}, "'film.mov'"},
          Case{{id, "-o", "film", "--codec=prores"}, "'film.mov'"}}) {
        CliRun result = run(c.arguments);
        EXPECT_EQ(result.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(c.complaint)) << result.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(work.filePath("out.mp4")));
}

TEST_F(ExportCommandTest, SaysWhenTheProjectCannotBeFound) {
    const QString unknownId = QString::fromStdString(Uuid::generate().toString());
    CliRun unknown = run({unknownId, "-o", "out.mp4"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains("no project with the id " + unknownId))
        << unknown.err.toStdString();

    CliRun missingFile = run({"nowhere.json", "-o", "out.mp4"});
    EXPECT_EQ(missingFile.exitCode, 1);
    EXPECT_TRUE(missingFile.err.contains("'nowhere.json'"));

    writeFile("notes.json", "{\"id\": 3}");
    CliRun notAProject = run({"notes.json", "-o", "out.mp4"});
    EXPECT_EQ(notAProject.exitCode, 1);
    EXPECT_TRUE(notAProject.err.contains("is not a project file")) << notAProject.err.toStdString();

    Project empty = Project::untitled();
    ASSERT_TRUE(store.save(empty));
    CliRun noClips = run({QString::fromStdString(empty.id.toString()), "-o", "out.mp4"});
    EXPECT_EQ(noClips.exitCode, 1);
    EXPECT_TRUE(noClips.err.contains("No clips to export."));
    EXPECT_FALSE(QFile::exists(work.filePath("out.mp4")));
}

TEST_F(ExportCommandTest, ListsEveryClipThatCannotBeUsedAndWritesNothing) {
    Project project = Project::untitled();
    VideoClip present = clipOf("present.mp4", 0);
    VideoClip moved = clipOf("moved.mp4", 1);
    ASSERT_TRUE(QFile::rename(work.filePath("moved.mp4"), work.filePath("elsewhere.mp4")));
    project.clips = {moved, present};
    ASSERT_TRUE(store.save(project));
    const QString projectFile =
        writeFile("project.json", QByteArray::fromStdString(encodeProject(project)));

    // By id from the library and by path, the same answer: the second clip was moved.
    for (const QString& which : {QString::fromStdString(project.id.toString()), projectFile}) {
        CliRun result = run({which, "-o", "out.mp4"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.err.contains("Cannot export — file access issues:\n"
                                        "moved.mp4: File is missing or not readable\n"))
            << result.err.toStdString();
        EXPECT_FALSE(result.err.contains("present.mp4"));
        EXPECT_FALSE(QFile::exists(work.filePath("out.mp4")));
    }

    VideoClip unreferenced = clipOf("unreferenced.mp4", 2);
    unreferenced.bookmarkData.reset();
    VideoClip damaged = clipOf("damaged.mp4", 3);
    damaged.bookmarkData = std::vector<std::uint8_t>{1, 2, 3};
    VideoClip text = clipOf("text.mp4", 4);
    writeFile("text.mp4", "not really a video");
    project.clips = {damaged, text, present, unreferenced, moved};
    ASSERT_TRUE(store.save(project));
    CliRun all = run({QString::fromStdString(project.id.toString()), "-o", "out.mp4"});
    EXPECT_EQ(all.exitCode, 1);
    // One line per failing clip, in timeline order.
    EXPECT_TRUE(all.err.contains("Cannot export — file access issues:\n"
                                 "moved.mp4: File is missing or not readable\n"
                                 "unreferenced.mp4: No saved file reference\n"
                                 "damaged.mp4: No saved file reference\n"
                                 "text.mp4: File cannot be opened as a video\n"))
        << all.err.toStdString();
    EXPECT_FALSE(QFile::exists(work.filePath("out.mp4")));
}

TEST_F(ExportCommandTest, NeverWritesOverAClipOrIntoAMissingFolder) {
    Project project = Project::untitled();
    project.clips = {clipOf("a.mp4", 0), clipOf("b.mp4", 1)};
    ASSERT_TRUE(store.save(project));
    const QString id = QString::fromStdString(project.id.toString());

    CliRun overClip = run({id, "-o", work.filePath("b.mp4")});
    EXPECT_EQ(overClip.exitCode, 1);
    EXPECT_TRUE(overClip.err.contains("is one of the project's clips"))
        << overClip.err.toStdString();
    QFile clip(work.filePath("b.mp4"));
    QFile original(QString::fromStdString(test::testMedia("portrait.mp4")));
    ASSERT_TRUE(clip.open(QIODevice::ReadOnly));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(clip.readAll(), original.readAll());

    CliRun noFolder = run({id, "-o", "missing/out.mp4"});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_TRUE(noFolder.err.contains("does not exist")) << noFolder.err.toStdString();

    CliRun folder = run({id, "-o", work.path()});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_TRUE(folder.err.contains("is a folder"));

    // Writing renames over the output: a pipe someone reads from must stay a pipe.
    const QString pipe = work.filePath("pipe.mp4");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    CliRun overPipe = run({id, "-o", pipe});
    EXPECT_EQ(overPipe.exitCode, 1);
    EXPECT_TRUE(overPipe.err.contains("\"pipe.mp4\": it is not a regular file"))
        << overPipe.err.toStdString();
    struct stat node {};
    ASSERT_EQ(::stat(QFile::encodeName(pipe).constData(), &node), 0);
    EXPECT_TRUE(S_ISFIFO(node.st_mode));
}
