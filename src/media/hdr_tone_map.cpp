#include "hdr_tone_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

namespace kestrune {

namespace {

// Where HDR reference white sits (cd/m², BT.2408) and the display HLG is shown
// on (BT.2100's nominal 1000 cd/m², system gamma 1.2).
constexpr double kReferenceWhite = 203.0;
constexpr double kHlgDisplayPeak = 1000.0;
constexpr double kHlgSystemGamma = 1.2;

// Light up to this is kept as it is; above it the highlights are rolled off
// towards SDR white, which they approach but never pass.
constexpr float kKnee = 0.8f;

constexpr int kSignalSteps = 4096; // 12-bit samples
constexpr int kSdrSteps = 16384;
constexpr int kGainSteps = 4096;

// BT.2020 linear RGB into BT.709 linear RGB (BT.2087).
constexpr float kToBt709[3][3] = {
    {1.6605f, -0.5876f, -0.0728f},
    {-0.1246f, 1.1329f, -0.0083f},
    {-0.0182f, -0.1006f, 1.1187f},
};

// SMPTE ST 2084: signal → cd/m².
double pqToNits(double signal) {
    constexpr double m1 = 2610.0 / 16384.0;
    constexpr double m2 = 2523.0 / 4096.0 * 128.0;
    constexpr double c1 = 3424.0 / 4096.0;
    constexpr double c2 = 2413.0 / 4096.0 * 32.0;
    constexpr double c3 = 2392.0 / 4096.0 * 32.0;
    const double power = std::pow(std::clamp(signal, 0.0, 1.0), 1.0 / m2);
    return 10000.0 * std::pow(std::max(power - c1, 0.0) / (c2 - c3 * power), 1.0 / m1);
}

// BT.2100 HLG inverse OETF: signal → scene light 0…1.
double hlgToScene(double signal) {
    constexpr double a = 0.17883277;
    constexpr double b = 1.0 - 4.0 * a;
    const double c = 0.5 - a * std::log(4.0 * a);
    signal = std::clamp(signal, 0.0, 1.0);
    return signal <= 0.5 ? signal * signal / 3.0 : (std::exp((signal - c) / a) + b) / 12.0;
}

// BT.709 OETF.
double bt709Encode(double light) {
    light = std::clamp(light, 0.0, 1.0);
    return light < 0.018 ? 4.5 * light : 1.099 * std::pow(light, 0.45) - 0.099;
}

// Plain comparisons (std::min and std::max return references, which keeps the
// compiler from vectorising the loops they are in).
inline float larger(float a, float b) {
    return a > b ? a : b;
}
inline float smaller(float a, float b) {
    return a < b ? a : b;
}

// Four floats or integers at a time (GCC's and Clang's vector extensions: SSE on
// x86-64, NEON on ARM).
using Floats = float __attribute__((vector_size(16)));
using Integers = std::int32_t __attribute__((vector_size(16)));

Floats larger(Floats a, Floats b) {
    return a > b ? a : b;
}
Floats smaller(Floats a, Floats b) {
    return a < b ? a : b;
}
Floats splat(float value) {
    return Floats{value, value, value, value};
}

Floats load(const float* at) {
    Floats value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Linear BT.2020 light (1.0 = SDR white) of `count` pixels, a multiple of four,
// into indices of the SDR table, interleaved blue, green, red: the colours
// brought into BT.709, then the brightest channel rolled off above the knee,
// approaching SDR white without reaching it, at the slope it leaves the straight
// line with; the others are scaled with it, so that bright colours keep their
// hue. Below the knee nothing changes.
void toSdrIndices(const float* red, const float* green, const float* blue, std::int32_t* indices,
                  int count) {
    const Floats zero = splat(0.0f), knee = splat(kKnee), steps = splat(float(kSdrSteps));
    for (int x = 0; x < count; x += 4) {
        const Floats r = load(red + x), g = load(green + x), b = load(blue + x);
        Floats light[3];
        for (int c = 0; c < 3; ++c)
            light[c] = larger(zero, kToBt709[c][0] * r + kToBt709[c][1] * g + kToBt709[c][2] * b);
        const Floats brightest = larger(larger(light[0], light[1]), larger(light[2], splat(1e-6f)));
        const Floats over = larger(brightest - knee, zero) / (1.0f - kKnee);
        const Floats rolled = smaller(brightest, knee) + (1.0f - kKnee) * over / (1.0f + over);
        const Floats scale = rolled / brightest * steps;
        for (int c = 0; c < 3; ++c) {
            const Integers sdr =
                __builtin_convertvector(smaller(light[c] * scale, steps) + 0.5f, Integers);
            for (int i = 0; i < 4; ++i)
                indices[3 * (x + i) + 2 - c] = sdr[i];
        }
    }
}

double signalToLight(HdrTransfer transfer, double signal) {
    return transfer == HdrTransfer::pq ? pqToNits(signal) / kReferenceWhite : hlgToScene(signal);
}

} // namespace

std::optional<HdrTransfer> hdrTransfer(AVColorTransferCharacteristic tagged) {
    switch (tagged) {
    case AVCOL_TRC_SMPTE2084:
        return HdrTransfer::pq;
    case AVCOL_TRC_ARIB_STD_B67:
        return HdrTransfer::hlg;
    default:
        return std::nullopt;
    }
}

HdrToneMap::HdrToneMap(HdrTransfer transfer)
    : transfer_(transfer) {
    signalToLight_.resize(kSignalSteps);
    for (int i = 0; i < kSignalSteps; ++i)
        signalToLight_[i] =
            static_cast<float>(signalToLight(transfer, i / double(kSignalSteps - 1)));
    if (transfer_ == HdrTransfer::hlg) {
        // The OOTF's gain Lw · Ys^(γ−1), over the scene luminance Ys in 0…1.
        hlgGain_.resize(kGainSteps + 1);
        for (int i = 0; i <= kGainSteps; ++i)
            hlgGain_[i] =
                static_cast<float>(kHlgDisplayPeak / kReferenceWhite *
                                   std::pow(i / double(kGainSteps), kHlgSystemGamma - 1.0));
    }
    toSdr_.resize(kSdrSteps + 1);
    for (int i = 0; i <= kSdrSteps; ++i)
        toSdr_[i] =
            static_cast<std::uint8_t>(std::lround(255.0 * bt709Encode(i / double(kSdrSteps))));
}

void HdrToneMap::apply(const AVFrame& gbr, AVFrame& bgra) const {
    // Bands of rows on as many threads as the machine has cores (up to four): an
    // export's encoder runs on all of them, and this would otherwise hold up every
    // frame on one.
    const int bands = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1,
                                 std::min(4, std::max(1, gbr.height / 64)));
    std::vector<std::thread> helpers;
    for (int band = 1; band < bands; ++band) {
        try {
            helpers.emplace_back([this, &gbr, &bgra, band, bands] {
                applyRows(gbr, bgra, gbr.height * band / bands, gbr.height * (band + 1) / bands);
            });
        } catch (const std::system_error&) {
            // No thread to be had: this one does that band too.
            applyRows(gbr, bgra, gbr.height * band / bands, gbr.height * (band + 1) / bands);
        }
    }
    applyRows(gbr, bgra, 0, gbr.height / bands);
    for (std::thread& helper : helpers)
        helper.join();
}

void HdrToneMap::applyRows(const AVFrame& gbr, AVFrame& bgra, int firstRow, int endRow) const {
    const int width = gbr.width;
    // A row at a time, in passes: the table lookups one value at a time, the
    // arithmetic between them four pixels at a time (faster than all of it in
    // one loop, where moving values in and out of vectors costs more).
    const std::size_t padded = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    std::vector<float> red(padded), green(padded), blue(padded);
    std::vector<std::int32_t> index(3 * padded);
    const float* toLight = signalToLight_.data();
    for (int y = firstRow; y < endRow; ++y) {
        auto row = [&](int plane) {
            return reinterpret_cast<const std::uint16_t*>(gbr.data[plane] +
                                                          std::ptrdiff_t(y) * gbr.linesize[plane]);
        };
        const std::uint16_t* g12 = row(0);
        const std::uint16_t* b12 = row(1);
        const std::uint16_t* r12 = row(2);
        for (int x = 0; x < width; ++x) {
            red[x] = toLight[r12[x] & 0xfff];
            green[x] = toLight[g12[x] & 0xfff];
            blue[x] = toLight[b12[x] & 0xfff];
        }
        if (transfer_ == HdrTransfer::hlg) {
            // The system gamma acts on the scene's luminance, keeping hues.
            for (int x = 0; x < width; ++x) {
                const float luminance = smaller(
                    larger(0.2627f * red[x] + 0.6780f * green[x] + 0.0593f * blue[x], 0.0f), 1.0f);
                const float gain = hlgGain_[static_cast<int>(luminance * kGainSteps + 0.5f)];
                red[x] *= gain;
                green[x] *= gain;
                blue[x] *= gain;
            }
        }
        toSdrIndices(red.data(), green.data(), blue.data(), index.data(), static_cast<int>(padded));
        std::uint8_t* out = bgra.data[0] + std::ptrdiff_t(y) * bgra.linesize[0];
        for (int x = 0; x < width; ++x, out += 4) {
            out[0] = toSdr_[index[3 * x]];
            out[1] = toSdr_[index[3 * x + 1]];
            out[2] = toSdr_[index[3 * x + 2]];
            out[3] = 255;
        }
    }
}

} // namespace kestrune
