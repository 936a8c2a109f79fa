// Finding moved clip files on a real file system: copies of the test clips moved
// between temporary folders, files that only look like them, unreadable folders,
// link loops and trees too large to look through.
#include "editing/clip_search.h"
#include "fixtures/test_media.h"
#include "model/file_reference.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace kestrune;

namespace {

class ClipSearchTest : public ::testing::Test {
protected:
    QTemporaryDir root;

    std::string at(const QString& relative) const {
        return QFile::encodeName(root.filePath(relative)).toStdString();
    }

    // A copy of the test clip `clip` at `relative`, folders made as needed.
    std::string put(const char* clip, const QString& relative) {
        const QString path = root.filePath(relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        EXPECT_TRUE(QFile::copy(QString::fromStdString(test::testMedia(clip)), path));
        return QFile::encodeName(path).toStdString();
    }

    static void move(const QString& from, const QString& to) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(to).path()));
        ASSERT_TRUE(QDir().rename(from, to)) << from.toStdString() << " → " << to.toStdString();
    }

    // Appends a clip of the file at `path`, as an import makes it.
    static void add(Project& project, const std::string& path) {
        VideoClip clip;
        clip.id = Uuid::generate();
        clip.order = static_cast<int>(project.clips.size());
        project.clips.push_back(clip);
        relinkClip(project, clip.id, readRelinkFile(path));
    }

    static Project projectOf(const std::vector<std::string>& paths) {
        Project project = Project::untitled();
        for (const auto& path : paths)
            add(project, path);
        return project;
    }

    static MissingClip lookingFor(const std::string& name, const std::string& likeFile) {
        const RelinkFile file = readRelinkFile(likeFile);
        return {Uuid::generate(), name, file.metadata.fileSize, file.metadata.duration, {}};
    }

    // Relinks every clip found; returns the found paths in the clips' order.
    static std::vector<std::string> applyFound(Project& project, const ClipSearchResult& result) {
        std::vector<std::string> paths;
        for (const auto& match : result.clips) {
            paths.push_back(match.file ? match.file->reference.path : "");
            if (match.file)
                relinkClip(project, match.id, *match.file);
        }
        return paths;
    }
};

} // namespace

TEST_F(ClipSearchTest, MovedClipsAreFoundFromTheirOldParentOrBesideAClipFound) {
    Project project =
        projectOf({put("silent.mp4", "Videos/Trip/a.mp4"), put("counter.mp4", "Videos/Trip/b.mp4"),
                   put("short-sound.mp4", "Videos/Trip/c.mp4")});
    // The same file twice in the project: both clips come back.
    project.clips.push_back(project.clips[1]);
    project.clips.back().id = Uuid::generate();
    project.clips.back().order = 3;
    // A clip whose file was never moved: its folder is searched first.
    add(project, put("talk.mp4", "Elsewhere/d.mp4"));
    move(root.filePath("Videos/Trip"), root.filePath("Videos/2026-05-01/Trip"));

    const auto missing = missingClips(project);
    ASSERT_EQ(missing.size(), 4u);
    EXPECT_EQ(missing[1].lastKnownPath, at("Videos/Trip/b.mp4"));
    const auto folders = automaticSearchFolders(project);
    EXPECT_EQ(folders, (std::vector<SearchFolder>{{at("Elsewhere"), 1}, {at("Videos"), 2}}));
    Project moved = project;
    const ClipSearchResult result = searchForClips(missing, folders);
    EXPECT_EQ(result.end, ClipSearchResult::End::allFound);
    const std::string dated = at("Videos/2026-05-01/Trip/");
    EXPECT_EQ(applyFound(moved, result),
              (std::vector<std::string>{dated + "a.mp4", dated + "b.mp4", dated + "c.mp4",
                                        dated + "b.mp4"}));
    EXPECT_TRUE(missingClips(moved).empty());

    // Moved to another disk, out of reach of the old parent, until one clip is
    // relinked by hand.
    move(root.filePath("Videos/2026-05-01/Trip"), root.filePath("disk/Trip"));
    EXPECT_EQ(searchForClips(missingClips(project), automaticSearchFolders(project)).foundCount(),
              0u);
    relinkClip(project, project.clips[0].id, readRelinkFile(at("disk/Trip/a.mp4")));
    EXPECT_EQ(
        applyFound(project, searchForClips(missingClips(project), automaticSearchFolders(project))),
        (std::vector<std::string>{at("disk/Trip/b.mp4"), at("disk/Trip/c.mp4"),
                                  at("disk/Trip/b.mp4")}));
}

