#pragma once

#include <cstdint>

namespace tessaron {

class SoundMemory;

// The mixer's state of one sound buffer: where it plays, how loud and how fast. Lives in a
// fixed slot of the mixer and is touched by the audio thread only (or by the control thread
// while no stream runs). A restart or a stop hands the sounding play head to a second one that
// fades out, so retriggers and stops crossfade instead of clicking.
class Voice {
public:
    void Attach_RT(const SoundMemory* memory, uint32_t deviceRate, uint32_t rampFrames);
    void Detach_RT();
    void Play_RT(bool looping);
    void Stop_RT();
    void SetCursor_RT(uint32_t frame);
    void SetGain_RT(float left, float right);
    void SetFrequency_RT(uint32_t hertz);
    void SetDeviceRate_RT(uint32_t deviceRate, uint32_t rampFrames);

    // Adds `frames` frames to the stereo bus. Audio thread.
    void Mix_RT(float* bus, uint32_t frames);

    bool Attached() const { return memory_ != nullptr; }
    // The loudest sample of the last Mix_RT, after the voice's gain, 0..1.
    float LastPeak() const { return lastPeak_; }
    bool Audible() const { return main_.active || tail_.active; }
    uint32_t CursorBytes() const;
    uint32_t StatusFlags() const;

private:
    struct Head {
        uint64_t pos = 0;  // 32.32 fixed point, in source frames
        bool active = false;
        float gainLeft = 0.0f, gainRight = 0.0f;
        float targetLeft = 0.0f, targetRight = 0.0f;
        float stepLeft = 0.0f, stepRight = 0.0f;
        uint32_t ramp = 0;  // frames left in the current ramp
    };

    void RampTo(Head& head, float left, float right);
    void FadeOutMain();
    void MixHead(Head& head, const uint8_t* data, float* bus, uint32_t frames);
    template <typename S, int Channels>
    uint32_t Resample(Head& head, const uint8_t* data, float* bus, uint32_t count);
    template <typename S, int Channels>
    void MixEdgeFrame(Head& head, const S* data, float* bus);
    template <typename S, int Channels>
    void KeepHistory(const uint8_t* data);
    // The loudest source sample of the `frames` output frames the main head plays from `from`.
    template <typename S, int Channels>
    float ScanPeak(const uint8_t* data, uint64_t from, uint32_t frames) const;

    const SoundMemory* memory_ = nullptr;
    uint32_t frames_ = 0;
    uint16_t channels_ = 0;
    uint16_t bits_ = 0;
    uint32_t blockAlign_ = 0;
    uint32_t ownRate_ = 0;
    uint32_t frequency_ = 0;  // 0: the data's own rate
    uint32_t deviceRate_ = 0;
    uint32_t rampFrames_ = 1;
    uint64_t step_ = 0;
    bool looping_ = false;
    bool playing_ = false;
    float volumeLeft_ = 1.0f, volumeRight_ = 1.0f;
    Head main_;
    Head tail_;
    // The frame just behind the play cursor, as it was when the cursor passed it: a streaming
    // writer may already be refilling it, yet the interpolation still needs it.
    int64_t historyFrame_ = -1;
    float history_[2] = {0.0f, 0.0f};
    float lastPeak_ = 0.0f;
};

}  // namespace tessaron
