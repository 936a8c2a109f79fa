// The export request both front ends go through: the clip files checked, the
// output file checked, and the job built, or the problem the user is shown.
#include "export/export_request.h"
#include "fixtures/test_media.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace kestrune;

namespace {

class ExportRequestTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    Project project = Project::untitled();
    std::map<Uuid, std::string> paths;

    std::string pathIn(const QString& name) const { return folder.filePath(name).toStdString(); }

    // A clip of the project whose file is a copy of a test video named `name`.
    VideoClip& addClip(const QString& name, int order, int width = 320, int height = 240) {
        VideoClip clip;
        clip.id = Uuid::generate();
        clip.fileName = name.toStdString();
        clip.order = order;
        clip.width = width;
        clip.height = height;
        clip.duration = 2;
        EXPECT_TRUE(QFile::copy(QString::fromStdString(test::testMedia("counter.mp4")),
                                folder.filePath(name)));
        paths[clip.id] = pathIn(name);
        project.clips.push_back(clip);
        return project.clips.back();
    }

    ExportRequest request(const std::string& output, ExportCodec codec = ExportCodec::h264) {
        return requestExport(project, paths, output, codec, ExportQuality::high);
    }

    static std::string problemOf(const ExportRequest& outcome) {
        const auto* problem = std::get_if<ExportProblem>(&outcome);
        return problem ? problem->message : "(no problem)";
    }
};

} // namespace

