#include "hdr_tone_map.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

// Where HDR reference white sits (cd/m², BT.2408) and the display HLG is shown
// on (BT.2100's nominal 1000 cd/m², system gamma 1.2).
constexpr double kReferenceWhite = 203.0;
constexpr double kHlgDisplayPeak = 1000.0;
constexpr double kHlgSystemGamma = 1.2;

// Light up to this is kept as it is; above it the highlights are rolled off
// towards SDR white, which they approach but never pass.
constexpr double kKnee = 0.8;

constexpr int kSignalSteps = 65536;
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

double rollOff(double light) {
    if (light <= kKnee)
        return light;
    return kKnee + (1.0 - kKnee) * (1.0 - std::exp(-(light - kKnee) / (1.0 - kKnee)));
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

void HdrToneMap::apply(const std::uint8_t* rgb48, int rgbStride, std::uint8_t* bgra, int bgraStride,
                       int width, int height) const {
    const float* toLight = signalToLight_.data();
    const bool hlg = transfer_ == HdrTransfer::hlg;
    for (int y = 0; y < height; ++y) {
        const auto* in =
            reinterpret_cast<const std::uint16_t*>(rgb48 + std::ptrdiff_t(y) * rgbStride);
        std::uint8_t* out = bgra + std::ptrdiff_t(y) * bgraStride;
        for (int x = 0; x < width; ++x, in += 3, out += 4) {
            float r = toLight[in[0]], g = toLight[in[1]], b = toLight[in[2]];
            if (hlg) {
                // The system gamma acts on the scene's luminance, keeping hues.
                const float luminance =
                    std::clamp(0.2627f * r + 0.6780f * g + 0.0593f * b, 0.0f, 1.0f);
                const float gain = hlgGain_[static_cast<int>(luminance * kGainSteps + 0.5f)];
                r *= gain;
                g *= gain;
                b *= gain;
            }
            float light[3];
            for (int c = 0; c < 3; ++c)
                light[c] =
                    std::max(0.0f, kToBt709[c][0] * r + kToBt709[c][1] * g + kToBt709[c][2] * b);
            // The brightest channel is rolled off and the others scaled with it,
            // so that bright colours keep their hue.
            const float brightest = std::max({light[0], light[1], light[2]});
            if (brightest > static_cast<float>(kKnee)) {
                const float scale = static_cast<float>(rollOff(brightest)) / brightest;
                for (float& channel : light)
                    channel *= scale;
            }
            out[0] = toSdr_[static_cast<int>(std::min(light[2], 1.0f) * kSdrSteps + 0.5f)];
            out[1] = toSdr_[static_cast<int>(std::min(light[1], 1.0f) * kSdrSteps + 0.5f)];
            out[2] = toSdr_[static_cast<int>(std::min(light[0], 1.0f) * kSdrSteps + 0.5f)];
            out[3] = 255;
        }
    }
}

} // namespace kestrune
