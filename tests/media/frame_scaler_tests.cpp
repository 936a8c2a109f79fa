#include "fixtures/test_media.h"
#include "media/frame_scaler.h"
#include "media/video_frame_reader.h"
#include "support/picture.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace kestrune {
namespace {

using test::makePicture;

FramePtr solidYuv(AVPixelFormat format, int y, int cb, int cr) {
    FramePtr frame = makePicture(format, 32, 16);
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? 16 : 8;
        std::memset(frame->data[plane],
                    plane == 0   ? y
                    : plane == 1 ? cb
                                 : cr,
                    static_cast<size_t>(frame->linesize[plane]) * rows);
    }
    return frame;
}

struct Rgb {
    double r, g, b;
};

// The colour a Y'CbCr triple stands for, by the matrix's luma weights.
Rgb expectedRgb(int y, int cb, int cr, double kr, double kb, bool fullRange) {
    const double luma = fullRange ? y / 255.0 : (y - 16) / 219.0;
    const double pb = (cb - 128) / (fullRange ? 255.0 : 224.0);
    const double pr = (cr - 128) / (fullRange ? 255.0 : 224.0);
    const double r = luma + 2 * (1 - kr) * pr;
    const double b = luma + 2 * (1 - kb) * pb;
    const double g = (luma - kr * r - kb * b) / (1 - kr - kb);
    auto byte = [](double v) { return std::clamp(v, 0.0, 1.0) * 255; };
    return {byte(r), byte(g), byte(b)};
}

const std::uint8_t* pixel(const AVFrame& frame, int x, int y) {
    return frame.data[0] + y * frame.linesize[0] + x * 4;
}

// Every pixel of `rect` is `colour` (BGRA, within a few levels, opaque).
void expectFilled(const AVFrame& frame, PixelRect rect, Rgb colour) {
    int wrong = 0;
    for (int y = rect.y; y < rect.y + rect.height; ++y) {
        for (int x = rect.x; x < rect.x + rect.width; ++x) {
            const std::uint8_t* p = pixel(frame, x, y);
            if (std::abs(p[0] - colour.b) > 3 || std::abs(p[1] - colour.g) > 3 ||
                std::abs(p[2] - colour.r) > 3 || p[3] != 255)
                ++wrong;
        }
    }
    const std::uint8_t* p = pixel(frame, rect.x, rect.y);
    EXPECT_EQ(wrong, 0) << "first pixel BGRA " << int(p[0]) << "," << int(p[1]) << "," << int(p[2])
                        << "," << int(p[3]) << "; expected " << colour.b << "," << colour.g << ","
                        << colour.r;
}

constexpr double kKr601 = 0.299, kKb601 = 0.114;
constexpr double kKr709 = 0.2126, kKb709 = 0.0722;

// Every pixel outside `rect` still has the byte the picture was cleared with.
int touchedOutside(const AVFrame& frame, PixelRect rect, std::uint8_t cleared) {
    int touched = 0;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const bool inside =
                x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
            const std::uint8_t* p = pixel(frame, x, y);
            if (!inside &&
                (p[0] != cleared || p[1] != cleared || p[2] != cleared || p[3] != cleared))
                ++touched;
        }
    }
    return touched;
}

