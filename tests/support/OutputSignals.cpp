#include "OutputSignals.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessaron::test {

namespace {

void Store(const WaveFormat& format, uint8_t* at, double value)
{
    if (format.bitsPerSample == 8) {
        *at = static_cast<uint8_t>(std::lround(128.0 + std::clamp(value, -1.0, 127.0 / 128.0) * 128.0));
    } else {
        const auto sample = static_cast<int16_t>(std::lround(std::clamp(value, -1.0, 32767.0 / 32768.0) * 32768.0));
        std::memcpy(at, &sample, 2);
    }
}

}  // namespace

std::vector<uint8_t> SinePcm(const WaveFormat& format, uint32_t frames, double frequency,
                             double amplitude, uint64_t firstFrame)
{
    std::vector<uint8_t> pcm(static_cast<size_t>(frames) * format.blockAlign);
    const double pi = std::acos(-1.0);
    const unsigned bytes = format.bitsPerSample / 8;
    for (uint32_t f = 0; f < frames; ++f) {
        const double phase = 2.0 * pi * frequency * double(firstFrame + f) / format.samplesPerSec;
        const double value = amplitude * std::sin(phase);
        for (unsigned c = 0; c < format.channels; ++c) {
            Store(format, &pcm[size_t(f) * format.blockAlign + c * bytes], value);
        }
    }
    return pcm;
}

std::vector<uint8_t> ConstantPcm(const WaveFormat& format, uint32_t frames, double value)
{
    std::vector<uint8_t> pcm(static_cast<size_t>(frames) * format.blockAlign);
    const unsigned bytes = format.bitsPerSample / 8;
    for (size_t at = 0; at < pcm.size(); at += bytes) {
        Store(format, &pcm[at], value);
    }
    return pcm;
}

std::vector<float> Channel(const std::vector<float>& frames, unsigned channels, unsigned channel)
{
    std::vector<float> out;
    out.reserve(frames.size() / channels);
    for (size_t at = channel; at < frames.size(); at += channels) {
        out.push_back(frames[at]);
    }
    return out;
}

}  // namespace tessaron::test
