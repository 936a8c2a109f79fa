// Frames composed in the encoder's YUV against the same frames composed the
// straightforward way: painted in RGB with QPainter and converted once, as the
// export used to do. They must look the same where players show them, in RGB:
// the YUV can differ where the old way clipped colours a clip's YUV holds
// outside RGB (the test clips' saturated bars, read with the HD matrix), which
// players clip in the same way when they show the new frame.
#include "export/frame_composer.h"
#include "fixtures/test_media.h"
#include "support/picture.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

#include <QPainter>
#include <QTemporaryDir>

extern "C" {
#include <libavutil/pixdesc.h>
}

using namespace kestrune;

namespace {

// The old way: everything drawn on a BGRA picture, then one conversion.
FramePtr composedInRgb(const ExportConfig& config, SidebarRenderer& renderer,
                       const DecodedFrame& source, int rotation, AVColorSpace colorSpace,
                       double time, AVPixelFormat format) {
    FramePtr rgb = test::makePicture(AV_PIX_FMT_BGRA, config.outputWidth, config.outputHeight);
    QImage image(rgb->data[0], rgb->width, rgb->height, rgb->linesize[0],
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.fillRect(QRectF(0, 0, config.videoAreaWidth, config.outputHeight),
                     config.theme.videoAreaBackground.toColor());
    const bool quarterTurn = rotation % 180 != 0;
    const QRectF fit = frameLayout({config.outputWidth, config.outputHeight, config.videoAreaWidth,
                                    config.sidebarWidth})
                           .fitPicture(quarterTurn ? source.frame->height : source.frame->width,
                                       quarterTurn ? source.frame->width : source.frame->height);
    FrameScaler scaler;
    EXPECT_TRUE(scaler.scaleInto(*source.frame, colorSpace, rotation, *rgb,
                                 {int(std::lround(fit.x())), int(std::lround(fit.y())),
                                  int(std::lround(fit.width())), int(std::lround(fit.height()))}));
    // Lines and sidebar exactly as drawn over the picture, painted straight on it.
    QImage over(config.outputWidth, config.outputHeight, QImage::Format_ARGB32_Premultiplied);
    FrameComposer(config, renderer, format).drawOverlay(over, true, time);
    painter.drawImage(0, 0, over);
    painter.end();

    FramePtr yuv = test::makePicture(format, config.outputWidth, config.outputHeight);
    SwsContextPtr convert(sws_getContext(rgb->width, rgb->height, AV_PIX_FMT_BGRA, yuv->width,
                                         yuv->height, format, SWS_BICUBIC | SWS_FULL_CHR_H_INP,
                                         nullptr, nullptr, nullptr));
    const int* matrix = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(convert.get(), matrix, 1, matrix, 0, 0, 1 << 16, 1 << 16);
    sws_scale(convert.get(), rgb->data, rgb->linesize, 0, rgb->height, yuv->data, yuv->linesize);
    return yuv;
}

// The frame as a player shows it: RGB from BT.709 video range, clipped.
FramePtr shown(const AVFrame& yuv) {
    FramePtr rgb = test::makePicture(AV_PIX_FMT_BGRA, yuv.width, yuv.height);
    SwsContextPtr convert(sws_getContext(
        yuv.width, yuv.height, static_cast<AVPixelFormat>(yuv.format), rgb->width, rgb->height,
        AV_PIX_FMT_BGRA, SWS_BICUBIC | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    const int* matrix = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(convert.get(), matrix, 0, matrix, 1, 0, 1 << 16, 1 << 16);
    sws_scale(convert.get(), yuv.data, yuv.linesize, 0, yuv.height, rgb->data, rgb->linesize);
    return rgb;
}

// Mean absolute difference of the blue, green and red of what players show.
std::array<double, 3> meanDifference(const AVFrame& a, const AVFrame& b) {
    const FramePtr shownA = shown(a);
    const FramePtr shownB = shown(b);
    std::array<double, 3> sums{};
    for (int y = 0; y < a.height; ++y) {
        const std::uint8_t* ra = shownA->data[0] + y * shownA->linesize[0];
        const std::uint8_t* rb = shownB->data[0] + y * shownB->linesize[0];
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c)
                sums[c] += std::abs(ra[4 * x + c] - rb[4 * x + c]);
    }
    for (double& sum : sums)
        sum /= static_cast<double>(a.width) * a.height;
    return sums;
}

// A clip like a camera's: smooth pictures, BT.709 as tagged. (Pixel noise, such
// as the squares of FFmpeg's test pattern, comes out of two different scalers
// as equally right but different pixels.) The gradients' colours are seeded:
// left to chance, some draws are saturated enough that clipping alone moves a
// channel's mean by 1.5.
std::string cameraLikeClip(const QTemporaryDir& folder) {
    const std::string path = folder.filePath("camera.mp4").toStdString();
    const std::string command =
        "ffmpeg -v error -nostdin -y -f lavfi -i gradients=s=1920x1080:r=30:d=1:speed=0.05:seed=3 "
        "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -colorspace bt709 "
        "-color_primaries bt709 -color_trc bt709 '" +
        path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path;
}

struct Case {
    std::string clip;
    int videoWidth, videoHeight;
    bool overlay;
    AVPixelFormat format;
    double time; // into the export: 0.55 is in the middle of the highlight's slide
};

} // namespace

TEST(FrameComposer, ComposesInYuvWhatPaintingInRgbWouldShow) {
    QTemporaryDir folder;
    const std::string camera = cameraLikeClip(folder);
    for (const Case& c :
         {Case{camera, 1920, 1080, true, AV_PIX_FMT_YUV420P, 0.2},
          Case{camera, 1920, 1080, false, AV_PIX_FMT_YUV420P, 0.55},
          Case{test::testMedia("portrait.mp4"), 1280, 720, true, AV_PIX_FMT_YUV420P, 0.55},
          Case{test::testMedia("counter.mp4"), 640, 360, false, AV_PIX_FMT_YUV422P10LE, 0.55}}) {
        SCOPED_TRACE(c.clip + (c.overlay ? " under" : " beside") + " the sidebar, " +
                     av_get_pix_fmt_name(c.format));
        VideoClip size;
        size.width = c.videoWidth;
        size.height = c.videoHeight;
        const OutputDimensions dims = outputDimensions({size}, c.overlay);
        ExportConfig config;
        config.outputWidth = dims.outputWidth;
        config.outputHeight = dims.outputHeight;
        config.videoAreaWidth = dims.videoAreaWidth;
        config.sidebarWidth = dims.sidebarWidth;
        config.theme = SidebarTheme::presets().back();
        config.sections = {{Uuid::generate(), "Intro", "Where it starts", 0},
                           {Uuid::generate(), "Main part", "", 0.4},
                           {Uuid::generate(), "The end", "", 5}};

        VideoFrameReader reader(c.clip, MediaTime{1, 2}, MediaTime{1, 1});
        const std::optional<DecodedFrame> source = reader.next();
        ASSERT_TRUE(source);
        const int rotation = reader.file().rotation();

        auto render = [&](SidebarRenderer& renderer, auto&& compose) {
            // Both sidebars live through the same frames, so they slide alike.
            for (double t = 0; t < c.time; t += 1 / 30.0)
                renderer.advance(t);
            return compose(renderer);
        };
        SidebarRenderer yuvSidebar(config.sections, config.outputWidth, config.outputHeight,
                                   config.videoAreaWidth, config.sidebarWidth, config.theme);
        SidebarRenderer rgbSidebar = yuvSidebar;
        FramePtr composed = render(yuvSidebar, [&](SidebarRenderer& renderer) {
            FramePtr out = test::makePicture(c.format, config.outputWidth, config.outputHeight);
            FrameComposer(config, renderer, c.format)
                .compose(*out, *source, rotation, reader.colorSpace(), c.time);
            return out;
        });
        FramePtr painted = render(rgbSidebar, [&](SidebarRenderer& renderer) {
            return composedInRgb(config, renderer, *source, rotation, reader.colorSpace(), c.time,
                                 c.format);
        });
        const auto means = meanDifference(*composed, *painted);
        for (int plane = 0; plane < 3; ++plane)
            EXPECT_LE(means[plane], 1.5) << "channel " << plane;
    }
}
