#include "effects/FirFilter.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace tessaron {
namespace {

constexpr int kCentre = (kFirTaps - 1) / 2;

// Outputs computed together so that each tap is loaded once per block; the sum of each
// output still runs over the taps in order, so the result equals the plain loop.
constexpr std::size_t kBlock = 16;
constexpr std::size_t kChunkFrames = 4096;

// out[j] = Σ taps[i] × window[kFirTaps - 1 + j - i] for j in [0, count), count a multiple of kBlock.
void FilterChunk(const FirTaps& taps, const double* window, double* out, std::size_t count)
{
    for (std::size_t j = 0; j < count; j += kBlock) {
        double acc[kBlock] = {};
        for (std::size_t i = 0; i < kFirTaps; ++i) {
            const double tap = taps[i];
            const double* in = window + kFirTaps - 1 + j - i;
            for (std::size_t b = 0; b < kBlock; ++b) {
                acc[b] += tap * in[b];
            }
        }
        for (std::size_t b = 0; b < kBlock; ++b) {
            out[j + b] = acc[b];
        }
    }
}

void FilterChannel(const PcmView& pcm, const FirTaps& taps, FrameSpan frames, int channel)
{
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    // [0, kFirTaps): the inputs before the chunk, oldest first; then the chunk, then block padding.
    std::vector<double> window(kFirTaps + kChunkFrames + kBlock, 0.0);
    std::vector<double> out(kChunkFrames + kBlock);
    std::size_t at = frames.first;
    while (at < frames.end) {
        const std::size_t count = std::min(kChunkFrames, (frames.end - at) / align);
        for (std::size_t n = 0; n < count; ++n) {
            window[kFirTaps + n] = pcm.Read(at + n * align, channel);
        }
        std::fill(window.begin() + kFirTaps + count, window.end(), 0.0);
        FilterChunk(taps, window.data(), out.data(), (count + kBlock - 1) / kBlock * kBlock);
        for (std::size_t n = 0; n < count; ++n) {
            pcm.WriteTruncated(at + n * align, channel, out[n]);
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
    gain = std::fabs(gain);
    if (gain > 0.0) {
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
    for (int channel = 0; channel < pcm.Channels(); ++channel) {
        FilterChannel(pcm, taps, frames, channel);
    }
    return true;
}

}  // namespace tessaron
