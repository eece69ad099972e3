#include "music/MusicProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessaron {

MusicProcessor::MusicProcessor()
{
    for (auto& channel : bands_) {
        channel[0].SetKind(MusicFilterKind::Band1);
        channel[1].SetKind(MusicFilterKind::Band2);
        channel[2].SetKind(MusicFilterKind::Band3);
    }
}

bool MusicProcessor::SetGainDb(int db)
{
    if (db < -20 || db > 20) {
        return false;
    }
    gainDb_ = db;
    gain_ = std::pow(10.0, db * 10 / 200.0) * baseGain_;
    return true;
}

void MusicProcessor::SetBaseGain(double gain)
{
    baseGain_ = gain;
    SetGainDb(gainDb_);
}

bool MusicProcessor::SetChannelMode(int mode)
{
    if (mode < kStereo || mode > kSwap) {
        return false;
    }
    channelMode_ = mode;
    return true;
}

void MusicProcessor::SetEffect(bool first, int firstDesign, bool second, int secondDesign, bool third,
                               int thirdDesign)
{
    // A switch without a design (0) does not select its filter.
    effectMode_ = first && firstDesign != 0 ? 1 : second && secondDesign != 0 ? 2 : third && thirdDesign != 0 ? 3 : 0;
    const MusicFilterKind kind = effectMode_ == 2 ? MusicFilterKind::LowPass2
                                 : effectMode_ == 3 ? MusicFilterKind::LowPass3
                                                    : MusicFilterKind::HighPass1;
    for (auto& section : effect_) {
        section.SetKind(kind);
    }
}

void MusicProcessor::SetEqualiser(bool on, int gain1, int gain2, int gain3)
{
    bandGains_ = {gain1, gain2, gain3};
    for (size_t band = 0; band < 3; ++band) {
        bandFactors_[band] = std::pow(10.0, bandGains_[band] / 200.0);
        bands_[0][band].Reset();
        bands_[1][band].Reset();
    }
    equaliserOn_ = on;
}

void MusicProcessor::SetEqualiserOn(bool on)
{
    if (on && !equaliserOn_) {
        ResetHistories();
    }
    equaliserOn_ = on;
}

void MusicProcessor::SetBypass(bool on)
{
    if (!on && bypass_) {
        ResetHistories();
    }
    bypass_ = on;
}

void MusicProcessor::ResetHistories()
{
    for (auto& section : effect_) {
        section.Reset();
    }
    for (auto& channel : bands_) {
        for (auto& section : channel) {
            section.Reset();
        }
    }
}

bool MusicProcessor::Active() const
{
    return !bypass_ && (equaliserOn_ || effectMode_ != 0 || gain_ != 1.0 || channelMode_ != kStereo);
}

double MusicProcessor::Chain(double value, int channel)
{
    double v = value * gain_;
    if (effectMode_ != 0) {
        v = effect_[static_cast<size_t>(channel)].Process(v);
    }
    if (equaliserOn_) {
        auto& sections = bands_[static_cast<size_t>(channel)];
        v = sections[0].Process(v) * bandFactors_[0] + sections[1].Process(v) * bandFactors_[1] +
            sections[2].Process(v) * bandFactors_[2];
    }
    return v;
}

namespace {
int16_t ClampTo16(double v) { return static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0)); }
}  // namespace

void MusicProcessor::Process(uint8_t* data, uint32_t bytes, int bitsPerSample, int channels)
{
    if (!Active()) {
        return;
    }
    if (bitsPerSample == 8) {
        // 8-bit data is unsigned around 128: the gain scales the distance from silence.
        for (uint32_t i = 0; i < bytes; ++i) {
            const double v = std::trunc((data[i] - 128) * gain_);
            data[i] = static_cast<uint8_t>(std::clamp(v, -128.0, 127.0) + 128);
        }
        return;
    }
    if (bitsPerSample != 16) {
        return;
    }
    const uint32_t samples = bytes / 2;
    if (channels == 1) {
        for (uint32_t i = 0; i < samples; ++i) {
            int16_t s;
            std::memcpy(&s, data + 2 * i, 2);
            s = ClampTo16(Chain(s, 0));
            std::memcpy(data + 2 * i, &s, 2);
        }
        return;
    }
    for (uint32_t i = 0; i + 1 < samples; i += 2) {
        int16_t pair[2];
        std::memcpy(pair, data + 2 * i, 4);
        double left = pair[0];
        double right = pair[1];
        switch (channelMode_) {
        case kMono:
            left = right = std::trunc((left + right) / 2);
            break;
        case kSide: {
            const double mid = std::trunc((left + right) / 2);
            left -= mid;
            right -= mid;
            break;
        }
        case kDifference:
            left = right = pair[1] - pair[0];
            break;
        case kSwap:
            std::swap(left, right);
            break;
        default:
            break;
        }
        pair[0] = ClampTo16(Chain(left, 0));
        pair[1] = ClampTo16(Chain(right, 1));
        std::memcpy(data + 2 * i, pair, 4);
    }
}

}  // namespace tessaron
