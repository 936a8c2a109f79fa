// The project lock: one holder at a time across processes and within one, freed
// by the kernel when a holder dies, and a lock file the library never shows.
#include "model/project_lock.h"
#include "model/project_store.h"
#include "support/lock_holder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace kestrune;
using Outcome = ProjectLock::Outcome;

TEST(ProjectLockTest, OneHolderAtATimeAndAKilledHolderLeavesNoLock) {
    QTemporaryDir folder;
    const QString path = folder.filePath(".project.lock");
    {
        auto first = ProjectLock::tryTake(path);
        ASSERT_EQ(first.outcome, Outcome::taken) << first.error;
        // A second open of the same file, even in this process, waits its turn.
        EXPECT_EQ(ProjectLock::tryTake(path).outcome, Outcome::held);
        EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                  QFile::Permissions());
    }
    EXPECT_EQ(ProjectLock::tryTake(path).outcome, Outcome::taken);

    test::LockHolder holder(path);
    ASSERT_TRUE(holder.holding());
    EXPECT_EQ(ProjectLock::tryTake(path).outcome, Outcome::held);
    holder.kill();
    EXPECT_EQ(ProjectLock::tryTake(path).outcome, Outcome::taken);
}

TEST(ProjectLockTest, TheLockFileIsHiddenBesideTheProjectAndGoesWithIt) {
    QTemporaryDir data;
    const ProjectStore store(data.path() + "/Kestrune");
    const Project project = Project::untitled();
    const QString id = QString::fromStdString(project.id.toString());
    EXPECT_EQ(store.lockFilePath(project.id), store.projectsDirectory() + "/." + id + ".lock");
    EXPECT_EQ(projectLockPath("/somewhere/film.json"), "/somewhere/.film.lock");

    auto lock = ProjectLock::tryTake(store.lockFilePath(project.id));
    ASSERT_EQ(lock.outcome, Outcome::taken) << lock.error;
    ASSERT_TRUE(store.save(project));
    const auto listed = store.listProjects();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].id, project.id);

    lock.lock.reset();
    store.deleteProject(project.id);
    EXPECT_FALSE(QFile::exists(store.lockFilePath(project.id)));
    EXPECT_FALSE(QFile::exists(store.projectFilePath(project.id)));

    // Without a data folder there is nowhere to put the lock, and it says so.
    EXPECT_TRUE(ProjectStore(QString()).lockFilePath(project.id).isEmpty());
    EXPECT_EQ(ProjectLock::tryTake(QString()).outcome, Outcome::failed);
}

TEST(ProjectLockTest, ALinkOrAFolderAtTheLockPathIsNotUsed) {
    QTemporaryDir folder;
    const QString target = folder.filePath("elsewhere");
    const QString link = folder.filePath(".linked.lock");
    ASSERT_TRUE(QFile::link(target, link));
    const auto linked = ProjectLock::tryTake(link);
    EXPECT_EQ(linked.outcome, Outcome::failed);
    EXPECT_NE(linked.error.find("link"), std::string::npos) << linked.error;
    EXPECT_FALSE(QFile::exists(target)) << "the link was followed";

    ASSERT_TRUE(QDir(folder.path()).mkdir(".folder.lock"));
    EXPECT_EQ(ProjectLock::tryTake(folder.filePath(".folder.lock")).outcome, Outcome::failed);
}
