#include "audioout/SoundMemory.h"

#include <algorithm>

namespace tessaron {

namespace {
// Silence of unsigned 8-bit data is 128, of signed 16-bit data 0.
uint8_t SilenceByte(const WaveFormat& format) { return format.bitsPerSample == 8 ? 0x80 : 0x00; }
}  // namespace

SoundMemory::SoundMemory(const WaveFormat& format, uint32_t bytes)
    : format_(format), bytes_(bytes), current_(new SoundBlock(bytes, SilenceByte(format)))
{
}

SoundMemory::~SoundMemory() { delete current_.load(std::memory_order_relaxed); }

bool SoundMemory::Lock(uint32_t offset, uint32_t size, LockedRegion& region)
{
    std::lock_guard lock(editMutex_);
    if (staging_ || size == 0 || size > bytes_ || offset >= bytes_) {
        return false;
    }
    staging_ = std::make_unique<SoundBlock>(*current_.load(std::memory_order_acquire));
    uint8_t* base = staging_->MutableData();
    const uint32_t first = std::min(size, bytes_ - offset);
    region.part1 = base + offset;
    region.bytes1 = first;
    region.part2 = first < size ? base : nullptr;
    region.bytes2 = size - first;
    lockedPart1_ = region.part1;
    return true;
}

bool SoundMemory::Unlock(const void* part1, std::unique_ptr<const SoundBlock>& old)
{
    std::lock_guard lock(editMutex_);
    if (!staging_ || part1 != lockedPart1_) {
        return false;
    }
    old.reset(current_.exchange(staging_.release(), std::memory_order_seq_cst));
    lockedPart1_ = nullptr;
    return true;
}

}  // namespace tessaron
