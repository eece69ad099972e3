#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "framework/Prefault.h"

namespace tessaron {

// One version of a sound buffer's bytes. Once published to the mixer it is never written again;
// an edit copies it, changes the copy and publishes the copy. Published blocks are shared
// (std::shared_ptr<const SoundBlock>): a sample keeps the block it decoded while its buffer plays
// the same block, so the sound is held once.
class SoundBlock {
public:
    // Left as it is, for a writer that fills every byte before publishing.
    explicit SoundBlock(uint32_t size) : bytes_(new uint8_t[size > 0 ? size : 1]), size_(size)
    {
        PrefaultForWrite(bytes_.get(), size);
    }
    SoundBlock(uint32_t size, uint8_t fill) : SoundBlock(size) { std::memset(bytes_.get(), fill, size); }
    // Takes over bytes decoded elsewhere, without a copy.
    SoundBlock(std::unique_ptr<uint8_t[]> bytes, uint32_t size) : bytes_(std::move(bytes)), size_(size) {}
    SoundBlock(const SoundBlock& other) : SoundBlock(other.size_)
    {
        std::memcpy(bytes_.get(), other.bytes_.get(), size_);
    }
    SoundBlock& operator=(const SoundBlock&) = delete;

    const uint8_t* Data() const { return bytes_.get(); }
    uint8_t* MutableData() { return bytes_.get(); }  // only before the block is published
    uint32_t Size() const { return size_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    uint32_t size_;
};

}  // namespace tessaron
