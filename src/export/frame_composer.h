// Composes each output frame in the encoder's pixel format: the video area's
// background, the clip's picture scaled straight into its fitted rectangle, and
// over them the frame lines and the chapter sidebar, which QPainter draws only
// when they change and which are then blended in YUV.
#pragma once

#include "export_settings.h"
#include "frame_layout.h"
#include "media/frame_scaler.h"
#include "media/video_frame_reader.h"
#include "sidebar/sidebar_renderer.h"
#include "yuv_overlay.h"

#include <optional>

#include <QImage>

class QPainter;

namespace kestrune {

class FrameComposer {
public:
    // `format`: the encoder's planar YUV format.
    FrameComposer(const ExportConfig& config, SidebarRenderer& renderer, AVPixelFormat format);

    // Draws the frame at `time` seconds on the output timeline, showing `source`'s
    // picture, into `output` (the output size, in the format given above).
    void compose(AVFrame& output, const DecodedFrame& source, int rotation, AVColorSpace colorSpace,
                 double time);

    // The frame lines and the sidebar as drawn over the picture at `time`, on a
    // transparent picture of the output size.
    void drawOverlay(QImage& image, bool pictureDrawn, double time);

private:
    // The video area's background everywhere but `hole`, black beside the video.
    void fillBackground(AVFrame& output, PixelRect hole) const;
    // Where the source's picture goes in the output; nothing for an empty picture.
    std::optional<PixelRect> pictureRect(const DecodedFrame& source, int rotation) const;
    void drawLines(QPainter& painter) const;

    const ExportConfig& config_;
    SidebarRenderer& renderer_;
    const AVPixelFormat format_;
    const FrameLayout layout_;
    FrameScaler scaler_;
    YuvColor background_;
    YuvColor black_;
    // The frame lines, drawn once for frames with a picture and once for those
    // without; the sidebar, drawn into a strip of its own whenever it changes.
    YuvOverlay lines_;
    std::optional<bool> linesShown_;
    const int sidebarLeft_;
    QImage sidebarImage_;
    YuvOverlay sidebar_;
    std::optional<SidebarRenderer::Appearance> sidebarShows_;
};

} // namespace kestrune
