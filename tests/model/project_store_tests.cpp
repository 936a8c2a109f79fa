#include "log/capturing_sink.h"
#include "model/project_file.h"
#include "model/project_json.h"
#include "model/project_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace kestrune;

namespace {

class ProjectStoreTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    ProjectStore store{home.path() + "/Kestrune"};

    Project makeProject(const std::string& name, double updatedAt, int clipCount = 1) {
        Project project = Project::untitled();
        project.name = name;
        project.updatedAt = {updatedAt};
        for (int i = 0; i < clipCount; ++i) {
            VideoClip clip;
            clip.id = Uuid::generate();
            clip.fileName = "clip" + std::to_string(i) + ".mp4";
            clip.duration = 10;
            clip.width = 1280;
            clip.height = 720;
            clip.order = i;
            project.clips.push_back(clip);
        }
        project.sections = {{Uuid::generate(), "Start", "", 0}};
        return project;
    }

    void writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::vector<std::string> listedNames() {
        std::vector<std::string> names;
        for (const auto& summary : store.listProjects())
            names.push_back(summary.name);
        return names;
    }
};

} // namespace

TEST(ProjectStoreLocations, LiveInTheXdgDataHome) {
    const ProjectStore& store = ProjectStore::standard();
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    EXPECT_EQ(store.baseDirectory(), dataHome + "/Kestrune");
    EXPECT_EQ(store.projectsDirectory(), dataHome + "/Kestrune/projects");
    EXPECT_TRUE(QDir(store.projectsDirectory()).exists());
    EXPECT_EQ(store.legacyAutosavePath(), dataHome + "/Kestrune/autosave.json");
    auto id = *Uuid::parse("6f1e2d3c-4b5a-4978-8695-a4b3c2d1e0f9");
    EXPECT_EQ(store.projectFilePath(id),
              dataHome + "/Kestrune/projects/6F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9.json");
    EXPECT_EQ(&ProjectStore::standard(), &store);
}

TEST_F(ProjectStoreTest, SavesAndLoadsBack) {
    Project project = makeProject("Holiday", 100, 3);
    ASSERT_TRUE(store.save(project));
    EXPECT_EQ(store.load(project.id), project);
    project.name = "Holiday, edited";
    ASSERT_TRUE(store.save(project));
    EXPECT_EQ(store.load(project.id).name, "Holiday, edited");
    EXPECT_EQ(QDir(store.projectsDirectory()).entryList(QDir::Files).size(), 1);
}

TEST_F(ProjectStoreTest, LoadFailsClearlyForMissingOrDamagedFiles) {
    Uuid missing = Uuid::generate();
    EXPECT_THROW(store.load(missing), ProjectStoreError);
    writeFile(store.projectFilePath(missing), "{\"id\": 5}");
    try {
        store.load(missing);
        FAIL();
    } catch (const ProjectStoreError& error) {
        EXPECT_NE(std::string(error.what()).find("id must be text"), std::string::npos);
    }
}

TEST_F(ProjectStoreTest, ListsNewestFirstAndSkipsWhatIsNotAProject) {
    EXPECT_TRUE(store.listProjects().empty());
    ASSERT_TRUE(store.save(makeProject("Old", 100)));
    ASSERT_TRUE(store.save(makeProject("New", 300)));
    ASSERT_TRUE(store.save(makeProject("Middle", 200)));
    QString folder = store.projectsDirectory();
    writeFile(folder + "/notes.txt", "hello");
    writeFile(folder + "/broken.json", "{ not json");
    writeFile(folder + "/other.json", R"({"id":"6f1e2d3c-4b5a-4978-8695-a4b3c2d1e0f9"})");
    writeFile(folder + "/UPPER.JSON",
              QByteArray::fromStdString(encodeProject(makeProject("Upper", 400))));
    writeFile(folder + "/.hidden.json",
              QByteArray::fromStdString(encodeProject(makeProject("Hidden", 500))));
    QDir(folder).mkdir("folder.json");

    EXPECT_EQ(listedNames(), (std::vector<std::string>{"New", "Middle", "Old"}));
    EXPECT_TRUE(QFile::exists(folder + "/broken.json")); // left alone
}

TEST_F(ProjectStoreTest, SummaryCountsClipsAndTheirUsedLength) {
    Project project = makeProject("Lengths", 1, 0);
    VideoClip clip;
    clip.duration = 10;
    clip.width = 1280;
    clip.height = 720;
    project.clips = {clip, clip, clip};
    for (auto& each : project.clips)
        each.id = Uuid::generate();
    project.clips[1].duration = 20;
    project.clips[1].trimIn = 5;
    project.clips[1].trimOut = 15;
    project.clips[2].duration = 6;
    project.clips[2].trimIn = 8;
    ASSERT_TRUE(store.save(project));
    auto summaries = store.listProjects();
    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_EQ(summaries[0], (ProjectSummary{project.id, "Lengths", 3, 3, 20.0, project.createdAt,
                                            project.updatedAt}));
}

