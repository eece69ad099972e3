#pragma once

#include <cstdint>
#include <vector>

namespace tessaron {

// The waveform summarised for drawing: the lowest and highest sample of each pixel column,
// over all channels, scaled to 16 bits. Made once per edit or width, never on a paint.
class WavePeaks {
public:
    struct Column {
        int16_t low = 0;
        int16_t high = 0;
    };

    // Summarises `size` bytes of 8-bit (unsigned) or 16-bit PCM into `width` columns.
    void Compute(const uint8_t* pcm, int32_t size, int channels, int bitsPerSample, int width);
    void Clear() { columns_.clear(); }

    const std::vector<Column>& Columns() const { return columns_; }
    bool Empty() const { return columns_.empty(); }

private:
    std::vector<Column> columns_;
};

}  // namespace tessaron
