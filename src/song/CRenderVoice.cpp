#include "song/CRenderVoice.h"

#include <cmath>

#include "media/CMedia.h"

namespace tessaron {

namespace {

double Factor(int32_t tenthsDb) { return std::pow(10.0, tenthsDb / 200.0); }

}  // namespace

bool CRenderVoice::CanPlay(const CMedia& medium)
{
    const int rate = medium.GetSampleRate();
    const int bits = medium.GetBitsPerSample();
    const int channels = medium.GetChannels();
    return medium.GetPcm() != nullptr && medium.GetDataSize() > 0 && (rate == 11025 || rate == 22050 || rate == 44100) &&
           (bits == 8 || bits == 16) && (channels == 1 || channels == 2) &&
           medium.GetDataSize() >= channels * bits / 8;
}

CRenderVoice::CRenderVoice(CMedia& medium, int32_t volume, int32_t pan)
    : medium_(&medium),
      data_(medium.GetPcm()),
      channels_(medium.GetChannels()),
      dataSize_(static_cast<uint32_t>(medium.GetDataSize())),
      step_(static_cast<int32_t>(static_cast<double>(medium.GetPlaybackRate()) / kOutputRate * 65536.0)),
      bits_(medium.GetBitsPerSample()),
      frameSize_(static_cast<uint32_t>(channels_ * bits_ / 8))
{
    dataSize_ -= dataSize_ % frameSize_;  // a partial last frame is never read
    SetVolume(volume);
    SetPan(pan);
}

void CRenderVoice::SetVolume(int32_t volume)
{
    volume_ = volume;
    volumeFactor_ = Factor(volume);
}

void CRenderVoice::SetPan(int32_t pan)
{
    pan_ = pan;
    panFactor_ = Factor(pan < 0 ? pan : -pan);
}

int32_t CRenderVoice::Attenuate(int32_t v, int32_t a)
{
    if (a == 0 || v == 0) {
        return v;
    }
    return Scale(v, Factor(a));
}

int32_t CRenderVoice::SampleAt(uint32_t byte) const
{
    if (bits_ == 16) {
        return static_cast<int16_t>(static_cast<uint16_t>(data_[byte] | (data_[byte + 1] << 8)));
    }
    return static_cast<int8_t>(data_[byte]) * 16;
}

void CRenderVoice::Next(int32_t& left, int32_t& right)
{
    if (phase_ >= 65536) {
        framePosition_ += static_cast<uint32_t>(phase_ / 65536) * frameSize_;
        phase_ %= 65536;
        if (framePosition_ >= dataSize_) {
            framePosition_ = 0;
        }
    }
    uint32_t nextFrame = framePosition_ + frameSize_;
    if (nextFrame >= dataSize_) {
        nextFrame = 0;
    }
    const int64_t phase = phase_;
    const auto interpolate = [&](int32_t s0, int32_t s1) {
        return s0 + static_cast<int32_t>(static_cast<int64_t>(s1 - s0) * phase / 65536);
    };
    const uint32_t sampleBytes = static_cast<uint32_t>(bits_ / 8);

    left = interpolate(SampleAt(framePosition_), SampleAt(nextFrame));
    if (channels_ == 2 && pan_ < 0 && left != 0) {
        left = Scale(left, panFactor_);
    }
    phase_ += step_;
    if (volume_ != 0 && left != 0) {
        left = Scale(left, volumeFactor_);
    }

    if (channels_ == 2) {
        right = interpolate(SampleAt(framePosition_ + sampleBytes), SampleAt(nextFrame + sampleBytes));
        if (pan_ > 0 && right != 0) {
            right = Scale(right, panFactor_);
        }
        if (volume_ != 0 && right != 0) {
            right = Scale(right, volumeFactor_);
        }
    } else {
        right = left;
    }
}

}  // namespace tessaron
