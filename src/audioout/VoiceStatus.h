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
};

}  // namespace tessaron
