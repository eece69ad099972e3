#include "effects/DelayEffects.h"

#include <cmath>
#include <new>
#include <vector>

#include "effects/EffectLevels.h"

namespace tessaron {
namespace {

// A delay in bytes rounded down to whole frames, or 0 when it is unusable (below one frame,
// or longer than the buffer so that no sample has a partner).
std::size_t WholeFrameDelay(const PcmView& pcm, double bytes)
{
    const auto align = static_cast<double>(pcm.BlockAlign());
    const double whole = std::floor(bytes / align) * align;  // NaN and negatives fail below
    if (!(whole >= align) || whole > static_cast<double>(pcm.Size())) {
        return 0;
    }
    return static_cast<std::size_t>(whole);
}

std::size_t DelayOfFrequency(const PcmView& pcm, int frequency)
{
    if (frequency <= 0) {
        return 0;
    }
    return WholeFrameDelay(pcm, std::trunc(static_cast<double>(pcm.Format().BytesPerSecond()) / frequency));
}

std::size_t DelayOfMs(const PcmView& pcm, int ms)
{
    const double bytes = static_cast<double>(ms) * pcm.Format().BytesPerSecond() / 1000.0;
    return WholeFrameDelay(pcm, std::trunc(bytes));
}

// Walking backwards, so that the earlier sample read is still the original one.
template <typename Mix>
void AddEarlierBackwards(const PcmView& pcm, std::size_t delay, FrameSpan frames, Mix mix)
{
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    for (std::size_t at = frames.end; at > frames.first;) {
        at -= align;
        if (at < delay) {
            break;
        }
        for (int channel = 0; channel < pcm.Channels(); ++channel) {
            pcm.Write(at, channel, pcm.Read(at, channel) + mix(pcm.Read(at - delay, channel)));
        }
    }
}

}  // namespace

bool Comb(const PcmView& pcm, int frequency, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    const std::size_t delay = DelayOfFrequency(pcm, frequency);
    if (delay == 0) {
        return false;
    }
    AddEarlierBackwards(pcm, delay, FramesIn(pcm, range), [](int earlier) { return earlier; });
    return true;
}

bool Delay(const PcmView& pcm, int ms, int tenthsOfDb, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    const std::size_t delay = DelayOfMs(pcm, ms);
    if (delay == 0) {
        return false;
    }
    const double gain = DbGain(tenthsOfDb);
    AddEarlierBackwards(pcm, delay, FramesIn(pcm, range),
                        [gain](int earlier) { return PcmView::ClipToLongLong(earlier * gain); });
    return true;
}

bool Echo(const PcmView& pcm, int ms, int tenthsOfDb, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    const std::size_t delay = DelayOfMs(pcm, ms);
    if (delay == 0) {
        return false;
    }
    const double gain = DbGain(tenthsOfDb);
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    const int channels = pcm.Channels();
    // One slot per sample of the delay; slots hold sample values, so they are clipped like samples.
    std::vector<int> ring;
    try {
        ring.assign(delay / align * channels, 0);
    } catch (const std::bad_alloc&) {
        return false;  // refused like any other failure; nothing is thrown to the caller
    }
    const FrameSpan frames = FramesIn(pcm, range);
    std::size_t slot = 0;
    for (std::size_t at = frames.first; at < frames.end; at += align) {
        for (int channel = 0; channel < channels; ++channel) {
            int& repeat = ring[slot + channel];
            pcm.Write(at, channel, static_cast<long long>(pcm.Read(at, channel)) + repeat);
            const double next = pcm.Read(at, channel) * gain;
            repeat = static_cast<int>(std::clamp<long long>(PcmView::ClipToLongLong(next), -pcm.FullScale() - 1,
                                                            pcm.FullScale()));
        }
        slot += channels;
        if (slot == ring.size()) {
            slot = 0;
        }
    }
    return true;
}

bool Metal(const PcmView& pcm, int frequency, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    const std::size_t delay = DelayOfFrequency(pcm, frequency);
    if (delay == 0) {
        return false;
    }
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    const FrameSpan frames = FramesIn(pcm, range);
    for (std::size_t at = frames.first; at < frames.end; at += align) {
        if (at <= delay) {
            continue;
        }
        for (int channel = 0; channel < pcm.Channels(); ++channel) {
            pcm.WriteTruncated(at, channel, 0.55 * pcm.Read(at, channel) + 0.85 * pcm.Read(at - delay, channel));
        }
    }
    return true;
}

}  // namespace tessaron
