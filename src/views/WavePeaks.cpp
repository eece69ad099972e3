#include "views/WavePeaks.h"

#include <algorithm>
#include <cstring>

namespace tessaron {

namespace {

// Lowest and highest sample of frames [first, last) of 16-bit PCM.
WavePeaks::Column Scan16(const uint8_t* pcm, int64_t first, int64_t last, int channels)
{
    int low = 32767;
    int high = -32768;
    const int64_t count = (last - first) * channels;
    const uint8_t* at = pcm + first * channels * 2;
    for (int64_t i = 0; i < count; ++i) {
        int16_t value;
        std::memcpy(&value, at + i * 2, sizeof value);
        low = std::min<int>(low, value);
        high = std::max<int>(high, value);
    }
    return {static_cast<int16_t>(low), static_cast<int16_t>(high)};
}

WavePeaks::Column Scan8(const uint8_t* pcm, int64_t first, int64_t last, int channels)
{
    int low = 127;
    int high = -128;
    const int64_t count = (last - first) * channels;
    const uint8_t* at = pcm + first * channels;
    for (int64_t i = 0; i < count; ++i) {
        const int value = static_cast<int>(at[i]) - 128;
        low = std::min(low, value);
        high = std::max(high, value);
    }
    return {static_cast<int16_t>(low * 256), static_cast<int16_t>(high * 256)};
}

}  // namespace

void WavePeaks::Compute(const uint8_t* pcm, int32_t size, int channels, int bitsPerSample, int width)
{
    columns_.clear();
    const int bytesPerSample = bitsPerSample / 8;
    if (pcm == nullptr || size <= 0 || width <= 0 || channels < 1 || (bitsPerSample != 8 && bitsPerSample != 16)) {
        return;
    }
    const int64_t frames = size / (int64_t{channels} * bytesPerSample);
    columns_.resize(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        const int64_t first = frames * x / width;
        // A column narrower than a frame shows the frame it falls in.
        const int64_t last = std::max(first + 1, frames * (x + 1) / width);
        if (first >= frames) {
            continue;
        }
        columns_[static_cast<size_t>(x)] = bitsPerSample == 16 ? Scan16(pcm, first, std::min(last, frames), channels)
                                                               : Scan8(pcm, first, std::min(last, frames), channels);
    }
}

}  // namespace tessaron
