#pragma once

#include <array>
#include <cstdint>

namespace tessaron {

// One short MIDI message (status and up to two data bytes) with its arrival time, as the port
// threads hand them on through lock-free queues.
struct MidiShortMessage {
    std::array<uint8_t, 3> bytes{};
    uint8_t size = 0;
    int64_t time = 0;  // 100-ns units of the steady clock
};

// Now in 100-ns units of the steady clock (a clock_gettime: safe on a real-time thread).
int64_t MidiTimeNow();

}  // namespace tessaron
