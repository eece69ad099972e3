#include "audioout/SoftwareMixer.h"

#include <algorithm>

#include "audioout/SoundBufferDesc.h"
#include "audioout/SoundMemory.h"

namespace tessaron {

SoftwareMixer::SoftwareMixer(uint32_t deviceRate, uint32_t voiceCapacity)
    : voices_(voiceCapacity),
      status_(new VoiceStatus[voiceCapacity]),
      isActive_(voiceCapacity, 0),
      bus_(2 * kBusFrames),
      deviceRate_(deviceRate)
{
    active_.reserve(voiceCapacity);
    freeSlots_.reserve(voiceCapacity);
    for (uint32_t slot = voiceCapacity; slot > 0; --slot) {
        freeSlots_.push_back(slot - 1);
    }
}

SoftwareMixer::~SoftwareMixer() = default;

uint32_t SoftwareMixer::RampFrames() const { return DeviceRate() * 3 / 2000; }  // 1.5 ms

bool SoftwareMixer::SetDeviceRate(uint32_t rate)
{
    std::lock_guard lock(control_);
    if (running_ || rate == 0) {
        return false;
    }
    DrainLocked();
    deviceRate_.store(rate, std::memory_order_relaxed);
    for (auto& voice : voices_) {
        voice.SetDeviceRate_RT(rate, RampFrames());
    }
    return true;
}

uint64_t SoftwareMixer::SafeEpoch() const
{
    // A callback that starts after this point and ends has seen every earlier command and
    // pointer exchange; one already running may still hold the old pointers.
    const uint64_t now = callbacks_.load();
    return now + ((now & 1) ? 3 : 2);
}

int SoftwareMixer::AttachVoice(const SoundMemory* memory)
{
    std::lock_guard lock(control_);
    if (freeSlots_.empty()) {
        return -1;
    }
    MixerCommand command;
    command.kind = MixerCommand::Kind::Attach;
    command.slot = freeSlots_.back();
    command.sequence = 1;
    command.memory = memory;
    if (!queue_.Push(command)) {
        return -1;
    }
    freeSlots_.pop_back();
    if (!running_) {
        DrainLocked();
    }
    return static_cast<int>(command.slot);
}

void SoftwareMixer::SendDetach(Retired& item)
{
    MixerCommand command;
    command.kind = MixerCommand::Kind::Detach;
    command.slot = static_cast<uint32_t>(item.slot);
    item.detachSent = queue_.Push(command);
    item.safeAt = SafeEpoch();
}

void SoftwareMixer::DetachVoice(int slot, std::shared_ptr<const SoundMemory> keepAlive)
{
    std::lock_guard lock(control_);
    Retired item;
    item.slot = slot;
    item.memory = std::move(keepAlive);
    SendDetach(item);
    retired_.push_back(std::move(item));
    if (!running_) {
        DrainLocked();
    }
}

bool SoftwareMixer::Send(const MixerCommand& command)
{
    std::lock_guard lock(control_);
    if (!queue_.Push(command)) {
        return false;
    }
    if (!running_) {
        DrainLocked();
    }
    return true;
}

void SoftwareMixer::SetMasterGain(float left, float right)
{
    MixerCommand command;
    command.kind = MixerCommand::Kind::SetMasterGain;
    command.gainLeft = left;
    command.gainRight = right;
    Send(command);
}

void SoftwareMixer::Retire(std::shared_ptr<const SoundBlock> block)
{
    std::lock_guard lock(control_);
    Retired item;
    item.block = std::move(block);
    item.safeAt = SafeEpoch();
    retired_.push_back(std::move(item));
    if (!running_) {
        DrainLocked();
    }
}

void SoftwareMixer::Collect()
{
    std::lock_guard lock(control_);
    if (!running_) {
        DrainLocked();
        return;
    }
    for (auto& item : retired_) {
        if (!item.detachSent) {
            SendDetach(item);
        }
    }
    const uint64_t now = callbacks_.load();
    auto keep = std::partition(retired_.begin(), retired_.end(), [now](const Retired& item) {
        return !item.detachSent || item.safeAt > now;
    });
    for (auto it = keep; it != retired_.end(); ++it) {
        if (it->slot >= 0) {
            freeSlots_.push_back(static_cast<uint32_t>(it->slot));
        }
    }
    retired_.erase(keep, retired_.end());
}

size_t SoftwareMixer::RetiredCount()
{
    std::lock_guard lock(control_);
    return retired_.size();
}

// With no stream running the control thread stands in for the audio thread.
void SoftwareMixer::DrainLocked()
{
    Drain_RT();
    for (auto& item : retired_) {
        if (!item.detachSent) {
            SendDetach(item);
            Drain_RT();
        }
    }
    for (auto& item : retired_) {
        if (item.slot >= 0) {
            freeSlots_.push_back(static_cast<uint32_t>(item.slot));
        }
    }
    retired_.clear();
}

void SoftwareMixer::StreamStarting()
{
    std::lock_guard lock(control_);
    DrainLocked();
    running_ = true;
}

void SoftwareMixer::StreamStopped()
{
    std::lock_guard lock(control_);
    running_ = false;
    DrainLocked();
}

void SoftwareMixer::Drain_RT()
{
    // Only what was queued when the callback began: a producer that keeps sending cannot hold
    // the callback here. What comes later waits for the next callback.
    const size_t mark = queue_.Mark();
    MixerCommand command;
    while (queue_.PopBefore(mark, command)) {
        Apply_RT(command);
    }
}

void SoftwareMixer::Publish_RT(uint32_t slot, uint32_t sequence)
{
    VoiceStatus& status = status_[slot];
    status.cursorBytes.store(voices_[slot].CursorBytes(), std::memory_order_relaxed);
    status.flags.store(voices_[slot].StatusFlags(), std::memory_order_relaxed);
    if (sequence != 0) {
        status.applied.store(sequence, std::memory_order_release);
    }
}

void SoftwareMixer::Activate_RT(uint32_t slot)
{
    if (!isActive_[slot] && voices_[slot].Audible()) {
        isActive_[slot] = 1;
        active_.push_back(slot);  // never grows past the reserved capacity
    }
}

void SoftwareMixer::Apply_RT(const MixerCommand& command)
{
    using Kind = MixerCommand::Kind;
    if (command.kind == Kind::SetMasterGain) {
        masterTargetLeft_ = command.gainLeft;
        masterTargetRight_ = command.gainRight;
        masterRamp_ = std::max<uint32_t>(RampFrames(), 1);
        masterStepLeft_ = (masterTargetLeft_ - masterLeft_) / static_cast<float>(masterRamp_);
        masterStepRight_ = (masterTargetRight_ - masterRight_) / static_cast<float>(masterRamp_);
        return;
    }
    if (command.slot >= voices_.size()) {
        return;
    }
    Voice& voice = voices_[command.slot];
    switch (command.kind) {
    case Kind::Attach:
        voice.Attach_RT(command.memory, DeviceRate(), RampFrames());
        status_[command.slot].peak.store(0.0f, std::memory_order_relaxed);
        break;
    case Kind::Detach:
        voice.Detach_RT();
        break;
    case Kind::Play:
        voice.Play_RT((command.value & PlayFlags::Looping) != 0);
        break;
    case Kind::Stop:
        voice.Stop_RT();
        break;
    case Kind::SetCursor:
        voice.SetCursor_RT(command.value);
        break;
    case Kind::SetGain:
        voice.SetGain_RT(command.gainLeft, command.gainRight);
        break;
    case Kind::SetFrequency:
        voice.SetFrequency_RT(command.value);
        break;
    case Kind::SetMasterGain:
        break;
    }
    Activate_RT(command.slot);
    Publish_RT(command.slot, command.sequence);
    if (command.kind == Kind::Detach) {
        // The slot goes back to the free list only after this: its next owner, whose numbers
        // start again at the attach, must not take the last owner's number for its own.
        status_[command.slot].applied.store(0, std::memory_order_release);
    }
}

void SoftwareMixer::Render_RT(float* out, uint32_t frames, uint32_t channels)
{
    callbacks_.fetch_add(1);
    blockFrames_.store(frames, std::memory_order_relaxed);
    Drain_RT();
    uint32_t done = 0;
    while (done < frames) {
        const uint32_t piece = std::min(frames - done, kBusFrames);
        MixPiece_RT(out + static_cast<size_t>(done) * channels, piece, channels);
        done += piece;
    }
    callbacks_.fetch_add(1);
}

void SoftwareMixer::MixPiece_RT(float* out, uint32_t frames, uint32_t channels)
{
    float* bus = bus_.data();
    std::fill(bus, bus + 2 * frames, 0.0f);
    for (size_t i = 0; i < active_.size();) {
        const uint32_t slot = active_[i];
        Voice& voice = voices_[slot];
        voice.Mix_RT(bus, frames);
        Publish_RT(slot, 0);
        // Only this thread raises the peak; a reader taking it back to 0 in between at worst
        // sees this block's level once more.
        VoiceStatus& status = status_[slot];
        if (voice.LastPeak() > status.peak.load(std::memory_order_relaxed)) {
            status.peak.store(voice.LastPeak(), std::memory_order_relaxed);
        }
        if (voice.Audible()) {
            ++i;
        } else {
            isActive_[slot] = 0;
            active_[i] = active_.back();
            active_.pop_back();
        }
    }
    for (uint32_t f = 0; f < frames; ++f) {
        if (masterRamp_ > 0) {
            masterLeft_ += masterStepLeft_;
            masterRight_ += masterStepRight_;
            if (--masterRamp_ == 0) {
                masterLeft_ = masterTargetLeft_;
                masterRight_ = masterTargetRight_;
            }
        }
        const float left = std::clamp(bus[2 * f] * masterLeft_, -1.0f, 1.0f);
        const float right = std::clamp(bus[2 * f + 1] * masterRight_, -1.0f, 1.0f);
        float* frame = out + static_cast<size_t>(f) * channels;
        if (channels == 1) {
            frame[0] = 0.5f * (left + right);
            continue;
        }
        frame[0] = left;
        frame[1] = right;
        for (uint32_t c = 2; c < channels; ++c) {
            frame[c] = 0.0f;
        }
    }
}

}  // namespace tessaron
