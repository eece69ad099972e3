#pragma once

#include <cstdint>

namespace tessaron {

// Changes the length of one channel of 16-bit sound without changing its pitch: every few
// periods one period of the sound is repeated (lengthening) or dropped (shortening), joined by
// a linear cross-fade. The period L is the lag in [minLag, maxLag] at which the sound best
// matches itself over `window` samples.
struct SpliceSettings {
    float ratio = 1.0f;  // output length / input length
    int minLag = 444;
    int maxLag = 444;
    int window = 444;
};

class SegmentSplicer {
public:
    // The work area that one splice may look at.
    static constexpr int kWorkSamples = 4096;

    explicit SegmentSplicer(const SpliceSettings& settings) : settings_(settings) {}

    // Settings the splicer refuses: ratio not above 0, window below 65, a lag outside
    // 1..1024, or window + maxLag reaching kWorkSamples.
    bool Valid() const;

    // Stretches `inCount` samples into exactly `outCount` samples (the sound's end lands on the
    // output's end, a few samples of silence or fewer at worst). Answers false, writing nothing,
    // for invalid settings.
    bool Run(const int16_t* in, int64_t inCount, int16_t* out, int64_t outCount) const;

private:
    int FindLag(const int16_t* x) const;
    int64_t Difference(const int16_t* x, int lag) const;
    int64_t NextCopy(int64_t written, int64_t consumed) const;
    void FinishAt(const int16_t* x, int64_t inLeft, int16_t* out, int64_t outLeft) const;

    SpliceSettings settings_;
};

}  // namespace tessaron
