#include "effects/FirFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "effects/FirKernel.h"

namespace tessaron {
namespace {

constexpr int kCentre = (kFirTaps - 1) / 2;

constexpr std::size_t kChunkFrames = 4096;

// How one stored sample becomes a signed value and back. 16-bit PCM is signed; 8-bit PCM is
// unsigned with silence at 128, as WAV files and the output buffers hold it.
template <typename Stored>
struct SampleCoding;

template <>
struct SampleCoding<std::int16_t> {
    static constexpr double kLow = -32768.0;
    static constexpr double kHigh = 32767.0;
    static double Decode(std::int16_t stored) { return stored; }
    static std::int16_t Encode(int value) { return static_cast<std::int16_t>(value); }
};

template <>
struct SampleCoding<std::uint8_t> {
    static constexpr double kLow = -128.0;
    static constexpr double kHigh = 127.0;
    static double Decode(std::uint8_t stored) { return static_cast<int>(stored) - 128; }
    static std::uint8_t Encode(int value) { return static_cast<std::uint8_t>(value + 128); }
};

// One channel of the range through the taps, in chunks that slide the last kFirTaps inputs along.
template <typename Sample>
void FilterChannel(const PcmView& pcm, const FirTaps& taps, FirIsa isa, FrameSpan frames, int channel)
{
    using Coding = SampleCoding<Sample>;
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
            window[kFirTaps + n] = Coding::Decode(sample);
        }
        std::fill(window.begin() + kFirTaps + count, window.end(), 0.0);
        const std::size_t blocks = (count + kFirKernelBlock - 1) / kFirKernelBlock;
        FirConvolve(isa, taps, window.data(), out.data(), blocks * kFirKernelBlock);
        for (std::size_t n = 0; n < count; ++n) {
            // Finite taps on finite samples give finite sums: clip and truncate.
            const Sample sample = Coding::Encode(static_cast<int>(std::clamp(out[n], Coding::kLow, Coding::kHigh)));
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
            FilterChannel<std::uint8_t>(pcm, taps, isa, frames, channel);
        }
    }
    return true;
}

}  // namespace tessaron
