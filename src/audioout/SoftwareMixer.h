#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audioout/CommandQueue.h"
#include "audioout/MixerCommand.h"
#include "audioout/SoundBlock.h"
#include "audioout/Voice.h"
#include "audioout/VoiceStatus.h"

namespace tessaron {

class SoundMemory;

// Mixes every playing sound buffer of one device into its output, in the device's callback.
//
// Control threads (user interface, scheduler, music workers) send small commands through a
// fixed-capacity queue that the callback drains at its top; the callback reads buffer memory
// through atomic pointers to immutable blocks. Memory that the callback might still read
// (replaced blocks, released buffers, freed voice slots) is retired here and freed by a
// control thread once a whole callback has started and ended after the retirement. So the
// callback never waits on a lock, never allocates, never frees and does no I/O.
//
// While no stream runs, commands are applied at once on the sending thread.
class SoftwareMixer {
public:
    static constexpr uint32_t kDefaultVoices = 1024;
    static constexpr uint32_t kBusFrames = 512;  // longer callbacks are mixed in pieces

    explicit SoftwareMixer(uint32_t deviceRate, uint32_t voiceCapacity = kDefaultVoices);
    ~SoftwareMixer();
    SoftwareMixer(const SoftwareMixer&) = delete;
    SoftwareMixer& operator=(const SoftwareMixer&) = delete;

    uint32_t DeviceRate() const { return deviceRate_.load(std::memory_order_relaxed); }
    uint32_t VoiceCapacity() const { return static_cast<uint32_t>(voices_.size()); }
    // Frames of the last callback (0 before the first one).
    uint32_t BlockFrames() const { return blockFrames_.load(std::memory_order_relaxed); }

    // Control side, any thread.
    bool SetDeviceRate(uint32_t rate);  // refused while a stream runs
    int AttachVoice(const SoundMemory* memory);  // a slot, or -1 when all are taken
    void DetachVoice(int slot, std::shared_ptr<const SoundMemory> keepAlive);
    bool Send(const MixerCommand& command);
    void SetMasterGain(float left, float right);
    // Drops the mixer's hold of a replaced block once no callback can read it.
    void Retire(std::shared_ptr<const SoundBlock> block);
    void Collect();  // frees what no callback can read any more
    const VoiceStatus& Status(uint32_t slot) const { return status_[slot]; }
    // The loudest sample of the voice since the last call, 0..1; for one reader (a meter).
    float TakePeak(uint32_t slot) { return slot < voices_.size() ? status_[slot].peak.exchange(0.0f) : 0.0f; }
    size_t RetiredCount();

    // Told by the backend: before the first callback, after the last one has returned.
    void StreamStarting();
    void StreamStopped();

    // Fills `frames` interleaved frames of `channels` channels. Audio thread.
    void Render_RT(float* out, uint32_t frames, uint32_t channels);

private:
    struct Retired {
        uint64_t safeAt = 0;
        std::shared_ptr<const SoundBlock> block;
        std::shared_ptr<const SoundMemory> memory;
        int slot = -1;
        bool detachSent = true;
    };

    uint64_t SafeEpoch() const;
    void SendDetach(Retired& item);
    void DrainLocked();
    void Drain_RT();
    void Apply_RT(const MixerCommand& command);
    void Publish_RT(uint32_t slot, uint32_t sequence);
    void Activate_RT(uint32_t slot);
    void MixPiece_RT(float* out, uint32_t frames, uint32_t channels);
    uint32_t RampFrames() const;

    // Audio-thread state.
    std::vector<Voice> voices_;
    std::unique_ptr<VoiceStatus[]> status_;
    std::vector<uint32_t> active_;
    std::vector<uint8_t> isActive_;
    std::vector<float> bus_;
    float masterLeft_ = 1.0f, masterRight_ = 1.0f;
    float masterTargetLeft_ = 1.0f, masterTargetRight_ = 1.0f;
    float masterStepLeft_ = 0.0f, masterStepRight_ = 0.0f;
    uint32_t masterRamp_ = 0;

    // Shared.
    CommandQueue<MixerCommand, 8192> queue_;
    std::atomic<uint64_t> callbacks_{0};  // odd while a callback runs
    std::atomic<uint32_t> deviceRate_;
    std::atomic<uint32_t> blockFrames_{0};

    // Control side.
    std::mutex control_;
    bool running_ = false;
    std::vector<uint32_t> freeSlots_;
    std::vector<Retired> retired_;
};

}  // namespace tessaron
