#include "effects/LevelEffects.h"

#include <array>
#include <cmath>
#include <cstdlib>

#include "effects/EffectLevels.h"

namespace tessaron {

bool Normalise(const PcmView& pcm, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    const FrameSpan frames = FramesIn(pcm, range);
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    long long peak = 0;
    for (std::size_t at = frames.first; at < frames.end; at += align) {
        for (int channel = 0; channel < pcm.Channels(); ++channel) {
            peak = std::max(peak, std::llabs(pcm.Read(at, channel)));
        }
    }
    if (peak == 0) {
        return true;  // no gain brings silence to full scale
    }
    // Integer arithmetic truncates exactly, so the peak lands on full scale, not one below.
    const long long full = pcm.FullScale();
    for (std::size_t at = frames.first; at < frames.end; at += align) {
        for (int channel = 0; channel < pcm.Channels(); ++channel) {
            pcm.Write(at, channel, pcm.Read(at, channel) * full / peak);
        }
    }
    return true;
}

bool Gain(const PcmView& pcm, int tenthsOfDb, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    const FrameSpan frames = FramesIn(pcm, range);
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    const double factor = DbGain(tenthsOfDb);
    for (std::size_t at = frames.first; at < frames.end; at += align) {
        for (int channel = 0; channel < pcm.Channels(); ++channel) {
            pcm.WriteTruncated(at, channel, pcm.Read(at, channel) * factor);
        }
    }
    return true;
}

bool NoiseGate(const PcmView& pcm, int thresholdDb, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    const FrameSpan frames = FramesIn(pcm, range);
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    const double threshold = std::fabs(static_cast<double>(thresholdDb));  // |INT_MIN| overflows an int
    for (std::size_t at = frames.first; at < frames.end; at += align) {
        for (int channel = 0; channel < pcm.Channels(); ++channel) {
            if (LevelDb(pcm.Read16(at, channel)) < threshold) {
                pcm.Write(at, channel, 0);
            }
        }
    }
    return true;
}

bool Dynamics(const PcmView& pcm, int v, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    const FrameSpan frames = FramesIn(pcm, range);
    if (frames.Empty()) {
        return true;
    }
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    const double limit = v;  // in double: -INT_MIN overflows an int
    const double factor = DbGain(limit * 10.0);
    std::array<double, 2> previousLevel{};
    for (int channel = 0; channel < pcm.Channels(); ++channel) {
        previousLevel[channel] = LevelDb(pcm.Read16(0, channel));
    }
    for (std::size_t at = frames.first + align; at < frames.end; at += align) {
        for (int channel = 0; channel < pcm.Channels(); ++channel) {
            const int sample = pcm.Read(at, channel);
            const double jump = LevelDb(sample * pcm.StepOf16()) - previousLevel[channel];
            const bool scale = v >= 0 ? jump > limit : std::fabs(std::trunc(jump)) > -limit;
            if (scale) {
                pcm.WriteTruncated(at, channel, sample * factor);
            }
            previousLevel[channel] = LevelDb(pcm.Read16(at, channel));
        }
    }
    return true;
}

}  // namespace tessaron
