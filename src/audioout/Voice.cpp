#include "audioout/Voice.h"

#include <algorithm>

#include "audioout/HermiteKernel.h"
#include "audioout/SoundBufferDesc.h"
#include "audioout/SoundMemory.h"

namespace tessaron {

void Voice::Attach_RT(const SoundMemory* memory, uint32_t deviceRate, uint32_t rampFrames)
{
    *this = Voice();
    memory_ = memory;
    const WaveFormat& format = memory->Format();
    frames_ = memory->Frames();
    channels_ = format.channels;
    bits_ = format.bitsPerSample;
    blockAlign_ = format.blockAlign;
    ownRate_ = format.samplesPerSec;
    SetDeviceRate_RT(deviceRate, rampFrames);
}

void Voice::Detach_RT() { *this = Voice(); }

void Voice::SetDeviceRate_RT(uint32_t deviceRate, uint32_t rampFrames)
{
    deviceRate_ = deviceRate;
    rampFrames_ = std::max<uint32_t>(rampFrames, 1);
    SetFrequency_RT(frequency_);
}

void Voice::SetFrequency_RT(uint32_t hertz)
{
    frequency_ = hertz;
    const uint64_t rate = hertz == 0 ? ownRate_ : hertz;
    step_ = deviceRate_ == 0 ? 0 : (rate << 32) / deviceRate_;
}

void Voice::RampTo(Head& head, float left, float right)
{
    head.targetLeft = left;
    head.targetRight = right;
    head.ramp = rampFrames_;
    head.stepLeft = (left - head.gainLeft) / static_cast<float>(rampFrames_);
    head.stepRight = (right - head.gainRight) / static_cast<float>(rampFrames_);
}

void Voice::FadeOutMain()
{
    if (!main_.active) {
        return;
    }
    tail_ = main_;
    RampTo(tail_, 0.0f, 0.0f);
    main_.active = false;
}

void Voice::Play_RT(bool looping)
{
    if (!memory_ || frames_ == 0) {
        return;
    }
    looping_ = looping;
    playing_ = true;
    if (!main_.active) {
        main_.active = true;
        main_.gainLeft = main_.gainRight = 0.0f;
        RampTo(main_, volumeLeft_, volumeRight_);
    }
}

void Voice::Stop_RT()
{
    FadeOutMain();
    playing_ = false;
}

void Voice::SetCursor_RT(uint32_t frame)
{
    if (frame >= frames_) {
        frame = 0;
    }
    const bool restart = main_.active;
    FadeOutMain();
    historyFrame_ = -1;
    main_.pos = static_cast<uint64_t>(frame) << 32;
    if (restart) {
        main_.active = true;
        main_.gainLeft = main_.gainRight = 0.0f;
        RampTo(main_, volumeLeft_, volumeRight_);
    }
}

void Voice::SetGain_RT(float left, float right)
{
    volumeLeft_ = left;
    volumeRight_ = right;
    if (main_.active) {
        RampTo(main_, left, right);
    }
}

uint32_t Voice::CursorBytes() const { return static_cast<uint32_t>(main_.pos >> 32) * blockAlign_; }

uint32_t Voice::StatusFlags() const
{
    if (!playing_) {
        return 0;
    }
    return BufferStatus::Playing | (looping_ ? BufferStatus::Looping : 0);
}

void Voice::Mix_RT(float* bus, uint32_t frames)
{
    lastPeak_ = 0.0f;
    if (!memory_ || step_ == 0) {
        return;
    }
    const uint8_t* data = memory_->Current_RT()->Data();
    if (tail_.active) {
        MixHead(tail_, data, bus, frames);
    }
    if (main_.active) {
        // The level the meters show: what the main head reads in this block, at its gain. The
        // fading tail of a restart or stop is left out; it is on its way to silence.
        const uint64_t from = main_.pos;
        MixHead(main_, data, bus, frames);
        const float gain = std::max(main_.gainLeft, main_.gainRight);
        if (bits_ == 16) {
            lastPeak_ = gain * (channels_ == 2 ? ScanPeak<int16_t, 2>(data, from, frames)
                                               : ScanPeak<int16_t, 1>(data, from, frames));
        } else {
            lastPeak_ = gain * (channels_ == 2 ? ScanPeak<uint8_t, 2>(data, from, frames)
                                               : ScanPeak<uint8_t, 1>(data, from, frames));
        }
        lastPeak_ = std::min(lastPeak_, 1.0f);
        if (!main_.active) {  // a one-shot ran out: stopped, cursor back at the start
            playing_ = false;
            main_.pos = 0;
            historyFrame_ = -1;
        } else if (bits_ == 16) {
            channels_ == 2 ? KeepHistory<int16_t, 2>(data) : KeepHistory<int16_t, 1>(data);
        } else {
            channels_ == 2 ? KeepHistory<uint8_t, 2>(data) : KeepHistory<uint8_t, 1>(data);
        }
    }
}

template <typename S, int Channels>
float Voice::ScanPeak(const uint8_t* bytes, uint64_t from, uint32_t frames) const
{
    const S* data = reinterpret_cast<const S*>(bytes);
    // Source frames the head crossed; never more than the whole sound.
    const uint64_t span = std::min<uint64_t>(((uint64_t{frames} * step_) >> 32) + 1, frames_);
    uint64_t frame = from >> 32;
    int peak = 0;
    for (uint64_t i = 0; i < span; ++i, ++frame) {
        if (frame >= frames_) {
            if (!looping_) {
                break;
            }
            frame = 0;
        }
        for (int c = 0; c < Channels; ++c) {
            const int value = static_cast<int>(data[frame * Channels + c]);
            const int level = sizeof(S) == 1 ? (value - 128) * 256 : value;
            peak = std::max(peak, level < 0 ? -level : level);
        }
    }
    return static_cast<float>(peak) / 32768.0f;
}

template <typename S, int Channels>
void Voice::KeepHistory(const uint8_t* bytes)
{
    const int64_t index = static_cast<int64_t>(main_.pos >> 32);
    const int64_t behind = index > 0 ? index - 1 : (looping_ ? frames_ - 1 : -1);
    if (behind == historyFrame_ || behind < 0) {
        return;  // still the frame read while it lay ahead of the cursor
    }
    const S* data = reinterpret_cast<const S*>(bytes);
    historyFrame_ = behind;
    for (int c = 0; c < 2; ++c) {
        history_[c] = hermite::Value(data[behind * Channels + (Channels == 2 ? c : 0)]);
    }
}

void Voice::MixHead(Head& head, const uint8_t* data, float* bus, uint32_t frames)
{
    uint32_t done = 0;
    while (done < frames && head.active) {
        const uint32_t want = head.ramp > 0 ? std::min(frames - done, head.ramp) : frames - done;
        uint32_t got = 0;
        if (bits_ == 16) {
            got = channels_ == 2 ? Resample<int16_t, 2>(head, data, bus + 2 * done, want)
                                 : Resample<int16_t, 1>(head, data, bus + 2 * done, want);
        } else {
            got = channels_ == 2 ? Resample<uint8_t, 2>(head, data, bus + 2 * done, want)
                                 : Resample<uint8_t, 1>(head, data, bus + 2 * done, want);
        }
        if (head.ramp > 0) {
            head.ramp -= got;
            if (head.ramp == 0) {
                head.gainLeft = head.targetLeft;
                head.gainRight = head.targetRight;
                head.stepLeft = head.stepRight = 0.0f;
                if (&head == &tail_) {
                    head.active = false;  // faded out
                }
            }
        }
        done += got;
        if (got < want) {
            head.active = false;  // the data ran out
        }
    }
}

template <typename S, int Channels>
uint32_t Voice::Resample(Head& head, const uint8_t* bytes, float* bus, uint32_t count)
{
    const S* data = reinterpret_cast<const S*>(bytes);
    const uint64_t end = static_cast<uint64_t>(frames_) << 32;
    const uint64_t insideEnd = frames_ >= 4 ? static_cast<uint64_t>(frames_ - 2) << 32 : 0;
    uint32_t done = 0;
    while (done < count) {
        if (head.pos >= end) {
            if (!looping_) {
                return done;
            }
            head.pos -= end;
            continue;
        }
        const bool pastHistory = &head != &main_ || static_cast<int64_t>(head.pos >> 32) - 1 != historyFrame_;
        if (head.pos >= (uint64_t{1} << 32) && head.pos < insideEnd && pastHistory) {
            const uint64_t reach = (insideEnd - head.pos + step_ - 1) / step_;
            const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(reach, count - done));
            hermite::MixInside_RT<S, Channels>(data, head.pos, step_, bus + 2 * done, n,
                                              head.gainLeft, head.gainRight, head.stepLeft,
                                              head.stepRight);
            done += n;
        } else {
            MixEdgeFrame<S, Channels>(head, data, bus + 2 * done);
            ++done;
        }
    }
    return done;
}

