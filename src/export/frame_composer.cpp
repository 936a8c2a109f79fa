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
void fillRows(AVFrame& frame, int plane, int x, int width, int rows, int value) {
    for (int y = 0; y < rows; ++y) {
        auto* row = reinterpret_cast<Sample*>(frame.data[plane] + static_cast<std::ptrdiff_t>(y) *
                                                                      frame.linesize[plane]);
        std::fill_n(row + x, width, static_cast<Sample>(value));
    }
}

} // namespace

PictureFit fitPicture(double pictureWidth, double pictureHeight, double videoAreaWidth,
                      double height) {
    PictureFit fit{};
    fit.pad = height * 0.015;
    fit.areaWidth = videoAreaWidth - 2 * fit.pad;
    fit.areaHeight = height - 2 * fit.pad;
    const double aspect = pictureWidth / pictureHeight;
    if (fit.areaWidth / fit.areaHeight >= aspect) {
        fit.height = fit.areaHeight;
        fit.width = fit.areaHeight * aspect;
        fit.x = fit.pad + (fit.areaWidth - fit.width) * 0.5;
        fit.y = fit.pad;
    } else {
        fit.width = fit.areaWidth;
        fit.height = fit.areaWidth / aspect;
        fit.x = fit.pad;
        fit.y = fit.pad + (fit.areaHeight - fit.height) * 0.5;
    }
    return fit;
}

FrameComposer::FrameComposer(const ExportConfig& config, SidebarRenderer& renderer,
                             AVPixelFormat format)
    : config_(config)
    , renderer_(renderer)
    , format_(format)
    , background_(yuvColor(config.theme.videoAreaBackground.toColor(),
                           av_pix_fmt_desc_get(format)->comp[0].depth))
    , black_(yuvColor(Qt::black, av_pix_fmt_desc_get(format)->comp[0].depth))
    , overlayImage_(config.outputWidth, config.outputHeight, QImage::Format_ARGB32_Premultiplied) {}

void FrameComposer::compose(AVFrame& output, const DecodedFrame& source, int rotation,
                            AVColorSpace colorSpace, double time) {
    fillBackground(output);
    const bool drawn = drawPicture(output, source, rotation, colorSpace);
    // Most frames show what the previous one showed over the picture; only a
    // sliding highlight, a new chapter or a picture that could not be drawn
    // changes it.
    const auto shows = std::make_pair(drawn, renderer_.advance(time));
    if (shows != overlayShows_) {
        drawOverlay(overlayImage_, drawn, time);
        overlay_.set(overlayImage_, format_);
        overlayShows_ = shows;
    }
    overlay_.blendOnto(output);
}

void FrameComposer::fillBackground(AVFrame& output) const {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format_);
    const bool wide = desc->comp[0].step > 1;
    for (int plane = 0; plane < 3; ++plane) {
        const int shiftX = plane ? desc->log2_chroma_w : 0;
        const int shiftY = plane ? desc->log2_chroma_h : 0;
        const int area = AV_CEIL_RSHIFT(config_.videoAreaWidth, shiftX);
        const int width = AV_CEIL_RSHIFT(output.width, shiftX);
        const int rows = AV_CEIL_RSHIFT(output.height, shiftY);
        const int colour = plane == 0 ? background_.y : plane == 1 ? background_.u : background_.v;
        // Beside the video, the sidebar's own background covers black.
        const int beside = plane == 0 ? black_.y : plane == 1 ? black_.u : black_.v;
        if (wide) {
            fillRows<std::uint16_t>(output, plane, 0, area, rows, colour);
            fillRows<std::uint16_t>(output, plane, area, width - area, rows, beside);
        } else {
            fillRows<std::uint8_t>(output, plane, 0, area, rows, colour);
            fillRows<std::uint8_t>(output, plane, area, width - area, rows, beside);
        }
    }
}

bool FrameComposer::drawPicture(AVFrame& output, const DecodedFrame& source, int rotation,
                                AVColorSpace colorSpace) {
    // The picture as players show it: quarter turns swap its sides.
    const bool quarterTurn = rotation == 90 || rotation == 270;
    const int pictureWidth = quarterTurn ? source.frame->height : source.frame->width;
    const int pictureHeight = quarterTurn ? source.frame->width : source.frame->height;
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return false;
    const PictureFit fit =
        fitPicture(pictureWidth, pictureHeight, config_.videoAreaWidth, config_.outputHeight);
    const PixelRect target{
        static_cast<int>(std::lround(fit.x)), static_cast<int>(std::lround(fit.y)),
        static_cast<int>(std::lround(fit.width)), static_cast<int>(std::lround(fit.height))};
    return target.width > 0 && target.height > 0 &&
           scaler_.scaleInto(*source.frame, colorSpace, rotation, output, target);
}

void FrameComposer::drawOverlay(QImage& image, bool pictureDrawn, double time) {
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const int videoAreaWidth = config_.videoAreaWidth;
    const int height = config_.outputHeight;
    const SidebarTheme& theme = config_.theme;
    if (pictureDrawn) {
        // The lines depend only on the output's geometry, not on the picture's.
        const PictureFit fit = fitPicture(1, 1, videoAreaWidth, height);
        painter.setRenderHint(QPainter::Antialiasing, true);
        if (videoAreaWidth < config_.outputWidth) {
            painter.setPen(QPen(theme.videoBorderColor.toColor(), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(fit.pad, fit.pad, fit.areaWidth, fit.areaHeight));
        }
        QPen dashes(theme.frameDashColor.toColor(), 1);
        dashes.setCapStyle(Qt::FlatCap);
        dashes.setDashPattern({4, 4});
        painter.setPen(dashes);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(0, 0, videoAreaWidth, height));
    }
    renderer_.draw(painter, time);
}

} // namespace kestrune
