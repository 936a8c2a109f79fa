#include "export/export_settings.h"
#include "export/frame_layout.h"
#include "media/color_space.h"

#include <gtest/gtest.h>

using namespace kestrune;

namespace {

std::vector<VideoClip> clipsOfSize(std::initializer_list<std::pair<int, int>> sizes) {
    std::vector<VideoClip> clips;
    for (auto [w, h] : sizes) {
        VideoClip clip;
        clip.width = w;
        clip.height = h;
        clips.push_back(clip);
    }
    return clips;
}

ExportConfig configOf(int width, int height, ExportQuality quality,
                      ExportCodec codec = ExportCodec::h264) {
    ExportConfig config;
    config.outputWidth = width;
    config.outputHeight = height;
    config.quality = quality;
    config.codec = codec;
    return config;
}

} // namespace

TEST(ExportChoices, HaveTheirDisplayNamesAndReadBackFromThem) {
    std::vector<std::string> names;
    for (auto codec : kAllExportCodecs) {
        names.emplace_back(displayName(codec));
        EXPECT_EQ(exportCodecFromDisplayName(displayName(codec)), codec);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"H.264", "HEVC (H.265)", "ProRes 422"}));
    names.clear();
    for (auto quality : kAllExportQualities) {
        names.emplace_back(displayName(quality));
        EXPECT_EQ(exportQualityFromDisplayName(displayName(quality)), quality);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Standard", "High", "Maximum"}));
    EXPECT_FALSE(exportCodecFromDisplayName("h264"));
    EXPECT_FALSE(exportQualityFromDisplayName("high"));
}

TEST(OutputDimensions, FollowTheLargestClipAndTheSidebarChoice) {
    EXPECT_EQ(outputDimensions(clipsOfSize({{1920, 1080}}), true),
              (OutputDimensions{1920, 1080, 1920, 422}));
    EXPECT_EQ(outputDimensions(clipsOfSize({{1920, 1080}}), false),
              (OutputDimensions{2342, 1080, 1920, 422}));
    // Odd sizes round up; beside the video the sidebar absorbs the extra pixel.
    EXPECT_EQ(outputDimensions(clipsOfSize({{1921, 1081}}), true),
              (OutputDimensions{1922, 1082, 1922, 423}));
    EXPECT_EQ(outputDimensions(clipsOfSize({{1921, 1081}}), false),
              (OutputDimensions{2346, 1082, 1922, 424}));
    EXPECT_EQ(outputDimensions(clipsOfSize({{1279, 719}}), true),
              (OutputDimensions{1280, 720, 1280, 282}));
    EXPECT_EQ(outputDimensions(clipsOfSize({{1279, 719}}), false),
              (OutputDimensions{1562, 720, 1280, 282}));
    // Width and height come from different clips.
    EXPECT_EQ(outputDimensions(clipsOfSize({{1280, 720}, {1080, 1920}}), true).outputWidth, 1280);
    EXPECT_EQ(outputDimensions(clipsOfSize({{1280, 720}, {1080, 1920}}), true).outputHeight, 1920);
    for (bool overlay : {true, false})
        EXPECT_EQ(outputDimensions({}, overlay), (OutputDimensions{0, 0, 0, 0}));
}

TEST(FrameLayout, PlacesTheSidebarAtTheTrailingEdgeAndInsetsThePictureArea) {
    // Beside the video: the sidebar takes what the video area leaves.
    const FrameLayout beside = frameLayout({2342, 1080, 1920, 422});
    EXPECT_EQ(beside.frame, QRectF(0, 0, 2342, 1080));
    EXPECT_EQ(beside.videoArea, QRectF(0, 0, 1920, 1080));
    EXPECT_EQ(beside.sidebar, QRectF(1920, 0, 422, 1080));
    EXPECT_EQ(beside.pictureArea, QRectF(16.2, 16.2, 1887.6, 1047.6));
    // Over the video: the same strip lies on the video area's trailing edge.
    const FrameLayout over = frameLayout({1920, 1920, 1920, 422});
    EXPECT_EQ(over.videoArea, QRectF(0, 0, 1920, 1920));
    EXPECT_EQ(over.sidebar, QRectF(1498, 0, 422, 1920));
    // Nothing turns inside out for sizes too small for the inset, or below zero.
    EXPECT_TRUE(frameLayout({2, 200, 2, 0}).pictureArea.isEmpty());
    EXPECT_EQ(frameLayout({-4, -4, -4, 9}), frameLayout({}));
}

TEST(FrameLayout, FitsEachPictureCentredInThePictureArea) {
    const FrameLayout layout =
        frameLayout({1920, 1920, 1920, 422}); // a portrait clip among landscape ones
    const QRectF landscape = layout.fitPicture(1920, 1080);
    EXPECT_DOUBLE_EQ(landscape.width(), layout.pictureArea.width());
    EXPECT_DOUBLE_EQ(landscape.height(), layout.pictureArea.width() * 1080 / 1920);
    EXPECT_DOUBLE_EQ(landscape.center().y(), layout.pictureArea.center().y());
    const QRectF portrait = layout.fitPicture(1080, 1920);
    EXPECT_DOUBLE_EQ(portrait.height(), layout.pictureArea.height());
    EXPECT_DOUBLE_EQ(portrait.center().x(), layout.pictureArea.center().x());
    EXPECT_TRUE(layout.fitPicture(0, 1080).isEmpty());
    EXPECT_TRUE(frameLayout({}).fitPicture(1920, 1080).isEmpty());
}

TEST(AverageBitRate, ScalesWithPixelsAndTruncates) {
    EXPECT_EQ(averageBitRate(configOf(3840, 2160, ExportQuality::standard)), 16'000'000);
    EXPECT_EQ(averageBitRate(configOf(1280, 720, ExportQuality::maximum)), 8'888'888);
    EXPECT_EQ(averageBitRate(configOf(2342, 1080, ExportQuality::high)), 9'758'333);
    EXPECT_EQ(averageBitRate(configOf(1280, 720, ExportQuality::standard)), 1'777'777);
    EXPECT_EQ(averageBitRate(configOf(0, 0, ExportQuality::high)), 0);
}

TEST(SourceColorSpace, UsesTheClipsTagOrGuessesFromItsSize) {
    EXPECT_EQ(sourceColorSpace(AVCOL_SPC_BT470BG, 1920, 1080), AVCOL_SPC_BT470BG);
    EXPECT_EQ(sourceColorSpace(AVCOL_SPC_UNSPECIFIED, 1920, 1080), AVCOL_SPC_BT709);
    EXPECT_EQ(sourceColorSpace(AVCOL_SPC_UNSPECIFIED, 1080, 1920), AVCOL_SPC_BT709);
    EXPECT_EQ(sourceColorSpace(AVCOL_SPC_UNSPECIFIED, 720, 576), AVCOL_SPC_BT470BG);
    EXPECT_EQ(sourceColorSpace(AVCOL_SPC_UNSPECIFIED, 640, 480), AVCOL_SPC_BT470BG);
}
