#include "effects/FirFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#include "effects/FirKernel.h"

namespace tessaron {
namespace {

constexpr int kCentre = (kFirTaps - 1) / 2;

constexpr std::size_t kChunkFrames = 4096;

// One channel of the range through the taps, in chunks that slide the last kFirTaps inputs along.
template <typename Sample>
void FilterChannel(const PcmView& pcm, const FirTaps& taps, FirIsa isa, FrameSpan frames, int channel)
{
    constexpr double kLow = std::numeric_limits<Sample>::min();
    constexpr double kHigh = std::numeric_limits<Sample>::max();
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    std::uint8_t* const bytes = pcm.Bytes().data() + channel * sizeof(Sample);
    // [0, kFirTaps): the inputs before the chunk, oldest first; then the chunk, then block padding.
    std::vector<double> window(kFirTaps + kChunkFrames + kFirKernelBlock, 0.0);
    std::vector<double> out(kChunkFrames + kFirKernelBlock);
    std::size_t at = frames.first;
    while (at < frames.end) {
        const std::size_t count = std::min(kChunkFrames, (frames.end - at) / align);
        for (std::size_t n = 0; n < count; ++n) {
            Sample sample;
            std::memcpy(&sample, bytes + at + n * align, sizeof sample);
            window[kFirTaps + n] = sample;
        }
        std::fill(window.begin() + kFirTaps + count, window.end(), 0.0);
        const std::size_t blocks = (count + kFirKernelBlock - 1) / kFirKernelBlock;
        FirConvolve(isa, taps, window.data(), out.data(), blocks * kFirKernelBlock);
        for (std::size_t n = 0; n < count; ++n) {
            // Finite taps on finite samples give finite sums: clip and truncate.
            const auto sample = static_cast<Sample>(static_cast<int>(std::clamp(out[n], kLow, kHigh)));
            std::memcpy(bytes + at + n * align, &sample, sizeof sample);
        }
        std::copy(window.begin() + count, window.begin() + count + kFirTaps, window.begin());
        at += count * align;
    }
}

}  // namespace

FirTaps DesignFir(FirKind kind, double cutoff)
{
    constexpr double pi = std::numbers::pi;
    FirTaps taps{};
    taps[kCentre] = cutoff;
    for (int k = 1; k <= kCentre; ++k) {
        const double value = std::sin(cutoff * k * pi) / (k * pi);
        taps[kCentre + k] = value;
        taps[kCentre - k] = value;
    }
    const double sign = kind == FirKind::LowPass ? 1.0 : -1.0;
    for (int i = 0; i < kFirTaps; ++i) {
        taps[i] *= sign * (0.54 - 0.46 * std::cos(2.0 * pi * i / (kFirTaps - 1)));
    }
    double gain = 0.0;
    if (kind == FirKind::LowPass) {
        for (double tap : taps) {
            gain += tap;
        }
    } else {
        // Spectral inversion; the gain at Nyquist alternates the signs of the taps.
        taps[kCentre] += 1.0;
        for (int i = 0; i < kFirTaps; ++i) {
            gain += (i % 2 == 0 ? 1.0 : -1.0) * taps[i];
        }
    }
    // Only a real gain is divided out: a vanishing one would blow the taps up to infinity.
    gain = std::fabs(gain);
    if (gain > 1e-9) {
        for (double& tap : taps) {
            tap /= gain;
        }
    }
    return taps;
}

bool FirFilter(const PcmView& pcm, FirKind kind, int frequency, ByteRange range)
{
    if (!pcm.IsUsable() || frequency <= 0) {
        return false;
    }
    const FrameSpan frames = FramesIn(pcm, range);
    const FirTaps taps = DesignFir(kind, 2.0 * frequency / pcm.Format().sampleRate);
    const FirIsa isa = BestFirIsa();
    for (int channel = 0; channel < pcm.Channels(); ++channel) {
        if (pcm.Is16Bit()) {
            FilterChannel<std::int16_t>(pcm, taps, isa, frames, channel);
        } else {
            FilterChannel<std::int8_t>(pcm, taps, isa, frames, channel);
        }
    }
    return true;
}

}  // namespace tessaron
