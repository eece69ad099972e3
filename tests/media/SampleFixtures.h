#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "audioout/CSoundDevice.h"
#include "audioout/WaveFormat.h"
#include "support/OutputSignals.h"
#include "support/TempDir.h"
#include "support/ToneDetector.h"
#include "support/WavBytes.h"

namespace tessaron::test {

// A WAV file holding `pcm` in `format`.
inline std::string WriteWav(const TempDir& dir, const std::string& name, const WaveFormat& format,
                            const std::vector<uint8_t>& pcm)
{
    const std::string path = dir.file(name);
    WriteBytes(path, PcmWave(format.channels, format.samplesPerSec, format.bitsPerSample, pcm));
    return path;
}

// Interleaved PCM as floats of full scale 1.0 (8-bit unsigned or 16-bit signed).
inline std::vector<float> PcmToFloats(const uint8_t* pcm, size_t bytes, int bits)
{
    std::vector<float> out;
    if (bits == 16) {
        out.resize(bytes / 2);
        for (size_t i = 0; i < out.size(); ++i) {
            int16_t v;
            std::memcpy(&v, pcm + 2 * i, 2);
            out[i] = static_cast<float>(v) / 32768.0f;
        }
    } else {
        out.resize(bytes);
        for (size_t i = 0; i < bytes; ++i) {
            out[i] = (static_cast<float>(pcm[i]) - 128.0f) / 128.0f;
        }
    }
    return out;
}

inline std::vector<int16_t> Words(const uint8_t* pcm, size_t bytes)
{
    std::vector<int16_t> out(bytes / 2);
    std::memcpy(out.data(), pcm, out.size() * 2);
    return out;
}

// An output without a clock whose mix the test pulls, block by block, like an audio callback.
class OfflineDevice {
public:
    explicit OfflineDevice(uint32_t rate = 44100) : rate_(rate)
    {
        device.Create(nullptr, "", rate, 2, CSoundDevice::kSpeakerStereo);
        device.StartPrimary();
    }

    std::vector<float> Render(uint32_t frames)
    {
        std::vector<float> out(size_t(frames) * 2);
        for (uint32_t done = 0; done < frames;) {
            const uint32_t n = std::min<uint32_t>(256, frames - done);
            device.Pull(out.data() + size_t(done) * 2, n);
            done += n;
        }
        return out;
    }

    // The dominant frequency of the left channel over the next 0.2 s.
    double PlayedFrequency(double low, double high)
    {
        const auto left = Channel(Render(rate_ / 5), 2, 0);
        return DominantFrequency(left.data(), left.size(), 1, rate_, low, high, 5);
    }

    uint32_t Rate() const { return rate_; }

    CSoundDevice device{AudioApi::Offline};

private:
    uint32_t rate_;
};

}  // namespace tessaron::test