TEST(FrameScaler, DrawsTheColourInsideTheRectangleOnly) {
    // A red far enough from grey that the two matrices differ by many levels.
    const int y = 110, cb = 90, cr = 200;
    const FramePtr source = solidYuv(AV_PIX_FMT_YUV420P, y, cb, cr);
    FramePtr destination = makePicture(AV_PIX_FMT_BGRA, 64, 48);
    FrameScaler scaler;
    // Widths of whole blocks and odd ones, which swscale's vector code would
    // overrun if it wrote them in place.
    for (const PixelRect target :
         {PixelRect{5, 7, 20, 11}, PixelRect{8, 30, 20, 7}, PixelRect{41, 40, 23, 8},
          PixelRect{4, 3, 32, 9}, PixelRect{8, 20, 32, 16}, PixelRect{0, 0, 64, 48}}) {
        SCOPED_TRACE(testing::Message()
                     << target.x << "," << target.y << " " << target.width << "x" << target.height);
        std::memset(destination->data[0], 0x5A, destination->linesize[0] * 48);
        ASSERT_TRUE(scaler.scaleInto(*source, AVCOL_SPC_BT709, 0, *destination, target));
        expectFilled(*destination, target, expectedRgb(y, cb, cr, kKr709, kKb709, false));
        EXPECT_EQ(touchedOutside(*destination, target, 0x5A), 0);
    }

    // The same scaler, asked for another matrix, reads with that one.
    const PixelRect target{5, 7, 20, 11};
    ASSERT_TRUE(scaler.scaleInto(*source, AVCOL_SPC_BT470BG, 0, *destination, target));
    const Rgb bt601 = expectedRgb(y, cb, cr, kKr601, kKb601, false);
    const Rgb bt709 = expectedRgb(y, cb, cr, kKr709, kKb709, false);
    expectFilled(*destination, target, bt601);
    EXPECT_GT(std::max(std::abs(bt601.r - bt709.r), std::abs(bt601.g - bt709.g)), 10);

    // Full range, said by the frame or by a "J" format.
    source->color_range = AVCOL_RANGE_JPEG;
    ASSERT_TRUE(scaler.scaleInto(*source, AVCOL_SPC_BT709, 0, *destination, target));
    expectFilled(*destination, target, expectedRgb(y, cb, cr, kKr709, kKb709, true));
    const FramePtr jpeg = solidYuv(AV_PIX_FMT_YUVJ420P, y, cb, cr);
    ASSERT_TRUE(scaler.scaleInto(*jpeg, AVCOL_SPC_BT470BG, 0, *destination, target));
    expectFilled(*destination, target, expectedRgb(y, cb, cr, kKr601, kKb601, true));
}

TEST(FrameScaler, RefusesTargetsOutsideTheDestination) {
    const FramePtr source = solidYuv(AV_PIX_FMT_YUV420P, 100, 128, 128);
    FramePtr destination = makePicture(AV_PIX_FMT_BGRA, 64, 48);
    std::memset(destination->data[0], 0, destination->linesize[0] * 48);
    FrameScaler scaler;
    EXPECT_FALSE(scaler.scaleInto(*source, AVCOL_SPC_BT709, 0, *destination, {50, 0, 20, 10}));
    EXPECT_FALSE(scaler.scaleInto(*source, AVCOL_SPC_BT709, 0, *destination, {0, -1, 20, 10}));
    EXPECT_FALSE(scaler.scaleInto(*source, AVCOL_SPC_BT709, 0, *destination, {0, 0, 0, 10}));
    EXPECT_FALSE(scaler.scaleInto(*source, AVCOL_SPC_BT709, 45, *destination, {0, 0, 20, 10}));
    EXPECT_TRUE(std::all_of(destination->data[0],
                            destination->data[0] + destination->linesize[0] * 48,
                            [](std::uint8_t b) { return b == 0; }));
}

TEST(FrameScaler, DrawsIntoTheEncodersYuvWithoutGoingThroughRgb) {
    // A BT.709 clip into an 8-bit 4:2:0 and a 10-bit 4:2:2 picture, at an odd corner.
    const FramePtr source = solidYuv(AV_PIX_FMT_YUV420P, 100, 90, 160);
    for (const AVPixelFormat format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P10LE}) {
        const bool wide = format == AV_PIX_FMT_YUV422P10LE;
        FramePtr destination = makePicture(format, 64, 48);
        for (int plane = 0; plane < 3; ++plane)
            std::memset(destination->data[plane], 0,
                        destination->linesize[plane] * (plane && !wide ? 24 : 48));
        FrameScaler scaler;
        ASSERT_TRUE(scaler.scaleInto(*source, AVCOL_SPC_BT709, 0, *destination, {5, 3, 20, 10}));
        auto sample = [&](int plane, int x, int y) {
            const std::uint8_t* row = destination->data[plane] + y * destination->linesize[plane];
            return wide ? reinterpret_cast<const std::uint16_t*>(row)[x] / 4 : row[x];
        };
        EXPECT_NEAR(sample(0, 5, 3), 100, 1);
        EXPECT_NEAR(sample(0, 24, 12), 100, 1);
        EXPECT_EQ(sample(0, 4, 3), 0) << "left of the target";
        EXPECT_EQ(sample(0, 25, 12), 0) << "right of the target";
        EXPECT_EQ(sample(0, 5, 13), 0) << "below the target";
        EXPECT_NEAR(sample(1, 5, wide ? 5 : 2), 90, 1);
        EXPECT_NEAR(sample(2, 5, wide ? 5 : 2), 160, 1);
    }
}

