#include "effects/Distortion.h"

#include <array>

namespace tessaron {

bool Distortion(const PcmView& pcm, int amount, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    const double k = (static_cast<double>(amount) - 1.0) / 100.0 + 0.8;  // in double: INT_MIN − 1 overflows
    const FrameSpan frames = FramesIn(pcm, range);
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    // The state keeps the unclipped value; it may reach infinity, never NaN (k × ±inf + finite).
    std::array<double, 2> previous{};
    for (std::size_t at = frames.first; at < frames.end; at += align) {
        for (int channel = 0; channel < pcm.Channels(); ++channel) {
            previous[channel] = 0.5 * pcm.Read(at, channel) + k * previous[channel];
            pcm.WriteTruncated(at, channel, previous[channel]);
        }
    }
    return true;
}

}  // namespace tessaron
