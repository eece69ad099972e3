#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "music/MusicFilter.h"

namespace tessaron {

// What the music engine does to decoded PCM on its way into the sound buffer: gain, channel
// mode, one effect filter and the three-band equaliser. Not thread-safe: the engine calls it
// under its own lock.
class MusicProcessor {
public:
    // Channel modes.
    static constexpr int kStereo = 0;
    static constexpr int kMono = 1;
    static constexpr int kSide = 2;
    static constexpr int kDifference = 3;
    static constexpr int kSwap = 4;

    MusicProcessor();

    // -20 .. 20 dB; others are refused. Linear gain = 10^(dB x 10 / 200) x base gain.
    bool SetGainDb(int db);
    int GainDb() const { return gainDb_; }
    double Gain() const { return gain_; }
    void SetBaseGain(double gain);
    // 0 .. 4; others are refused.
    bool SetChannelMode(int mode);
    int ChannelMode() const { return channelMode_; }
    // Three exclusive switches, each with its design: the mode becomes that of the first switch
    // that is on and has a design (1, 2, 3), else 0; the effect sections start afresh.
    void SetEffect(bool first, int firstDesign, bool second, int secondDesign, bool third, int thirdDesign);
    int EffectMode() const { return effectMode_; }
    // Band gains in tenths of a decibel; every band section starts afresh.
    void SetEqualiser(bool on, int gain1, int gain2, int gain3);
    void SetEqualiserOn(bool on);
    bool EqualiserOn() const { return equaliserOn_; }
    int BandGain(int band) const { return bandGains_[static_cast<size_t>(band)]; }
    // Bypass leaves the data untouched; switching it off clears the filter histories.
    void SetBypass(bool on);
    bool Bypass() const { return bypass_; }
    void ResetHistories();

    // Whether Process changes anything.
    bool Active() const;
    // Processes `bytes` of interleaved PCM (8-bit unsigned or 16-bit signed, mono or stereo).
    void Process(uint8_t* data, uint32_t bytes, int bitsPerSample, int channels);

private:
    double Chain(double value, int channel);

    double baseGain_ = 1.0;
    double gain_ = 1.0;
    int gainDb_ = 0;
    int channelMode_ = kStereo;
    int effectMode_ = 0;
    bool equaliserOn_ = false;
    bool bypass_ = false;
    std::array<int, 3> bandGains_{};
    std::array<double, 3> bandFactors_{1.0, 1.0, 1.0};
    std::array<MusicFilter, 2> effect_;              // left, right
    std::array<std::array<MusicFilter, 3>, 2> bands_;  // [channel][band]
};

}  // namespace tessaron