TEST_F(ExportRequestTest, ListsEveryClipThatCannotBeUsedInPlaybackOrder) {
    addClip("good.mp4", 3);
    addClip("moved.mp4", 2);
    ASSERT_TRUE(QFile::rename(folder.filePath("moved.mp4"), folder.filePath("elsewhere.mp4")));
    addClip("unreferenced.mp4", 0);
    paths.erase(project.clips.back().id);
    addClip("text.mp4", 1);
    QFile file(folder.filePath("text.mp4"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("not a movie");
    file.close();

    const CheckedClips checked = checkClipFiles(project, paths);
    ASSERT_TRUE(checked.problem);
    EXPECT_EQ(checked.problem->message, "Cannot export — file access issues:\n"
                                        "unreferenced.mp4: No saved file reference\n"
                                        "text.mp4: File cannot be opened as a video\n"
                                        "moved.mp4: File is missing or not readable");
    EXPECT_EQ(checked.files,
              (std::map<Uuid, std::string>{{project.clips[0].id, pathIn("good.mp4")}}));
    // The second stage never builds a job past a failed check.
    EXPECT_EQ(problemOf(makeExportConfig(checked, pathIn("out.mp4"), ExportCodec::h264,
                                         ExportQuality::high)),
              checked.problem->message);

    project.clips.clear();
    EXPECT_EQ(problemOf(request(pathIn("out.mp4"))), "No clips to export.");
    EXPECT_FALSE(QFile::exists(folder.filePath("out.mp4")));
}

TEST(ExportContainer, NamesTheFileForTheCodecsContainer) {
    EXPECT_EQ(containerPath("/v/talk", ExportCodec::h264), "/v/talk.mp4");
    EXPECT_EQ(containerPath("/v/talk.MP4", ExportCodec::hevc), "/v/talk.MP4");
    EXPECT_EQ(containerPath("/v/talk.m4v", ExportCodec::h264), "/v/talk.m4v");
    EXPECT_EQ(containerPath("/v/talk.mov", ExportCodec::h264), "/v/talk.mp4");
    EXPECT_EQ(containerPath("/v/talk", ExportCodec::prores), "/v/talk.mov");
    EXPECT_EQ(containerPath("/v/export.mp4", ExportCodec::prores), "/v/export.mov");
    EXPECT_EQ(containerPath("/v/talk.Mov", ExportCodec::prores), "/v/talk.Mov");
    EXPECT_EQ(containerPath("/v/part.1", ExportCodec::h264), "/v/part.1.mp4");
    EXPECT_EQ(containerPath("/v.d/talk", ExportCodec::prores), "/v.d/talk.mov");

    // ProRes must be named as the QuickTime movie it is; the suggestion names the file.
    const auto mp4 = outputNameProblem("/v/film.mp4", ExportCodec::prores);
    ASSERT_TRUE(mp4);
    EXPECT_EQ(mp4->message, "ProRes is written as a QuickTime movie, not MPEG-4; name the output "
                            "file with .mov (for example 'film.mov')");
    const auto bare = outputNameProblem("/v/film", ExportCodec::prores);
    ASSERT_TRUE(bare);
    EXPECT_NE(bare->message.find("'film.mov'"), std::string::npos);
    EXPECT_FALSE(outputNameProblem("/v/film.mov", ExportCodec::prores));
    // H.264 and HEVC are MPEG-4 under any name the user insists on.
    EXPECT_FALSE(outputNameProblem("/v/film.mov", ExportCodec::h264));
    EXPECT_FALSE(outputNameProblem("/v/film", ExportCodec::hevc));
}

TEST_F(ExportRequestTest, NeverWritesOverAClipOrANodeThatIsNotAFile) {
    addClip("a.mp4", 0);
    addClip("b.mp4", 1);
    const qint64 size = QFileInfo(folder.filePath("b.mp4")).size();
    const std::string overClip = "Cannot export over \"b.mp4\": it is one of the project's "
                                 "clips. Choose another file.";
    EXPECT_EQ(problemOf(request(pathIn("b.mp4"))), overClip);
    // Through another name of the same file, too.
    ASSERT_TRUE(QFile::link(folder.filePath("b.mp4"), folder.filePath("link.mp4")));
    EXPECT_EQ(problemOf(request(pathIn("link.mp4"))), overClip);
    ASSERT_EQ(::link(pathIn("b.mp4").c_str(), pathIn("hard.mp4").c_str()), 0);
    EXPECT_EQ(problemOf(request(pathIn("hard.mp4"))), overClip);
    EXPECT_EQ(QFileInfo(folder.filePath("b.mp4")).size(), size);

    ASSERT_TRUE(QDir(folder.path()).mkdir("clips.mp4"));
    EXPECT_EQ(problemOf(request(pathIn("clips.mp4"))),
              "Cannot export to \"clips.mp4\": it is a folder. Choose a file name.");
    EXPECT_EQ(problemOf(request(pathIn("clips.mp4") + "/")),
              "Cannot export to \"clips.mp4\": it is a folder. Choose a file name.");

    // The writer renames over the output when done: a pipe there would be replaced.
    const std::string pipe = pathIn("pipe.mp4");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(problemOf(request(pipe)),
              "Cannot export to \"pipe.mp4\": it is not a regular file. Choose another file.");
    struct stat node {};
    ASSERT_EQ(::stat(pipe.c_str(), &node), 0);
    EXPECT_TRUE(S_ISFIFO(node.st_mode));
    EXPECT_NE(problemOf(request("/dev/null")).find("not a regular file"), std::string::npos);

    EXPECT_EQ(problemOf(request(pathIn("missing/out.mp4"))),
              "Cannot export to \"out.mp4\": the folder \"" + pathIn("missing") +
                  "\" does not exist.");
    EXPECT_NE(problemOf(request(pathIn("a.mp4") + "/out.mp4")).find("does not exist"),
              std::string::npos);
    EXPECT_NE(problemOf(request(pathIn("film.mp4"), ExportCodec::prores)).find("'film.mov'"),
              std::string::npos);

    // An ordinary file that is not a clip is there to be replaced.
    QFile previous(folder.filePath("previous.mp4"));
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
    EXPECT_TRUE(std::holds_alternative<ExportConfig>(request(pathIn("previous.mp4"))));
}

TEST_F(ExportRequestTest, BuildsTheJobFromTheClipsInOrderWithTheirTrims) {
    addClip("c.mp4", 2, 640, 480);
    addClip("a.mp4", 0, 1280, 720);
    VideoClip& b = addClip("b.mp4", 1, 1079, 1920);
    b.trimIn = 0.5;
    b.trimOut = 1.5;
    project.sidebarOverlay = true;
    project.sidebarTheme = SidebarTheme::presets().back();
    // The joined timeline is 5 s long.
    project.sections = {{Uuid::generate(), "Intro", "", 0},
                        {Uuid::generate(), "Last", "", 4.999},
                        {Uuid::generate(), "At the end", "", 5},
                        {Uuid::generate(), "Beyond", "", 9}};

    const ExportRequest outcome = request(pathIn("out.mov"), ExportCodec::prores);
    const auto* config = std::get_if<ExportConfig>(&outcome);
    ASSERT_TRUE(config) << problemOf(outcome);
    ASSERT_EQ(config->clips.size(), 3u);
    EXPECT_EQ(config->clips[0], (ClipExportInfo{pathIn("a.mp4"), 2, 1280, 720, 0, std::nullopt}));
    EXPECT_EQ(config->clips[1], (ClipExportInfo{pathIn("b.mp4"), 2, 1079, 1920, 0.5, 1.5}));
    EXPECT_EQ(config->clips[2].path, pathIn("c.mp4"));
    ASSERT_EQ(config->sections.size(), 2u);
    EXPECT_EQ(config->sections[1].title, "Last");
    EXPECT_EQ((OutputDimensions{config->outputWidth, config->outputHeight, config->videoAreaWidth,
                                config->sidebarWidth}),
              outputDimensions(project.clips, true));
    EXPECT_EQ(config->outputWidth, 1280);
    EXPECT_EQ(config->outputHeight, 1920);
    EXPECT_EQ(config->codec, ExportCodec::prores);
    EXPECT_EQ(config->quality, ExportQuality::high);
    EXPECT_EQ(config->theme, project.sidebarTheme);
    EXPECT_FALSE(QFile::exists(folder.filePath("out.mov")));
}

TEST_F(ExportRequestTest, KeepsEachClipToWhatItsFileHoldsNow) {
    // counter.mp4 holds 4 s: an out point past that ends at the file's end.
    VideoClip& clip = addClip("long.mp4", 0);
    clip.trimIn = 1;
    clip.trimOut = 1e9;
    ExportRequest outcome = request(pathIn("out.mp4"));
    const auto* config = std::get_if<ExportConfig>(&outcome);
    ASSERT_TRUE(config) << problemOf(outcome);
    ASSERT_TRUE(config->clips[0].trimOut);
    EXPECT_NEAR(*config->clips[0].trimOut, 4.0, 0.05);

    // A clip whose file was replaced by a shorter one, or trimmed to nothing, is
    // named before anything is written.
    clip.trimIn = 4.5;
    clip.trimOut.reset();
    EXPECT_EQ(problemOf(request(pathIn("out.mp4"))),
              "Cannot export \"long.mp4\": it starts at 4.50 s, but its file now holds only "
              "4.00 s. Trim the clip again.");
    clip.trimIn = 2.5;
    clip.trimOut = 0.5;
    EXPECT_EQ(problemOf(request(pathIn("out.mp4"))),
              "Cannot export \"long.mp4\": its out point (0.50 s) is not after its in point "
              "(2.50 s). Trim the clip again.");
    EXPECT_FALSE(QFile::exists(folder.filePath("out.mp4")));
}