// One frame whose taps reach past either end: they wrap round when looping, else read silence.
template <typename S, int Channels>
void Voice::MixEdgeFrame(Head& head, const S* data, float* bus)
{
    const int64_t index = static_cast<int64_t>(head.pos >> 32);
    const int64_t frames = frames_;
    float taps[2][4];
    for (int k = 0; k < 4; ++k) {
        int64_t f = index - 1 + k;
        if (looping_) {
            f = ((f % frames) + frames) % frames;
        }
        const bool kept = &head == &main_ && f == historyFrame_;
        for (int c = 0; c < 2; ++c) {
            const int channel = Channels == 2 ? c : 0;
            taps[c][k] = (f < 0 || f >= frames) ? 0.0f
                         : kept                 ? history_[c]
                                                : hermite::Value(data[f * Channels + channel]);
        }
    }
    const hermite::Weights w =
        hermite::At(static_cast<float>(head.pos & 0xFFFFFFFFu) * hermite::kFraction);
    head.gainLeft += head.stepLeft;
    head.gainRight += head.stepRight;
    constexpr float scale = hermite::kScale<S>;
    for (int c = 0; c < 2; ++c) {
        const float v = w.w0 * taps[c][0] + w.w1 * taps[c][1] + w.w2 * taps[c][2] + w.w3 * taps[c][3];
        bus[c] += v * scale * (c == 0 ? head.gainLeft : head.gainRight);
    }
    head.pos += step_;
}

}  // namespace tessaron
