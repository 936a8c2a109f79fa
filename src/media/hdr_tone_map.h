// Pictures recorded in HDR (phones record HLG or PQ in BT.2020) made into the
// SDR BT.709 pictures that the preview shows and the export encodes: the signal
// is turned into light, the colours brought into BT.709, the highlights above
// SDR white rolled off and the result encoded for BT.709 again. Without this an
// HLG clip looks washed out and a PQ clip dark and grey.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace kestrune {

enum class HdrTransfer { pq, hlg };

// The HDR transfer a stream is tagged with; none for SDR.
std::optional<HdrTransfer> hdrTransfer(AVColorTransferCharacteristic tagged);

class HdrToneMap {
public:
    explicit HdrToneMap(HdrTransfer transfer);

    HdrTransfer transfer() const { return transfer_; }

    // The planar 12-bit RGB picture `gbr` (AV_PIX_FMT_GBRP12: the HDR signal in
    // BT.2020 primaries, full range) into `bgra` (BT.709, full range, opaque):
    // `gbr`'s width and height from the start of its first plane, at its stride;
    // nothing else of `bgra` is read or written.
    void apply(const AVFrame& gbr, AVFrame& bgra) const;

private:
    void applyRows(const AVFrame& gbr, AVFrame& bgra, int firstRow, int endRow) const;

    HdrTransfer transfer_;
    // 12-bit signal → light relative to SDR white (1.0 = 203 cd/m², where BT.2408
    // puts HDR reference white); for HLG scene light, before the system gamma.
    std::vector<float> signalToLight_;
    // HLG: the system gamma's gain over the scene luminance.
    std::vector<float> hlgGain_;
    // Light 0…1 → the 8-bit BT.709 value.
    std::vector<std::uint8_t> toSdr_;
};

} // namespace kestrune