// The 3×2 `source` drawn turned by `rotation` at its own size, in its own format,
// read back a row at a time ("DA EB FC") with `letterAt(frame, x, y)`.
template <typename LetterAt>
std::string turnedRows(const AVFrame& source, int rotation, LetterAt letterAt) {
    const bool quarter = rotation % 180 != 0;
    const int width = quarter ? 2 : 3, height = quarter ? 3 : 2;
    FramePtr destination = makePicture(static_cast<AVPixelFormat>(source.format), width, height);
    FrameScaler scaler;
    EXPECT_TRUE(
        scaler.scaleInto(source, AVCOL_SPC_BT709, rotation, *destination, {0, 0, width, height}));
    std::string rows;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            rows += letterAt(*destination, x, y);
        rows += y + 1 < height ? " " : "";
    }
    return rows;
}

TEST(FrameScaler, TurnsThePictureClockwise) {
    // A 3×2 picture of six distinct pixels, A B C over D E F, drawn at its own size.
    FramePtr source = makePicture(AV_PIX_FMT_BGRA, 3, 2);
    const char letters[2][3] = {{'A', 'B', 'C'}, {'D', 'E', 'F'}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            std::memset(source->data[0] + y * source->linesize[0] + x * 4, letters[y][x], 4);

    auto turned = [&](int rotation) {
        return turnedRows(*source, rotation, [](const AVFrame& frame, int x, int y) {
            return static_cast<char>(*pixel(frame, x, y));
        });
    };
    EXPECT_EQ(turned(0), "ABC DEF");
    EXPECT_EQ(turned(90), "DA EB FC");
    EXPECT_EQ(turned(180), "FED CBA");
    EXPECT_EQ(turned(270), "CF BE AD");
}

TEST(FrameScaler, PortraitRecordingIsDrawnUprightLikeFFmpegShowsIt) {
    VideoFrameReader reader(test::testMedia("portrait.mp4"), MediaTime::zero(), MediaTime{1, 30});
    const std::optional<DecodedFrame> frame = reader.next();
    ASSERT_TRUE(frame);
    const int width = reader.file().displayWidth(), height = reader.file().displayHeight();
    ASSERT_EQ(width, 360);
    ASSERT_EQ(height, 640);

    FramePtr upright = makePicture(AV_PIX_FMT_BGRA, width, height);
    FrameScaler scaler;
    ASSERT_TRUE(scaler.scaleInto(*frame->frame, reader.colorSpace(), reader.file().rotation(),
                                 *upright, {0, 0, width, height}));

    // FFmpeg's own picture, turned by its display matrix when the clips were made.
    std::ifstream file(test::testMedia("portrait-upright.bgra"), std::ios::binary);
    const std::vector<char> reference{std::istreambuf_iterator<char>(file), {}};
    ASSERT_EQ(reference.size(), static_cast<size_t>(width * height * 4));
    double difference = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 4; ++x)
            difference += std::abs(int(pixel(*upright, 0, y)[x]) -
                                   int(static_cast<std::uint8_t>(reference[(y * width) * 4 + x])));
    EXPECT_LT(difference / reference.size(), 3.0);
    // Red, top-left when stored, is at the top right when shown.
    const std::uint8_t* topRight = pixel(*upright, 270, 160);
    EXPECT_GT(topRight[2], 200);
    EXPECT_LT(topRight[1], 60);
    EXPECT_LT(topRight[0], 60);
}

// `frame` converted to `format` without scaling, YUV as BT.709 in video range and
// BGRA in full range, as the export converts.
FramePtr converted(const AVFrame& frame, AVPixelFormat format) {
    FramePtr result = makePicture(format, frame.width, frame.height);
    const SwsContextPtr context(sws_getContext(
        frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), frame.width,
        frame.height, format, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    EXPECT_TRUE(context);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(context.get(), bt709, frame.format == AV_PIX_FMT_BGRA, bt709,
                             format == AV_PIX_FMT_BGRA, 0, 1 << 16, 1 << 16);
    sws_scale(context.get(), frame.data, frame.linesize, 0, frame.height, result->data,
              result->linesize);
    return result;
}

bool deep(const AVFrame& frame) {
    return av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format))->comp[0].step == 2;
}
int sampleAt(const AVFrame& frame, int plane, int x, int y) {
    const std::uint8_t* row = frame.data[plane] + y * frame.linesize[plane];
    return deep(frame) ? reinterpret_cast<const std::uint16_t*>(row)[x] : row[x];
}
void setSample(AVFrame& frame, int plane, int x, int y, int value) {
    std::uint8_t* row = frame.data[plane] + y * frame.linesize[plane];
    if (deep(frame))
        reinterpret_cast<std::uint16_t*>(row)[x] = static_cast<std::uint16_t>(value);
    else
        row[x] = static_cast<std::uint8_t>(value);
}