TEST_F(ClipSearchTest, OnlyTheSameNameSizeAndLengthMakeAMatch) {
    const std::string real = put("silent.mp4", "real/clip.mp4");
    const MissingClip wanted = lookingFor("clip.mp4", real);
    // Nearest first, all of them wrong: another recording of the same name, a
    // file of the same name and size that is no video, the right file renamed.
    put("counter.mp4", "clip.mp4");
    {
        QFile junk(root.filePath("a/clip.mp4"));
        QDir().mkpath(root.filePath("a"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        ASSERT_TRUE(junk.resize(wanted.fileSize));
    }
    put("silent.mp4", "b/renamed.mp4");
    MissingClip renamed = wanted;
    renamed.id = Uuid::generate();
    renamed.fileName = "gone.mp4";
    // The same file recorded with another length, or a length off by a little
    // less than a frame (30 fps), as probes round them.
    MissingClip longer = wanted;
    longer.id = Uuid::generate();
    longer.duration += 0.5;
    MissingClip rounded = wanted;
    rounded.id = Uuid::generate();
    rounded.duration += 0.03;

    const ClipSearchResult result =
        searchForClips({wanted, renamed, longer, rounded}, {{at(""), 1}});
    EXPECT_EQ(result.end, ClipSearchResult::End::searched);
    ASSERT_TRUE(result.clips[0].file);
    EXPECT_EQ(result.clips[0].file->reference.path, real);
    EXPECT_FALSE(result.clips[1].file);
    EXPECT_FALSE(result.clips[2].file);
    ASSERT_TRUE(result.clips[3].file);
    EXPECT_EQ(result.clips[3].file->reference.path, real);

    // Depth 0 is the folder's own files only.
    EXPECT_EQ(searchForClips({wanted}, {{at("real/.."), 0}}).foundCount(), 0u);
}

TEST_F(ClipSearchTest, UnreadableAndMissingFoldersArePassedOver) {
    const std::string real = put("silent.mp4", "open/clip.mp4");
    const MissingClip wanted = lookingFor("clip.mp4", real);
    put("silent.mp4", "closed/clip.mp4");
    ASSERT_TRUE(QFile::setPermissions(root.filePath("closed"), QFileDevice::Permissions()));
    const auto search = [&] {
        const ClipSearchResult result = searchForClips(
            {wanted}, {{at("nowhere"), 2}, {at("closed"), 2}, {root.path().toStdString(), 2}});
        return result.clips[0].file ? result.clips[0].file->reference.path : std::string();
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(search(), real);
    } else {
        // Permissions do not keep the superuser out: the search runs as nobody.
        const auto everyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                              QFileDevice::ExeOther;
        ASSERT_TRUE(QFile::setPermissions(root.path(), everyone));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && search() == real ? 0 : 1);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ASSERT_TRUE(QFile::setPermissions(root.filePath("closed"), QFileDevice::ReadOwner |
                                                                   QFileDevice::WriteOwner |
                                                                   QFileDevice::ExeOwner));
}

TEST_F(ClipSearchTest, LinksAreNotFollowedBelowTheFoldersGiven) {
    const std::string real = put("silent.mp4", "disk/Trip/clip.mp4");
    const MissingClip wanted = lookingFor("clip.mp4", real);
    // Loops of every kind a tree of links can make, and a link to the clip's folder.
    QDir().mkpath(root.filePath("loop/sub"));
    ASSERT_TRUE(QFile::link(root.filePath("loop"), root.filePath("loop/self")));
    ASSERT_TRUE(QFile::link(root.path(), root.filePath("loop/sub/up")));
    ASSERT_TRUE(QFile::link(root.filePath("disk/Trip"), root.filePath("loop/trip")));
    const ClipSearchResult looped = searchForClips({wanted}, {{at("loop"), 1000}});
    EXPECT_EQ(looped.end, ClipSearchResult::End::searched);
    EXPECT_EQ(looped.entriesSeen, 4u); // sub, self, trip; sub/up
    EXPECT_FALSE(looped.clips[0].file);

    // A folder given as a link is followed: a mounted disk's usual name is one.
    const ClipSearchResult given = searchForClips({wanted}, {{at("loop/trip"), 0}});
    ASSERT_TRUE(given.clips[0].file);
    EXPECT_EQ(given.clips[0].file->reference.path, at("loop/trip/clip.mp4"));
}

TEST_F(ClipSearchTest, TheLimitsAndTheStopTokenEndALargeSearch) {
    // 30 folders of 1000 empty files, each a level below the previous one.
    QString folder = root.path();
    for (int level = 0; level < 30; ++level) {
        folder += QString("/level%1").arg(level);
        ASSERT_TRUE(QDir().mkpath(folder));
        const std::string base = QFile::encodeName(folder).toStdString() + "/file";
        for (int i = 0; i < 1000; ++i) {
            const int fd =
                ::open((base + std::to_string(i)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
    }
    const MissingClip wanted{Uuid::generate(), "clip.mp4", 1000, 2, {}};
    const std::vector<SearchFolder> everywhere{{root.path().toStdString(), 100}};

    const auto started = std::chrono::steady_clock::now();
    const ClipSearchResult bounded = searchForClips({wanted}, everywhere);
    const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
    std::printf("20 000 of 30 030 entries looked at in %.3f s\n", took.count());
    EXPECT_EQ(bounded.end, ClipSearchResult::End::entryLimit);
    EXPECT_EQ(bounded.entriesSeen, 20'000u);
    EXPECT_EQ(
        searchForClips({wanted}, everywhere, {1'000'000, std::chrono::minutes(5)}).entriesSeen,
        30'030u);
    EXPECT_EQ(searchForClips({wanted}, everywhere, {1'000'000, std::chrono::milliseconds(0)}).end,
              ClipSearchResult::End::timeLimit);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(searchForClips({wanted}, everywhere, {}, stop.get_token()).end,
              ClipSearchResult::End::cancelled);
}

TEST_F(ClipSearchTest, RelinkingTakesTheFileAndBringsTrimsWithinIt) {
    const std::string longer = put("counter.mp4", "old/clip.mp4"); // 4 s
    const std::string shorter = put("silent.mp4", "new/clip.mp4"); // 2 s, 1280 × 720
    Project project = projectOf({longer, longer, longer, longer});
    auto& clips = project.clips;
    clips[0].trimIn = 0.5; // out point past the new end
    clips[0].trimOut = 3.5;
    clips[1].trimIn = 2.5; // nothing of the trimmed part left
    clips[1].trimOut = 3.0;
    clips[2].trimIn = 0.5; // within the new file
    clips[2].trimOut = 1.0;
    const Project before = project;

    const RelinkFile file = readRelinkFile(shorter);
    EXPECT_FALSE(compareWithRecord(clips[0], file).matches());

    std::vector<bool> clamped;
    for (int i = 0; i < 3; ++i)
        clamped.push_back(relinkClip(project, clips[i].id, file)->trimClamped);
    EXPECT_EQ(clamped, (std::vector<bool>{true, true, false}));
    EXPECT_DOUBLE_EQ(clips[0].trimIn, 0.5);
    EXPECT_NEAR(*clips[0].trimOut, 2.0, 0.05);
    EXPECT_EQ(clips[1].trimIn, 0);
    EXPECT_FALSE(clips[1].trimOut);
    EXPECT_EQ(clips[2].trimOut, 1.0);
    EXPECT_EQ(clips[0].width, 1280);
    EXPECT_EQ(locateClip(clips[0])->path, shorter);
    EXPECT_EQ(clips[3], before.clips[3]);

    EXPECT_FALSE(relinkClip(project, Uuid::generate(), file));
    EXPECT_THROW(readRelinkFile(at("old")), VideoMetadataError);
}
