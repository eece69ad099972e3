#pragma once

#include <cstdint>

namespace tessaron {

// The layout of PCM data as a wave file's format chunk describes it: format tag 1 (PCM),
// channels, samples per second, average bytes per second, block align (bytes of one frame),
// bits per sample. Sound buffers take 8-bit (unsigned, 128 is silence) or 16-bit (signed) data,
// mono or stereo, at any rate.
struct WaveFormat {
    uint16_t formatTag = 1;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;

    static constexpr uint16_t Pcm = 1;

    static WaveFormat Pcm16(uint32_t rate, uint16_t channels) { return MakePcm(rate, channels, 16); }

    static WaveFormat MakePcm(uint32_t rate, uint16_t channels, uint16_t bits)
    {
        WaveFormat f;
        f.channels = channels;
        f.samplesPerSec = rate;
        f.bitsPerSample = bits;
        f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
        f.avgBytesPerSec = rate * f.blockAlign;
        return f;
    }

    // A format the mixer can play.
    bool IsPlayablePcm() const
    {
        return formatTag == Pcm && (channels == 1 || channels == 2) &&
               (bitsPerSample == 8 || bitsPerSample == 16) && samplesPerSec > 0 &&
               blockAlign == channels * bitsPerSample / 8;
    }

    bool operator==(const WaveFormat&) const = default;
};

}  // namespace tessaron
