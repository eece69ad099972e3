#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "audioout/SoundBlock.h"
#include "audioout/WaveFormat.h"

namespace tessaron {

// The region of a sound buffer handed out by a lock: up to two parts, the second one being the
// wrapped-around start of the buffer.
struct LockedRegion {
    void* part1 = nullptr;
    uint32_t bytes1 = 0;
    void* part2 = nullptr;
    uint32_t bytes2 = 0;
};

// The bytes of a sound buffer, shared by the buffer and its duplicates. The mixer reads the
// current block through an atomic pointer; a lock hands out a private copy that the unlock
// publishes in one exchange, so the audio thread never sees a half-written edit. A whole new
// block can also be published without a lock, and the first block can be given: neither copies.
class SoundMemory {
public:
    // Silence of `bytes` bytes.
    SoundMemory(const WaveFormat& format, uint32_t bytes);
    // Plays `first` (not null) as it is; the memory's size is the block's.
    SoundMemory(const WaveFormat& format, std::shared_ptr<const SoundBlock> first);
    ~SoundMemory();
    SoundMemory(const SoundMemory&) = delete;
    SoundMemory& operator=(const SoundMemory&) = delete;

    const WaveFormat& Format() const { return format_; }
    uint32_t Bytes() const { return bytes_; }
    uint32_t Frames() const { return bytes_ / format_.blockAlign; }

    // Audio thread: the block to read in this callback.
    const SoundBlock* Current_RT() const { return current_.load(std::memory_order_seq_cst); }

    // Control side: the block published last.
    std::shared_ptr<const SoundBlock> Block() const;

    // Publishes `block`, which must have the memory's size, in one exchange; the old block comes
    // back to be retired as after Unlock. Fails while a lock is open.
    bool Replace(std::shared_ptr<const SoundBlock> block, std::shared_ptr<const SoundBlock>& old);

    // Copies the current bytes and hands out [offset, offset + size) of the copy, wrapping at
    // the end. Fails while another lock of this memory is open or when size exceeds the buffer.
    bool Lock(uint32_t offset, uint32_t size, LockedRegion& region);

    // Publishes the locked copy. The old block comes back; the caller retires it through the
    // mixer, which frees it once no callback can read it. Fails when no lock is open or the
    // pointer is not the one the lock handed out.
    bool Unlock(const void* part1, std::shared_ptr<const SoundBlock>& old);

private:
    WaveFormat format_;
    uint32_t bytes_;
    std::atomic<const SoundBlock*> current_;  // what owner_ holds, for the audio thread
    mutable std::mutex editMutex_;
    std::shared_ptr<const SoundBlock> owner_;
    std::unique_ptr<SoundBlock> staging_;
    const void* lockedPart1_ = nullptr;
};

}  // namespace tessaron
