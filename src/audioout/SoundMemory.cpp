#include "audioout/SoundMemory.h"

#include <algorithm>
#include <utility>

namespace tessaron {

namespace {
// Silence of unsigned 8-bit data is 128, of signed 16-bit data 0.
uint8_t SilenceByte(const WaveFormat& format) { return format.bitsPerSample == 8 ? 0x80 : 0x00; }
}  // namespace

SoundMemory::SoundMemory(const WaveFormat& format, uint32_t bytes)
    : SoundMemory(format, std::make_shared<const SoundBlock>(bytes, SilenceByte(format)))
{
}

SoundMemory::SoundMemory(const WaveFormat& format, std::shared_ptr<const SoundBlock> first)
    : format_(format), bytes_(first->Size()), current_(first.get()), owner_(std::move(first))
{
}

SoundMemory::~SoundMemory() = default;

std::shared_ptr<const SoundBlock> SoundMemory::Block() const
{
    std::lock_guard lock(editMutex_);
    return owner_;
}

bool SoundMemory::Lock(uint32_t offset, uint32_t size, LockedRegion& region)
{
    std::lock_guard lock(editMutex_);
    if (staging_ || size == 0 || size > bytes_ || offset >= bytes_) {
        return false;
    }
    staging_ = std::make_unique<SoundBlock>(*owner_);
    uint8_t* base = staging_->MutableData();
    const uint32_t first = std::min(size, bytes_ - offset);
    region.part1 = base + offset;
    region.bytes1 = first;
    region.part2 = first < size ? base : nullptr;
    region.bytes2 = size - first;
    lockedPart1_ = region.part1;
    return true;
}

bool SoundMemory::Unlock(const void* part1, std::shared_ptr<const SoundBlock>& old)
{
    std::lock_guard lock(editMutex_);
    if (!staging_ || part1 != lockedPart1_) {
        return false;
    }
    lockedPart1_ = nullptr;
    old = std::exchange(owner_, std::shared_ptr<const SoundBlock>(std::move(staging_)));
    current_.store(owner_.get(), std::memory_order_seq_cst);
    return true;
}

bool SoundMemory::Replace(std::shared_ptr<const SoundBlock> block, std::shared_ptr<const SoundBlock>& old)
{
    std::lock_guard lock(editMutex_);
    if (staging_ || !block || block->Size() != bytes_) {
        return false;
    }
    old = std::exchange(owner_, std::move(block));
    current_.store(owner_.get(), std::memory_order_seq_cst);
    return true;
}

}  // namespace tessaron
