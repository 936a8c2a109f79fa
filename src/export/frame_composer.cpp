#include "frame_composer.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

#include <QPainter>

namespace kestrune {

namespace {

template <typename Sample>
void fillRows(AVFrame& frame, int plane, int x, int top, int width, int rows, int value) {
    if (width <= 0)
        return;
    for (int y = top; y < top + rows; ++y) {
        auto* row = reinterpret_cast<Sample*>(frame.data[plane] + static_cast<std::ptrdiff_t>(y) *
                                                                      frame.linesize[plane]);
        std::fill_n(row + x, width, static_cast<Sample>(value));
    }
}

} // namespace

FrameComposer::FrameComposer(const ExportConfig& config, SidebarRenderer& renderer,
                             AVPixelFormat format)
    : config_(config)
    , renderer_(renderer)
    , format_(format)
    , layout_(frameLayout(
          {config.outputWidth, config.outputHeight, config.videoAreaWidth, config.sidebarWidth}))
    , background_(yuvColor(config.theme.videoAreaBackground.toColor(),
                           av_pix_fmt_desc_get(format)->comp[0].depth))
    , black_(yuvColor(Qt::black, av_pix_fmt_desc_get(format)->comp[0].depth))
    // The sidebar's strip starts on a whole chroma sample.
    , sidebarLeft_((config.outputWidth - config.sidebarWidth) & ~1)
    , sidebarImage_(config.outputWidth - sidebarLeft_, config.outputHeight,
                    QImage::Format_ARGB32_Premultiplied) {}

void FrameComposer::compose(AVFrame& output, const DecodedFrame& source, int rotation,
                            AVColorSpace colorSpace, double time) {
    // The background goes only where the picture will not: around it.
    const std::optional<PixelRect> target = pictureRect(source, rotation);
    fillBackground(output, target.value_or(PixelRect{}));
    const bool drawn =
        target && scaler_.scaleInto(*source.frame, colorSpace, rotation, output, *target);
    if (target && !drawn)
        fillBackground(output, PixelRect{}); // over whatever the failed scale left
    // Most frames show what the previous one showed over the picture; only a
    // sliding highlight or a new chapter changes the sidebar, and the lines go
    // only with a picture.
    if (drawn != linesShown_) {
        QImage lines(config_.outputWidth, config_.outputHeight,
                     QImage::Format_ARGB32_Premultiplied);
        lines.fill(Qt::transparent);
        QPainter painter(&lines);
        if (drawn)
            drawLines(painter);
        painter.end();
        lines_.set(lines, format_);
        linesShown_ = drawn;
    }
    const SidebarRenderer::Appearance appearance = renderer_.advance(time);
    if (appearance != sidebarShows_) {
        sidebarImage_.fill(Qt::transparent);
        QPainter painter(&sidebarImage_);
        painter.translate(-sidebarLeft_, 0);
        renderer_.draw(painter, time);
        painter.end();
        sidebar_.set(sidebarImage_, format_, sidebarLeft_);
        sidebarShows_ = appearance;
    }
    lines_.blendOnto(output);
    sidebar_.blendOnto(output);
}

void FrameComposer::fillBackground(AVFrame& output, PixelRect hole) const {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format_);
    const bool wide = desc->comp[0].step > 1;
    auto fill = [&](int plane, int x, int y, int width, int rows, int value) {
        if (wide)
            fillRows<std::uint16_t>(output, plane, x, y, width, rows, value);
        else
            fillRows<std::uint8_t>(output, plane, x, y, width, rows, value);
    };
    for (int plane = 0; plane < 3; ++plane) {
        const int shiftX = plane ? desc->log2_chroma_w : 0;
        const int shiftY = plane ? desc->log2_chroma_h : 0;
        const int area = AV_CEIL_RSHIFT(config_.videoAreaWidth, shiftX);
        const int width = AV_CEIL_RSHIFT(output.width, shiftX);
        const int rows = AV_CEIL_RSHIFT(output.height, shiftY);
        const int colour = plane == 0 ? background_.y : plane == 1 ? background_.u : background_.v;
        // Beside the video, the sidebar's own background covers black.
        const int beside = plane == 0 ? black_.y : plane == 1 ? black_.u : black_.v;
        fill(plane, area, 0, width - area, rows, beside);
        // The samples wholly inside the hole; one the picture covers only in part
        // gets the background first and the picture's share over it.
        const int left = AV_CEIL_RSHIFT(hole.x, shiftX);
        const int right = std::max(left, (hole.x + hole.width) >> shiftX);
        const int top = AV_CEIL_RSHIFT(hole.y, shiftY);
        const int bottom = std::max(top, (hole.y + hole.height) >> shiftY);
        fill(plane, 0, 0, area, top, colour);
        fill(plane, 0, top, left, bottom - top, colour);
        fill(plane, right, top, area - right, bottom - top, colour);
        fill(plane, 0, bottom, area, rows - bottom, colour);
    }
}

std::optional<PixelRect> FrameComposer::pictureRect(const DecodedFrame& source,
                                                    int rotation) const {
    // The picture as players show it: quarter turns swap its sides.
    const bool quarterTurn = rotation == 90 || rotation == 270;
    const int pictureWidth = quarterTurn ? source.frame->height : source.frame->width;
    const int pictureHeight = quarterTurn ? source.frame->width : source.frame->height;
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return std::nullopt;
    const QRectF fit = layout_.fitPicture(pictureWidth, pictureHeight);
    const PixelRect target{
        static_cast<int>(std::lround(fit.x())), static_cast<int>(std::lround(fit.y())),
        static_cast<int>(std::lround(fit.width())), static_cast<int>(std::lround(fit.height()))};
    if (target.width <= 0 || target.height <= 0)
        return std::nullopt;
    return target;
}

void FrameComposer::drawOverlay(QImage& image, bool pictureDrawn, double time) {
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (pictureDrawn)
        drawLines(painter);
    renderer_.draw(painter, time);
}

void FrameComposer::drawLines(QPainter& painter) const {
    const SidebarTheme& theme = config_.theme;
    // The lines depend only on the output's geometry, not on the picture's.
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (config_.videoAreaWidth < config_.outputWidth) {
        painter.setPen(QPen(theme.videoBorderColor.toColor(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(layout_.pictureArea);
    }
    QPen dashes(theme.frameDashColor.toColor(), 1);
    dashes.setCapStyle(Qt::FlatCap);
    dashes.setDashPattern({4, 4});
    painter.setPen(dashes);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(layout_.videoArea);
}

} // namespace kestrune
