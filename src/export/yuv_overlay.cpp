#include "yuv_overlay.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>

#include <QImage>

namespace kestrune {

namespace {

// BT.709 luma weights.
constexpr double kR = 0.2126, kG = 0.7152, kB = 0.0722;

// The three samples of a premultiplied pixel, times its alpha, in 8-bit video
// range units: blending is linear, so these add up like the RGB they come from.
struct Premultiplied {
    double y = 0, u = 0, v = 0, alpha = 0;

    void add(QRgb pixel) {
        const double a = qAlpha(pixel) / 255.0;
        const double r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
        const double luma = kR * r + kG * g + kB * b;
        y += 16 * a + 219.0 / 255 * luma;
        u += 128 * a + 224.0 / 255 * (b - luma) / 1.8556;
        v += 128 * a + 224.0 / 255 * (r - luma) / 1.5748;
        alpha += qAlpha(pixel);
    }
};

} // namespace

YuvColor yuvColor(const QColor& color, int depth) {
    Premultiplied sample;
    sample.add(qRgba(color.red(), color.green(), color.blue(), 255));
    const double scale = 1 << (depth - 8);
    return {static_cast<int>(std::lround(sample.y * scale)),
            static_cast<int>(std::lround(sample.u * scale)),
            static_cast<int>(std::lround(sample.v * scale))};
}

void YuvOverlay::set(const QImage& image, AVPixelFormat format, int left) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    const double scale = 1 << (desc->comp[0].depth - 8);
    wide_ = desc->comp[0].step > 1;
    for (int index = 0; index < 3; ++index) {
        Plane& plane = planes_[index];
        plane.spans.clear();
        plane.values.clear();
        plane.alphas.clear();
        const int shiftX = index ? desc->log2_chroma_w : 0;
        const int shiftY = index ? desc->log2_chroma_h : 0;
        const int offset = left >> shiftX;
        const int width = AV_CEIL_RSHIFT(image.width(), shiftX);
        const int height = AV_CEIL_RSHIFT(image.height(), shiftY);
        for (int y = 0; y < height; ++y) {
            // The rows of pixels this row of samples covers: one for luma, up to two
            // for subsampled chroma.
            const int top = y << shiftY, bottom = std::min((y + 1) << shiftY, image.height());
            std::array<const QRgb*, 2> lines{};
            const int lineCount = bottom - top;
            for (int line = 0; line < lineCount; ++line)
                lines[line] = reinterpret_cast<const QRgb*>(image.constScanLine(top + line));
            Span span{y, 0, 0, 0, false};
            auto closeSpan = [&] {
                if (span.length > 0)
                    plane.spans.push_back(span);
                span.length = 0;
            };
            for (int x = 0; x < width; ++x) {
                const int first = x << shiftX, end = std::min((x + 1) << shiftX, image.width());
                // Most of the picture is transparent: that is told from alpha alone.
                int alphaSum = 0;
                for (int line = 0; line < lineCount; ++line)
                    for (int px = first; px < end; ++px)
                        alphaSum += qAlpha(lines[line][px]);
                if (alphaSum == 0) {
                    closeSpan();
                    continue;
                }
                Premultiplied sum;
                for (int line = 0; line < lineCount; ++line)
                    for (int px = first; px < end; ++px)
                        sum.add(lines[line][px]);
                const int count = lineCount * (end - first);
                const bool opaque = alphaSum == 255 * count;
                // Opaque runs are copied and translucent ones blended: a run holds one kind.
                if (span.length > 0 && span.opaque != opaque)
                    closeSpan();
                if (span.length == 0)
                    span = {y, offset + x, 0, plane.values.size(), opaque};
                const double value = (index == 0 ? sum.y : index == 1 ? sum.u : sum.v) / count;
                plane.values.push_back(static_cast<std::uint16_t>(std::lround(value * scale)));
                plane.alphas.push_back(static_cast<std::uint8_t>(std::lround(sum.alpha / count)));
                ++span.length;
            }
            closeSpan();
        }
    }
}

template <typename Sample>
void YuvOverlay::blendPlane(const Plane& plane, AVFrame& frame, int index) const {
    for (const Span& span : plane.spans) {
        auto* row =
            reinterpret_cast<Sample*>(frame.data[index] +
                                      static_cast<std::ptrdiff_t>(span.y) * frame.linesize[index]) +
            span.x;
        const std::uint16_t* values = plane.values.data() + span.offset;
        if (span.opaque) {
            std::copy_n(values, span.length, row);
            continue;
        }
        const std::uint8_t* alphas = plane.alphas.data() + span.offset;
        for (int i = 0; i < span.length; ++i)
            row[i] = static_cast<Sample>(values[i] + ((255 - alphas[i]) * row[i] + 127) / 255);
    }
}

void YuvOverlay::blendOnto(AVFrame& frame) const {
    for (int index = 0; index < 3; ++index) {
        if (wide_)
            blendPlane<std::uint16_t>(planes_[index], frame, index);
        else
            blendPlane<std::uint8_t>(planes_[index], frame, index);
    }
}

} // namespace kestrune