TEST_F(ProjectStoreTest, AnUnreadableFolderListsAsEmpty) {
    ProjectStore nowhere(QString{});
    EXPECT_TRUE(nowhere.listProjects().empty());
    ASSERT_TRUE(QDir(store.projectsDirectory()).removeRecursively());
    EXPECT_TRUE(store.listProjects().empty());
}

TEST_F(ProjectStoreTest, DuplicateMakesAnIndependentCopy) {
    Project source = makeProject("Source", 100, 2);
    ASSERT_TRUE(store.save(source));
    QByteArray sourceBytes = readFile(store.projectFilePath(source.id));

    Date before = Date::now();
    Project copy = store.duplicate(source.id, "Source Copy");
    EXPECT_NE(copy.id, source.id);
    EXPECT_EQ(copy.name, "Source Copy");
    ASSERT_EQ(copy.clips.size(), 2u);
    for (std::size_t i = 0; i < copy.clips.size(); ++i) {
        EXPECT_NE(copy.clips[i].id, source.clips[i].id);
        VideoClip sameButId = copy.clips[i];
        sameButId.id = source.clips[i].id;
        EXPECT_EQ(sameButId, source.clips[i]);
    }
    EXPECT_EQ(copy.sections, source.sections);
    EXPECT_GE(copy.createdAt, before);
    EXPECT_EQ(copy.createdAt, copy.updatedAt);
    EXPECT_EQ(store.load(copy.id), copy);
    EXPECT_EQ(readFile(store.projectFilePath(source.id)), sourceBytes);
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"Source Copy", "Source"}));

    EXPECT_THROW(store.duplicate(Uuid::generate(), "Nothing"), ProjectStoreError);
}

TEST_F(ProjectStoreTest, RenameChangesNameAndDateOnly) {
    Project first = makeProject("First", 100);
    ASSERT_TRUE(store.save(first));
    ASSERT_TRUE(store.save(makeProject("Second", 200)));

    EXPECT_TRUE(store.rename(first.id, "  Renamed  "));
    Project renamed = store.load(first.id);
    EXPECT_EQ(renamed.name, "  Renamed  ");
    EXPECT_GT(renamed.updatedAt, first.updatedAt);
    renamed.name = first.name;
    renamed.updatedAt = first.updatedAt;
    EXPECT_EQ(renamed, first);
    EXPECT_EQ(listedNames().front(), "  Renamed  ");

    EXPECT_FALSE(store.rename(Uuid::generate(), "Ghost"));
    EXPECT_EQ(store.listProjects().size(), 2u);
}

TEST_F(ProjectStoreTest, DeleteRemovesTheFileAndIgnoresMissingOnes) {
    Project project = makeProject("Doomed", 1);
    ASSERT_TRUE(store.save(project));
    store.deleteProject(project.id);
    EXPECT_FALSE(QFile::exists(store.projectFilePath(project.id)));
    store.deleteProject(project.id);
    EXPECT_TRUE(store.listProjects().empty());
}

TEST_F(ProjectStoreTest, FailedSaveIsReportedAndKeepsTheOldFile) {
    Project project = makeProject("Kept", 1);
    ASSERT_TRUE(store.save(project));
    QByteArray before = readFile(store.projectFilePath(project.id));

    // Errors go to standard error: a script that captures a command's output (an
    // imported project's id) must not capture the failure instead.
    Project broken = project;
    broken.clips[0].duration = NAN;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(store.save(broken));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.rfind("[Persistence] Save project failed: ", 0), 0u) << printed;
    EXPECT_EQ(readFile(store.projectFilePath(project.id)), before);

    // The folder is not recreated behind the user's back once it is gone.
    ASSERT_TRUE(QDir(store.projectsDirectory()).removeRecursively());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(store.save(project));
    printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("[Persistence] Save project failed: could not write"), std::string::npos)
        << printed;
    EXPECT_FALSE(QDir(store.projectsDirectory()).exists());
    EXPECT_THROW(store.duplicate(project.id, "Copy"), ProjectStoreError);
}

