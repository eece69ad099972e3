#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

namespace tessaron {

// One version of a sound buffer's bytes. Once published to the mixer it is never written again;
// an edit copies it, changes the copy and publishes the copy.
class SoundBlock {
public:
    SoundBlock(uint32_t size, uint8_t fill) : bytes_(new uint8_t[size]), size_(size)
    {
        std::memset(bytes_.get(), fill, size);
    }
    SoundBlock(const SoundBlock& other) : bytes_(new uint8_t[other.size_]), size_(other.size_)
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
