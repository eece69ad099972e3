#pragma once

#include <atomic>
#include <cstdint>

namespace tessaron {

// What the audio thread tells the control threads about one voice. Written by the audio
// thread only; `applied` is stored last, so a reader that sees its own last sequence number
// there also sees the state that command left.
struct VoiceStatus {
    std::atomic<uint32_t> cursorBytes{0};
    std::atomic<uint32_t> flags{0};  // BufferStatus bits
    std::atomic<uint32_t> applied{0};
    // The loudest sample the voice put out since a reader last took it, 0..1 (a level meter's
    // feed): raised by the audio thread, taken back to 0 by the one reader.
    std::atomic<float> peak{0.0f};
};
static_assert(std::atomic<float>::is_always_lock_free, "the audio thread must not wait for a level");

}  // namespace tessaron
