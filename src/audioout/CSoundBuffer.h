#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "audioout/MixerCommand.h"
#include "audioout/SoundBufferDesc.h"
#include "audioout/SoundMemory.h"

namespace tessaron {

class SoftwareMixer;

// One secondary sound buffer of an output device: PCM bytes (8-bit unsigned or 16-bit signed,
// mono or stereo, any rate) that the device's mixer plays with its own cursor, volume, pan and
// frequency. Made by CSoundDevice::CreateSecondary and DuplicateSecondary.
//
// Units: volume is an attenuation in hundredths of a decibel, -10000 (silence) .. 0 (full);
// pan in hundredths of a decibel, -10000 (right channel silent) .. 10000 (left channel silent),
// the channel opposite the pan being attenuated by |pan|; frequency in Hz, 100 .. 100000, or 0
// for the data's own rate. Positions and sizes are in bytes. Operations answer false when a
// value is out of range, the control was not asked for in the flags, or the mixer's command
// queue is full; they then change nothing.
//
// A static buffer holds a whole sound; a streaming buffer (no Static flag) is refilled ahead of
// its play cursor while it loops. Both are written the same way: Lock hands out the region,
// Unlock makes it audible in the next audio block. A duplicate shares the bytes (an edit of
// one shows in all) but has its own cursor, volume, pan, frequency and play state.
//
// Commands reach the output in the next audio block. GetStatus and GetCurrentPosition reflect
// the commands sent so far at once, and the audio thread's progress once it has applied them.
// A buffer may be used from several threads; each call is atomic.
// Releasing a buffer silences it at once; stop it first (and let 2 ms pass) to fade it out.
class CSoundBuffer {
public:
    // A buffer of silence, or one that plays `content` as it is (no copy; null when its size is
    // not desc.bufferBytes).
    static std::unique_ptr<CSoundBuffer> Create(std::shared_ptr<SoftwareMixer> mixer,
                                                const SoundBufferDesc& desc,
                                                std::shared_ptr<const SoundBlock> content = nullptr);
    ~CSoundBuffer();
    CSoundBuffer(const CSoundBuffer&) = delete;
    CSoundBuffer& operator=(const CSoundBuffer&) = delete;

    // A new buffer on the same memory, stopped at cursor 0, with this one's volume, pan and
    // frequency; null when the mixer has no free voice.
    std::unique_ptr<CSoundBuffer> Duplicate() const;

    // Locks [offset, offset + bytes), wrapping past the end into the second part. Flags:
    // LockFlags::FromWriteCursor (offset ignored), LockFlags::EntireBuffer (bytes ignored).
    // One lock of a memory may be open at a time. The region lies in a private copy of the
    // whole buffer (so a lock costs a copy of it): a streaming writer may rewrite anything
    // behind the play cursor, the mixer keeps the frame its interpolation still needs.
    bool Lock(uint32_t offset, uint32_t bytes, LockedRegion& region, uint32_t flags = 0);
    bool Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
              uint32_t* bytes2, uint32_t flags = 0);
    bool Unlock(const LockedRegion& region);
    bool Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2);
    // The whole sound at once: `block` (the buffer's size) sounds in the next audio block, as
    // after an unlock, without a lock's copy. Fails while a lock is open.
    bool Replace(std::shared_ptr<const SoundBlock> block);
    // What plays now: the block published last (shared with the duplicates).
    std::shared_ptr<const SoundBlock> Content() const { return memory_->Block(); }

    // Plays from the play cursor; PlayFlags::Looping repeats the buffer without a gap. Playing
    // a playing buffer only changes its looping.
    bool Play(uint32_t flags = 0);
    // Stops, leaving the play cursor where it is; a later Play resumes there.
    bool Stop();
    // BufferStatus bits. A one-shot that played to its end reads stopped, cursor 0.
    uint32_t GetStatus() const;
    // The play cursor, and the write cursor: the first byte that is safe to change without
    // affecting the audio block being mixed. Either pointer may be null.
    bool GetCurrentPosition(uint32_t* play, uint32_t* write) const;
    // Moves the play cursor (rounded down to a frame); a playing buffer crossfades there.
    bool SetCurrentPosition(uint32_t bytes);

    bool SetVolume(int32_t hundredthsDb);
    int32_t GetVolume() const;
    bool SetPan(int32_t hundredthsDb);
    int32_t GetPan() const;
    bool SetFrequency(uint32_t hertz);
    // The frequency in use: the data's own rate after SetFrequency(0).
    uint32_t GetFrequency() const;
    // The loudest sample this buffer put out since the last call, after its volume and pan,
    // 0..1. Lock-free on both sides; meant for one reader (a level meter's timer).
    float TakePeak() const;

    SoundBufferCaps GetCaps() const { return {flags_, memory_->Bytes()}; }
    const WaveFormat& GetFormat() const { return memory_->Format(); }
    bool SharesMemoryWith(const CSoundBuffer& other) const { return memory_ == other.memory_; }

private:
    CSoundBuffer(std::shared_ptr<SoftwareMixer> mixer, std::shared_ptr<SoundMemory> memory,
                 uint32_t flags, int slot);
    bool SendLocked(MixerCommand command);
    bool SendGainLocked(int32_t volume, int32_t pan);
    uint32_t CursorLocked() const;
    uint32_t FlagsLocked() const;
    bool Applied() const;

    std::shared_ptr<SoftwareMixer> mixer_;
    std::shared_ptr<SoundMemory> memory_;
    uint32_t flags_;
    uint32_t slot_;
    mutable std::mutex mutex_;
    uint32_t sent_ = 1;  // sequence of the last command sent; 1 is the attach
    uint32_t expectedCursor_ = 0;  // what the unapplied commands leave
    uint32_t expectedFlags_ = 0;
    int32_t volume_ = 0;
    int32_t pan_ = 0;
    uint32_t frequency_ = 0;
};

}  // namespace tessaron