TEST_F(ProjectStoreTest, MigrationMovesALeftoverAutosaveOnce) {
    const QString legacy = store.legacyAutosavePath();
    auto writeLegacy = [&](const Project& p) {
        writeFile(legacy, QByteArray::fromStdString(encodeProject(p)));
    };

    // A project with clips and no file of its own moves into the library.
    Project withClips = makeProject("Autosaved", 5, 2);
    writeLegacy(withClips);
    store.migrateLegacyAutosave();
    EXPECT_FALSE(QFile::exists(legacy));
    EXPECT_EQ(store.load(withClips.id), withClips);

    // An empty project is not kept.
    Project empty = makeProject("Empty", 6, 0);
    writeLegacy(empty);
    store.migrateLegacyAutosave();
    EXPECT_FALSE(QFile::exists(legacy));
    EXPECT_FALSE(QFile::exists(store.projectFilePath(empty.id)));

    // An existing project file is never overwritten.
    Project older = withClips;
    older.name = "Older autosave";
    writeLegacy(older);
    store.migrateLegacyAutosave();
    EXPECT_FALSE(QFile::exists(legacy));
    EXPECT_EQ(store.load(withClips.id).name, "Autosaved");

    // Bytes that are not a project stay where they are.
    writeFile(legacy, "garbage");
    store.migrateLegacyAutosave();
    EXPECT_EQ(readFile(legacy), "garbage");

    // Nothing to migrate: nothing happens.
    QFile::remove(legacy);
    store.migrateLegacyAutosave();
    EXPECT_EQ(store.listProjects().size(), 1u);
}

TEST_F(ProjectStoreTest, MigrationKeepsTheAutosaveWhenItCannotBeMoved) {
    Project project = makeProject("Precious", 5, 1);
    writeFile(store.legacyAutosavePath(), QByteArray::fromStdString(encodeProject(project)));
    ASSERT_TRUE(QDir(store.projectsDirectory()).removeRecursively());
    testing::internal::CaptureStderr();
    store.migrateLegacyAutosave();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("[Persistence] Save project failed"),
              std::string::npos);
    EXPECT_TRUE(QFile::exists(store.legacyAutosavePath()));
}

// A name in the folder may lead to a pipe, a device or a file far too large: the
// library must neither hang nor read without end, and still list the real projects.
TEST_F(ProjectStoreTest, ListsAndLoadsOnlyRegularFilesOfAProjectsSize) {
    ASSERT_TRUE(store.save(makeProject("Real", 100)));
    const QString pipe = home.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const Uuid toPipe = Uuid::generate(), toDevice = Uuid::generate(), toFolder = Uuid::generate();
    ASSERT_TRUE(QFile::link(pipe, store.projectFilePath(toPipe)));
    ASSERT_TRUE(QFile::link("/dev/zero", store.projectFilePath(toDevice)));
    ASSERT_TRUE(QFile::link(home.path(), store.projectFilePath(toFolder)));
    // A real project padded with whitespace past the limit: valid JSON, but no
    // project is that large.
    Project huge = makeProject("Huge", 200);
    QByteArray hugeBytes = QByteArray::fromStdString(encodeProject(huge));
    hugeBytes.append(QByteArray(kMaxProjectFileSize + 1 - hugeBytes.size(), ' '));
    writeFile(store.projectFilePath(huge.id), hugeBytes);

    log::CapturingSink logged;
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"Real"}));
    EXPECT_TRUE(
        logged.contains(log::Category::Persistence, store.projectFilePath(huge.id).toStdString()));
    for (const Uuid& id : {toPipe, toDevice, toFolder, huge.id})
        EXPECT_THROW(store.load(id), ProjectStoreError);

    // At the limit it is still a project.
    hugeBytes.chop(1);
    writeFile(store.projectFilePath(huge.id), hugeBytes);
    EXPECT_EQ(store.load(huge.id), huge);
}

// A project is opened by the id in its file's name; a file whose name and content
// disagree, or a copy of a project's file, would list an id that cannot be opened
// or the same project twice.
TEST_F(ProjectStoreTest, ListsEachProjectOnceUnderAnIdThatLoadsIt) {
    Project original = makeProject("Original", 100);
    ASSERT_TRUE(store.save(original));
    const QString folder = store.projectsDirectory();
    const QByteArray bytes = readFile(store.projectFilePath(original.id));
    const Uuid elsewhere = Uuid::generate();
    writeFile(store.projectFilePath(elsewhere), bytes);
    writeFile(folder + "/Original copy.json", bytes);
    writeFile(folder + "/" + QString::fromStdString(original.id.toString()).toLower() + ".json",
              bytes);

    const auto listed = store.listProjects();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].id, original.id);
    EXPECT_EQ(store.load(original.id), original);
    // Editing what this returned would save over the other project's file.
    EXPECT_THROW(store.load(elsewhere), ProjectStoreError);
    EXPECT_FALSE(store.rename(elsewhere, "Renamed"));
    EXPECT_EQ(readFile(store.projectFilePath(original.id)), bytes);
}
