#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "effects/PcmView.h"

namespace tessaron::test {

// Owns the bytes of interleaved integer samples in one format and hands out views on them.
class PcmTestBuffer {
public:
    PcmTestBuffer(PcmFormat format, const std::vector<int>& interleaved) : format_(format)
    {
        bytes_.resize(interleaved.size() * (format.bitsPerSample / 8));
        const PcmView view = View();
        const std::size_t align = format.BlockAlign();
        for (std::size_t i = 0; i < interleaved.size(); ++i) {
            view.Write(i / format.channels * align, static_cast<int>(i % format.channels), interleaved[i]);
        }
    }

    PcmView View() { return PcmView(bytes_, format_); }
    std::vector<std::uint8_t>& Bytes() { return bytes_; }
    std::size_t Frames() const { return bytes_.size() / format_.BlockAlign(); }
    std::int64_t ByteOf(std::size_t frame) const { return static_cast<std::int64_t>(frame * format_.BlockAlign()); }

    int At(std::size_t frame, int channel) { return View().Read(frame * format_.BlockAlign(), channel); }

    std::vector<int> Channel(int channel)
    {
        std::vector<int> out(Frames());
        for (std::size_t n = 0; n < out.size(); ++n) {
            out[n] = At(n, channel);
        }
        return out;
    }

private:
    PcmFormat format_;
    std::vector<std::uint8_t> bytes_;
};

inline PcmFormat Format(int channels, int bits, int rate = 44100)
{
    return PcmFormat{rate, channels, bits};
}

inline std::vector<int> Sine(double hz, int rate, std::size_t frames, double amplitude)
{
    std::vector<int> out(frames);
    for (std::size_t n = 0; n < frames; ++n) {
        out[n] = static_cast<int>(std::lround(amplitude * std::sin(2.0 * std::numbers::pi * hz * n / rate)));
    }
    return out;
}

// Reproducible noise in [-amplitude, amplitude].
inline std::vector<int> Noise(std::size_t count, int amplitude, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-amplitude, amplitude);
    std::vector<int> out(count);
    for (int& v : out) {
        v = value(random);
    }
    return out;
}

inline std::vector<int> Interleave(const std::vector<int>& left, const std::vector<int>& right)
{
    std::vector<int> out;
    for (std::size_t n = 0; n < left.size(); ++n) {
        out.push_back(left[n]);
        out.push_back(right[n]);
    }
    return out;
}

inline double Rms(const std::vector<int>& samples, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t n = from; n < to; ++n) {
        sum += static_cast<double>(samples[n]) * samples[n];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

}  // namespace tessaron::test
