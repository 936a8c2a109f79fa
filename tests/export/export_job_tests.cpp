#include "export/export_job.h"

#include <gtest/gtest.h>

using namespace kestrune;

namespace {

VideoClip clip(int order, int width, int height, double duration) {
    VideoClip c;
    c.id = Uuid::generate();
    c.fileName = "clip" + std::to_string(order) + ".mp4";
    c.order = order;
    c.width = width;
    c.height = height;
    c.duration = duration;
    return c;
}

QUrl fileOf(const VideoClip& c) {
    return QUrl::fromLocalFile(QString::fromStdString("/videos/" + c.fileName));
}

} // namespace

TEST(MakeExportConfig, TakesTheClipsInTimelineOrderWithTheirTrims) {
    Project project = Project::untitled();
    VideoClip a = clip(0, 1280, 720, 10);
    VideoClip b = clip(1, 1920, 1080, 20);
    b.trimIn = 2.5;
    b.trimOut = 12;
    VideoClip c = clip(2, 640, 480, 5);
    // Stored out of order: the order field decides.
    project.clips = {c, a, b};
    project.sidebarTheme = SidebarTheme::presets().back();

    std::map<Uuid, QUrl> files{{a.id, fileOf(a)}, {b.id, fileOf(b)}, {c.id, fileOf(c)}};
    ExportConfig config =
        makeExportConfig(project, files, ExportCodec::prores, ExportQuality::maximum);
    ASSERT_EQ(config.clips.size(), 3u);
    EXPECT_EQ(config.clips[0], (ClipExportInfo{fileOf(a).toLocalFile().toStdString(), 10, 1280, 720,
                                               0, std::nullopt}));
    EXPECT_EQ(config.clips[1],
              (ClipExportInfo{fileOf(b).toLocalFile().toStdString(), 20, 1920, 1080, 2.5, 12.0}));
    EXPECT_EQ(config.clips[2].path, fileOf(c).toLocalFile().toStdString());
    EXPECT_EQ(config.codec, ExportCodec::prores);
    EXPECT_EQ(config.quality, ExportQuality::maximum);
    EXPECT_EQ(config.theme, project.sidebarTheme);

    // A clip without a located file is not exported, but still sizes the output.
    files.erase(b.id);
    config = makeExportConfig(project, files, ExportCodec::h264, ExportQuality::high);
    ASSERT_EQ(config.clips.size(), 2u);
    EXPECT_EQ(config.clips[0].path, fileOf(a).toLocalFile().toStdString());
    EXPECT_EQ(config.clips[1].path, fileOf(c).toLocalFile().toStdString());
    EXPECT_EQ(config.outputWidth, 1920);
    EXPECT_EQ(config.outputHeight, 1080);
}

TEST(MakeExportConfig, SizesTheOutputForEitherSidebarLayout) {
    Project project = Project::untitled();
    project.clips = {clip(0, 1279, 720, 3), clip(1, 1080, 1921, 3)};
    std::map<Uuid, QUrl> files;
    for (const auto& c : project.clips)
        files[c.id] = fileOf(c);

    project.sidebarOverlay = true;
    ExportConfig overlay = makeExportConfig(project, files, ExportCodec::h264, ExportQuality::high);
    EXPECT_EQ((OutputDimensions{overlay.outputWidth, overlay.outputHeight, overlay.videoAreaWidth,
                                overlay.sidebarWidth}),
              outputDimensions(project.clips, true));
    EXPECT_EQ(overlay.outputWidth, 1280);
    EXPECT_EQ(overlay.outputHeight, 1922);

    project.sidebarOverlay = false;
    ExportConfig beside = makeExportConfig(project, files, ExportCodec::h264, ExportQuality::high);
    EXPECT_EQ((OutputDimensions{beside.outputWidth, beside.outputHeight, beside.videoAreaWidth,
                                beside.sidebarWidth}),
              outputDimensions(project.clips, false));
    EXPECT_EQ(beside.videoAreaWidth, 1280);
    EXPECT_GT(beside.outputWidth, 1280);
}

TEST(MakeExportConfig, LeavesOutChaptersThatStartAtOrAfterTheEnd) {
    Project project = Project::untitled();
    VideoClip a = clip(0, 1920, 1080, 10);
    VideoClip b = clip(1, 1920, 1080, 10);
    b.trimOut = 5; // the joined timeline is 15 s long
    project.clips = {a, b};
    project.sections = {{Uuid::generate(), "Intro", "", 0},
                        {Uuid::generate(), "Middle", "", 14.999},
                        {Uuid::generate(), "At the end", "", 15},
                        {Uuid::generate(), "Beyond", "", 18}};
    std::map<Uuid, QUrl> files{{a.id, fileOf(a)}, {b.id, fileOf(b)}};
    ExportConfig config = makeExportConfig(project, files, ExportCodec::h264, ExportQuality::high);
    ASSERT_EQ(config.sections.size(), 2u);
    EXPECT_EQ(config.sections[0], project.sections[0]);
    EXPECT_EQ(config.sections[1], project.sections[1]);

    // No clips: nothing to size and no chapter reached.
    project.clips.clear();
    config = makeExportConfig(project, {}, ExportCodec::h264, ExportQuality::high);
    EXPECT_TRUE(config.clips.empty());
    EXPECT_TRUE(config.sections.empty());
    EXPECT_EQ(config.outputWidth, 0);
}
