#include "effects/Resonant.h"

#include <array>
#include <cmath>

namespace tessaron {
namespace {

struct LadderState {
    double y1 = 0, y2 = 0, y3 = 0, y4 = 0;
    double oldX = 0, oldY1 = 0, oldY2 = 0, oldY3 = 0;
};

}  // namespace

bool Resonant(const PcmView& pcm, int frequency, int resonancePercent, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    const double rate = pcm.Format().sampleRate;
    const double g = 2.0 * frequency / rate;
    const double k = 3.6 * g - 1.6 * g * g - 1.0;
    const double p = (k + 1.0) * 0.5;
    const double scale = std::exp((1.0 - p) * 1.386249);
    const double q = resonancePercent / 100.0 * scale;

    const FrameSpan frames = FramesIn(pcm, range);
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    // The ladder runs on fractions of full scale: its saturation must bite at the same level
    // whatever the depth.
    const double step = pcm.StepOf16();
    std::array<LadderState, 2> states{};
    for (std::size_t at = frames.first; at < frames.end; at += align) {
        for (int channel = 0; channel < pcm.Channels(); ++channel) {
            LadderState& s = states[channel];
            const double x = pcm.Read16(at, channel) / 32768.0 - q * s.y4;
            const double y1 = x * p + s.oldX * p - k * s.y1;
            const double y2 = y1 * p + s.oldY1 * p - k * s.y2;
            const double y3 = y2 * p + s.oldY2 * p - k * s.y3;
            double y4 = y3 * p + s.oldY3 * p - k * s.y4;
            y4 -= y4 * y4 * y4 / 6.0;
            s = {y1, y2, y3, y4, x, y1, y2, y3};
            // An unstable setting runs to infinity or NaN; writing clips it (NaN writes 0).
            pcm.WriteTruncated(at, channel, y4 * 32768.0 / step);
        }
    }
    return true;
}

}  // namespace tessaron
