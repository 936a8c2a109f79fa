// kestrune-cli relink: finding moved clip files for a stored project as the real
// program, then exporting it, and leaving alone a project a window has open.
#include "command_line_test.h"
#include "editing/clip_relink.h"
#include "fixtures/test_media.h"
#include "model/file_reference.h"
#include "model/project_lock.h"
#include "support/lock_holder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

using namespace kestrune;
using kestrune::testing::CliRun;

namespace {

class RelinkCommandTest : public kestrune::testing::CommandLineTest {
protected:
    RelinkCommandTest()
        : CommandLineTest("relink") {}

    QString put(const char* clip, const QString& relative) {
        const QString path = work.filePath(relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        EXPECT_TRUE(QFile::copy(QString::fromStdString(test::testMedia(clip)), path));
        return path;
    }

    // A stored project "Trip" of three clips in Videos/Trip, each trimmed short
    // so that exporting it is quick; the folder then moved to the disk.
    Project movedTrip() {
        Project project = Project::untitled();
        project.name = "Trip";
        for (const auto& [clip, name] :
             {std::pair{"silent.mp4", "a.mp4"}, std::pair{"counter.mp4", "b.mp4"},
              std::pair{"short-sound.mp4", "c.mp4"}}) {
            VideoClip added;
            added.id = Uuid::generate();
            added.order = static_cast<int>(project.clips.size());
            project.clips.push_back(added);
            const QString path = put(clip, QString("Videos/Trip/") + name);
            relinkClip(project, added.id, readRelinkFile(path.toStdString()));
            project.clips.back().trimOut = 0.2;
        }
        project.updatedAt = Date();
        EXPECT_TRUE(store.save(project));
        EXPECT_TRUE(QDir().mkpath(work.filePath("disk")));
        EXPECT_TRUE(QDir().rename(work.filePath("Videos/Trip"), work.filePath("disk/Trip")));
        return project;
    }

    // The exit status of exporting the project, which first checks every clip's file.
    int exportStatus(const Project& project) {
        QProcess exporting;
        exporting.setProcessEnvironment(environment());
        exporting.start(KESTRUNE_CLI, {"export", idOf(project), "-o", work.filePath("trip.mp4")});
        EXPECT_TRUE(exporting.waitForFinished(120000));
        lastExportError = QString::fromUtf8(exporting.readAllStandardError());
        return exporting.exitCode();
    }
    QString lastExportError;

    // Where the stored project's clips now lead, "" for a missing file.
    QStringList locations(const Project& project) const {
        QStringList paths;
        for (const auto& clip : store.load(project.id).clips) {
            const auto location = locateClip(clip);
            paths << (location && location->found ? QString::fromStdString(location->path) : "");
        }
        return paths;
    }
};

} // namespace

TEST_F(RelinkCommandTest, FindsTheMovedClipsSavesThemAndTheProjectExports) {
    const Project project = movedTrip();
    const QString disk = work.filePath("disk/Trip/");
    EXPECT_EQ(exportStatus(project), 1);
    CliRun relinked = run({idOf(project), "--search", "disk"});
    EXPECT_EQ(relinked.exitCode, 0) << relinked.err.toStdString();
    EXPECT_EQ(relinked.out, QString("a.mp4: found at %1a.mp4\nb.mp4: found at %1b.mp4\n"
                                    "c.mp4: found at %1c.mp4\n")
                                .arg(disk));
    EXPECT_EQ(locations(project), (QStringList{disk + "a.mp4", disk + "b.mp4", disk + "c.mp4"}));
    const Project saved = store.load(project.id);
    EXPECT_EQ(saved.clips[1].trimOut, 0.2);
    EXPECT_GT(saved.updatedAt.secondsSinceReference, 0);

    CliRun again = run({idOf(project), "--search", "disk"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, "Trip: no clip is missing; nothing to relink\n");

    EXPECT_EQ(exportStatus(project), 0) << lastExportError.toStdString();
}

TEST_F(RelinkCommandTest, AClipNotFoundFailsAndADryRunChangesNothing) {
    const Project project = movedTrip();
    ASSERT_TRUE(QFile::rename(work.filePath("disk/Trip/b.mp4"), work.filePath("disk/Trip/B1.mp4")));
    const QByteArray before = fileOf(project);
    const QString found = work.filePath("disk/Trip/");

    CliRun dry = run({idOf(project), "--search", work.filePath("disk"), "--dry-run"});
    EXPECT_EQ(dry.exitCode, 1);
    EXPECT_EQ(dry.out, QString("a.mp4: found at %1a.mp4\nb.mp4: not found\n"
                               "c.mp4: found at %1c.mp4\n")
                           .arg(found));
    EXPECT_EQ(fileOf(project), before);

    // The clips found are kept even though one is still missing.
    CliRun partly = run({idOf(project), "--search=disk"});
    EXPECT_EQ(partly.exitCode, 1);
    EXPECT_EQ(partly.out, dry.out);
    EXPECT_EQ(locations(project), (QStringList{found + "a.mp4", "", found + "c.mp4"}));
}

TEST_F(RelinkCommandTest, AProjectOpenInTheWindowIsLeftAloneAndUsageErrorsAreSaid) {
    const Project project = movedTrip();
    const QByteArray before = fileOf(project);
    {
        test::LockHolder window(store.lockFilePath(project.id));
        ASSERT_TRUE(window.holding());
        CliRun refused = run({idOf(project), "--search", "disk"});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.err.contains("Trip is open in Kestrune; close it there first"))
            << refused.err.toStdString();
        // Looking is not writing.
        EXPECT_EQ(run({idOf(project), "--search", "disk", "--dry-run"}).exitCode, 0);
    }
    for (const QStringList& arguments :
         {QStringList{idOf(project)}, QStringList{idOf(project), "--search"},
          QStringList{idOf(project), "--search", "disk", "--deep"}}) {
        CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains("Usage: kestrune-cli relink")) << result.err.toStdString();
    }
    EXPECT_EQ(run({idOf(project), "--search", "nowhere"}).exitCode, 1);
    EXPECT_EQ(fileOf(project), before);
}
