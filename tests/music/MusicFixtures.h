#pragma once

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audiofile/CWaveReader.h"
#include "audioout/CSoundDevice.h"
#include "audioout/WaveFormat.h"

namespace tessaron::test {

// Stereo 16-bit PCM in which no stretch repeats: a rising sweep on the left, a falling one
// at another level on the right, so a dropped or doubled piece and a channel mix-up both show.
inline std::vector<uint8_t> SweepPcm(uint32_t rate, uint32_t frames)
{
    std::vector<uint8_t> pcm(size_t(frames) * 4);
    const double pi = std::acos(-1.0);
    for (uint32_t n = 0; n < frames; ++n) {
        const double t = double(n) / rate;
        const auto left = static_cast<int16_t>(std::lrint(12000.0 * std::sin(2 * pi * (200.0 * t + 150.0 * t * t))));
        const auto right = static_cast<int16_t>(std::lrint(7000.0 * std::sin(2 * pi * (3000.0 * t - 90.0 * t * t))));
        std::memcpy(pcm.data() + size_t(n) * 4, &left, 2);
        std::memcpy(pcm.data() + size_t(n) * 4 + 2, &right, 2);
    }
    return pcm;
}

inline bool WriteWav(const std::string& path, const WaveFormat& format, const std::vector<uint8_t>& pcm)
{
    CWaveReader writer;
    CWaveFormat wave;
    wave.formatTag = 1;
    wave.channels = format.channels;
    wave.samplesPerSec = format.samplesPerSec;
    wave.avgBytesPerSec = format.avgBytesPerSec;
    wave.blockAlign = format.blockAlign;
    wave.bitsPerSample = format.bitsPerSample;
    const auto bytes = static_cast<int32_t>(pcm.size());
    return writer.CreateForWrite(path, wave, bytes) && writer.Write(pcm.data(), bytes) == bytes &&
           writer.FinishWrite();
}

// An offline output pulled at the pace of a real one, in 10 ms blocks, so that a streaming
// worker on its own clock keeps up exactly as it would with a sound card.
class PacedOutput {
public:
    explicit PacedOutput(uint32_t rate) : rate_(rate)
    {
        device.Create(nullptr, "", rate, 2, CSoundDevice::kSpeakerStereo);
        device.StartPrimary();
        next_ = std::chrono::steady_clock::now();
    }

    // Plays `ms` more and keeps what came out.
    void Play(int ms)
    {
        const uint32_t block = rate_ / 100;
        for (int done = 0; done < ms; done += 10) {
            std::vector<float> out(size_t(block) * 2);
            device.Pull(out.data(), block);
            output.insert(output.end(), out.begin(), out.end());
            next_ += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next_);
        }
    }

    // The output as 16-bit values of one channel.
    std::vector<int> Channel16(int channel) const
    {
        std::vector<int> values;
        for (size_t i = size_t(channel); i < output.size(); i += 2) {
            values.push_back(static_cast<int>(std::lrint(output[i] * 32768.0f)));
        }
        return values;
    }

    CSoundDevice device{AudioApi::Offline};
    std::vector<float> output;

private:
    uint32_t rate_;
    std::chrono::steady_clock::time_point next_;
};

// One channel of 16-bit stereo PCM.
inline std::vector<int> PcmChannel(const std::vector<uint8_t>& pcm, int channel)
{
    std::vector<int> values;
    for (size_t i = size_t(channel) * 2; i + 1 < pcm.size(); i += 4) {
        int16_t v;
        std::memcpy(&v, pcm.data() + i, 2);
        values.push_back(v);
    }
    return values;
}

// Where `window` first occurs in `signal` within `tolerance` per sample; -1 when nowhere.
inline long FindWindow(const std::vector<int>& signal, const std::vector<int>& window, int tolerance = 1)
{
    if (window.empty() || window.size() > signal.size()) {
        return -1;
    }
    for (size_t at = 0; at + window.size() <= signal.size(); ++at) {
        size_t i = 0;
        while (i < window.size() && std::abs(signal[at + i] - window[i]) <= tolerance) {
            ++i;
        }
        if (i == window.size()) {
            return static_cast<long>(at);
        }
    }
    return -1;
}

// Index of the first value whose size exceeds `threshold`; the size when none does.
inline size_t FirstSound(const std::vector<int>& values, int threshold = 2)
{
    size_t i = 0;
    while (i < values.size() && std::abs(values[i]) <= threshold) {
        ++i;
    }
    return i;
}

// Values that differ from `expected` (from `from` on, `count` of them) by more than one step.
inline size_t Mismatches(const std::vector<int>& actual, size_t from, const std::vector<int>& expected,
                         size_t expectedFrom, size_t count)
{
    size_t bad = 0;
    for (size_t i = 0; i < count; ++i) {
        if (from + i >= actual.size() || expectedFrom + i >= expected.size() ||
            std::abs(actual[from + i] - expected[expectedFrom + i]) > 1) {
            ++bad;
        }
    }
    return bad;
}

}  // namespace tessaron::test