// Calls `visit(plane, x, y)` for every sample of a planar picture.
template <typename Visit>
void forEachSample(const AVFrame& frame, Visit visit) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    for (int plane = 0; plane < 3; ++plane)
        for (int y = 0; y < AV_CEIL_RSHIFT(frame.height, plane ? desc->log2_chroma_h : 0); ++y)
            for (int x = 0; x < AV_CEIL_RSHIFT(frame.width, plane ? desc->log2_chroma_w : 0); ++x)
                visit(plane, x, y);
}

TEST(FrameScaler, TurnsEachPlaneOfTheEncodersYuvClockwise) {
    // A 3×2 picture of six distinct samples in every plane, A B C over D E F,
    // drawn at its own size in 8-bit and 10-bit 4:4:4.
    for (const AVPixelFormat format : {AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUV444P10LE}) {
        SCOPED_TRACE(av_get_pix_fmt_name(format));
        const int scale = format == AV_PIX_FMT_YUV444P ? 1 : 4;
        FramePtr source = makePicture(format, 3, 2);
        forEachSample(*source, [&](int plane, int x, int y) {
            setSample(*source, plane, x, y, ("ABCDEF"[y * 3 + x] + plane * 10) * scale);
        });
        auto turned = [&](int rotation, int plane) {
            return turnedRows(*source, rotation, [&](const AVFrame& frame, int x, int y) {
                return static_cast<char>(sampleAt(frame, plane, x, y) / scale - plane * 10);
            });
        };
        for (int plane = 0; plane < 3; ++plane) {
            EXPECT_EQ(turned(90, plane), "DA EB FC");
            EXPECT_EQ(turned(180, plane), "FED CBA");
            EXPECT_EQ(turned(270, plane), "CF BE AD");
        }
    }
}

TEST(FrameScaler, TurnedPhonePictureInTheEncodersYuvMatchesTheRgbRoute) {
    // The portrait clip's stored picture (red top-left, green top-right, blue
    // below) turned each way into 8-bit 4:2:0 (H.264, HEVC) and 10-bit 4:2:2
    // (ProRes), at an even and an odd corner and size, against the same picture
    // turned in BGRA and then converted to the encoder's format.
    VideoFrameReader reader(test::testMedia("portrait.mp4"), MediaTime::zero(), MediaTime{1, 30});
    const std::optional<DecodedFrame> decoded = reader.next();
    ASSERT_TRUE(decoded);
    constexpr int kCleared = 3; // no colour of the picture
    for (const AVPixelFormat format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P10LE}) {
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
        for (const int rotation : {0, 90, 180, 270}) {
            const bool quarter = rotation % 180 != 0;
            for (const PixelRect landscape :
                 {PixelRect{8, 4, 480, 270}, PixelRect{5, 3, 475, 267}}) {
                const PixelRect target =
                    quarter ? PixelRect{landscape.x, landscape.y, landscape.height, landscape.width}
                            : landscape;
                SCOPED_TRACE(testing::Message()
                             << av_get_pix_fmt_name(format) << " turned " << rotation << " into "
                             << target.x << "," << target.y << " " << target.width << "x"
                             << target.height);
                FramePtr yuv = makePicture(format, 490, 490);
                forEachSample(*yuv,
                              [&](int p, int x, int y) { setSample(*yuv, p, x, y, kCleared); });
                FramePtr bgra = makePicture(AV_PIX_FMT_BGRA, 490, 490);
                FrameScaler scaler;
                ASSERT_TRUE(
                    scaler.scaleInto(*decoded->frame, AVCOL_SPC_BT709, rotation, *yuv, target));
                ASSERT_TRUE(
                    scaler.scaleInto(*decoded->frame, AVCOL_SPC_BT709, rotation, *bgra, target));

                // Nothing written outside the target (chroma: its samples, from the one
                // before an odd corner).
                int strays = 0;
                forEachSample(*yuv, [&](int plane, int x, int y) {
                    const int shiftX = plane ? desc->log2_chroma_w : 0;
                    const int shiftY = plane ? desc->log2_chroma_h : 0;
                    const int left = target.x >> shiftX, top = target.y >> shiftY;
                    const bool inside = x >= left && y >= top &&
                                        x < left + AV_CEIL_RSHIFT(target.width, shiftX) &&
                                        y < top + AV_CEIL_RSHIFT(target.height, shiftY);
                    strays += !inside && sampleAt(*yuv, plane, x, y) != kCleared;
                });
                EXPECT_EQ(strays, 0);

                const FramePtr shown = converted(*yuv, AV_PIX_FMT_BGRA);
                const FramePtr viaRgb = converted(*converted(*bgra, format), AV_PIX_FMT_BGRA);
                double difference = 0;
                for (int y = target.y; y < target.y + target.height; ++y)
                    for (int x = target.x * 4; x < (target.x + target.width) * 4; ++x)
                        if (x % 4 != 3)
                            difference += std::abs(int(pixel(*shown, 0, y)[x]) -
                                                   int(pixel(*viaRgb, 0, y)[x]));
                EXPECT_LE(difference / (target.width * target.height * 3), 1.5);

                // The stored top-left corner, red, where players show it.
                const int inset = 3;
                const int left = target.x + inset, right = target.x + target.width - 1 - inset;
                const int top = target.y + inset, bottom = target.y + target.height - 1 - inset;
                const std::uint8_t* red = rotation == 0     ? pixel(*shown, left, top)
                                          : rotation == 90  ? pixel(*shown, right, top)
                                          : rotation == 180 ? pixel(*shown, right, bottom)
                                                            : pixel(*shown, left, bottom);
                EXPECT_GT(red[2], 200);
                EXPECT_LT(red[1], 60);
                EXPECT_LT(red[0], 60);
            }
        }
    }
}

