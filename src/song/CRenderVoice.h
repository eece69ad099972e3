#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaron {

class CMedia;

// One sounding "Play" of a sample during an offline render: linear interpolation with 16.16
// fixed-point stepping, looping until it is stopped.
class CRenderVoice {
public:
    // Output rate of every render.
    static constexpr int kOutputRate = 44100;

    // Null when the medium has no data a render can play (wrong rate or bit depth, no PCM).
    static bool CanPlay(const CMedia& medium);
    CRenderVoice(CMedia& medium, int32_t volume, int32_t pan);

    CMedia* Medium() const { return medium_; }
    void SetVolume(int32_t volume);
    void SetPan(int32_t pan);
    int Channels() const { return channels_; }

    // Adds the next `frames` output frames into the accumulators: left, and right (for a mono
    // voice, the left sample again).
    void Mix(int64_t* left, int64_t* right, size_t frames);

    // |v| scaled by 10^(a/200), truncated, with v's sign; a is in tenths of a decibel.
    static int32_t Attenuate(int32_t v, int32_t a);

private:
    template <int Bits, int Channels>
    void MixFrames(int64_t* left, int64_t* right, size_t frames);
    template <int Bits, int Channels>
    void MixUnitStep(int64_t* left, int64_t* right, size_t frames);
    template <int Bits>
    int32_t SampleAt(uint32_t byte) const;
    static int32_t Scale(int32_t v, double factor) { return static_cast<int32_t>(v * factor); }

    CMedia* medium_;
    const uint8_t* data_;
    int32_t volume_ = 0;
    int32_t pan_ = 0;
    double volumeFactor_ = 1.0;
    double panFactor_ = 1.0;
    int channels_;
    uint32_t dataSize_;
    uint32_t framePosition_ = 0;
    int32_t step_;
    int32_t phase_ = 0;
    int bits_;
    uint32_t frameSize_;
};

}  // namespace tessaron
