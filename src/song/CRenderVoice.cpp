#include "song/CRenderVoice.h"

#include <algorithm>
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

template <int Bits>
int32_t CRenderVoice::SampleAt(uint32_t byte) const
{
    if constexpr (Bits == 16) {
        return static_cast<int16_t>(static_cast<uint16_t>(data_[byte] | (data_[byte + 1] << 8)));
    } else {
        // 8-bit PCM is unsigned with silence at 128; centred, it takes the 16-bit scale.
        return (static_cast<int32_t>(data_[byte]) - 128) * 16;
    }
}

// One output frame at a time, exactly as the render defines it; the work per frame is kept
// small by fixing the sample layout at compile time.
template <int Bits, int Channels>
void CRenderVoice::MixFrames(int64_t* left, int64_t* right, size_t frames)
{
    constexpr uint32_t kSampleBytes = Bits / 8;
    const bool panLeft = Channels == 2 && pan_ < 0;
    const bool panRight = Channels == 2 && pan_ > 0;
    const bool attenuate = volume_ != 0;
    for (size_t n = 0; n < frames; ++n) {
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
        const int32_t s0 = SampleAt<Bits>(framePosition_);
        int32_t l = s0 + static_cast<int32_t>((SampleAt<Bits>(nextFrame) - s0) * phase / 65536);
        if (panLeft && l != 0) {
            l = Scale(l, panFactor_);
        }
        phase_ += step_;
        if (attenuate && l != 0) {
            l = Scale(l, volumeFactor_);
        }
        left[n] += l;
        if constexpr (Channels == 2) {
            const int32_t r0 = SampleAt<Bits>(framePosition_ + kSampleBytes);
            int32_t r = r0 + static_cast<int32_t>((SampleAt<Bits>(nextFrame + kSampleBytes) - r0) * phase / 65536);
            if (panRight && r != 0) {
                r = Scale(r, panFactor_);
            }
            if (attenuate && r != 0) {
                r = Scale(r, volumeFactor_);
            }
            right[n] += r;
        } else {
            right[n] += l;
        }
    }
}

// Data at the output rate: the phase stays on whole frames, every output frame is one source
// frame and the interpolation adds nothing, so runs of frames are read straight through.
template <int Bits, int Channels>
void CRenderVoice::MixUnitStep(int64_t* left, int64_t* right, size_t frames)
{
    constexpr uint32_t kSampleBytes = Bits / 8;
    const double leftFactor = (Channels == 2 && pan_ < 0 ? panFactor_ : 1.0);
    const double rightFactor = (Channels == 2 && pan_ > 0 ? panFactor_ : 1.0);
    const bool plain = volume_ == 0 && pan_ == 0;
    size_t n = 0;
    while (n < frames) {
        if (phase_ >= 65536) {
            framePosition_ += frameSize_;
            phase_ = 0;
            if (framePosition_ >= dataSize_) {
                framePosition_ = 0;
            }
        }
        const size_t run = std::min<size_t>((dataSize_ - framePosition_) / frameSize_, frames - n);
        uint32_t byte = framePosition_;
        for (size_t k = 0; k < run; ++k, byte += frameSize_) {
            int32_t l = SampleAt<Bits>(byte);
            int32_t r = Channels == 2 ? SampleAt<Bits>(byte + kSampleBytes) : l;
            if (!plain) {
                // Truncating each step keeps the values of the frame-by-frame definition.
                l = Scale(Scale(l, leftFactor), volumeFactor_);
                r = Channels == 2 ? Scale(Scale(r, rightFactor), volumeFactor_) : l;
            }
            left[n + k] += l;
            right[n + k] += r;
        }
        framePosition_ += static_cast<uint32_t>(run - 1) * frameSize_;
        phase_ = 65536;
        n += run;
    }
}

void CRenderVoice::Mix(int64_t* left, int64_t* right, size_t frames)
{
    const bool unit = step_ == 65536 && (phase_ == 0 || phase_ == 65536);
    if (bits_ == 16) {
        if (channels_ == 2) {
            unit ? MixUnitStep<16, 2>(left, right, frames) : MixFrames<16, 2>(left, right, frames);
        } else {
            unit ? MixUnitStep<16, 1>(left, right, frames) : MixFrames<16, 1>(left, right, frames);
        }
    } else if (channels_ == 2) {
        unit ? MixUnitStep<8, 2>(left, right, frames) : MixFrames<8, 2>(left, right, frames);
    } else {
        unit ? MixUnitStep<8, 1>(left, right, frames) : MixFrames<8, 1>(left, right, frames);
    }
}

}  // namespace tessaron