// Phone HDR footage (HLG and PQ) is tone mapped to SDR BT.709 the same way into
// the preview's BGRA and the encoder's YUV: grey at HDR reference white comes out
// a little below SDR white (room is left for highlights), BT.2020 red stays red,
// black stays black. Drawn as BT.709 without tone mapping, the grey would be a
// dull 191 (HLG) or 148 (PQ).
TEST(FrameScaler, HdrRecordingsAreToneMappedToSdr) {
    for (const char* clip : {"hlg.mp4", "pq.mp4"}) {
        SCOPED_TRACE(clip);
        VideoFrameReader reader(test::testMedia(clip), MediaTime::zero(), MediaTime{1, 30});
        const std::optional<DecodedFrame> frame = reader.next();
        ASSERT_TRUE(frame);
        ASSERT_EQ(frame->frame->width, 384);
        FrameScaler scaler;

        FramePtr bgra = makePicture(AV_PIX_FMT_BGRA, 384, 128);
        ASSERT_TRUE(
            scaler.scaleInto(*frame->frame, reader.colorSpace(), 0, *bgra, {0, 0, 384, 128}));
        const std::uint8_t* grey = pixel(*bgra, 64, 64);
        EXPECT_NEAR(grey[2], 240, 8);
        EXPECT_NEAR(grey[1], grey[2], 2);
        EXPECT_NEAR(grey[0], grey[2], 2);
        const std::uint8_t* red = pixel(*bgra, 192, 64);
        EXPECT_GT(red[2], 240);
        EXPECT_LT(red[1], 12);
        EXPECT_LT(red[0], 12);
        const std::uint8_t* black = pixel(*bgra, 320, 64);
        EXPECT_LT(std::max({black[0], black[1], black[2]}), 4);

        // Tone mapped into the middle of a larger picture (an odd width, upright
        // and turned): the same colours, nothing written beside it.
        for (const int rotation : {0, 180}) {
            FramePtr canvas = makePicture(AV_PIX_FMT_BGRA, 400, 140);
            std::memset(canvas->data[0], 0x5A, canvas->linesize[0] * 140);
            const PixelRect rect{5, 6, 383, 128};
            ASSERT_TRUE(
                scaler.scaleInto(*frame->frame, reader.colorSpace(), rotation, *canvas, rect));
            EXPECT_EQ(touchedOutside(*canvas, rect, 0x5A), 0) << rotation;
            const int greyX = rotation == 0 ? 5 + 64 : 5 + 383 - 64; // turned: on the right
            EXPECT_NEAR(pixel(*canvas, greyX, 70)[2], grey[2], 4) << rotation;
        }

        // The export's YUV holds the same picture.
        FramePtr yuv = makePicture(AV_PIX_FMT_YUV420P, 384, 128);
        ASSERT_TRUE(
            scaler.scaleInto(*frame->frame, reader.colorSpace(), 0, *yuv, {0, 0, 384, 128}));
        FramePtr back = converted(*yuv, AV_PIX_FMT_BGRA);
        for (const int x : {64, 192, 320})
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(pixel(*back, x, 64)[c], pixel(*bgra, x, 64)[c], 4) << x << "," << c;
    }
}

} // namespace
} // namespace kestrune
