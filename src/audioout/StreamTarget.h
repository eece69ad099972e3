#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace tessaron {

class SoftwareMixer;

// What an audio system's callbacks reach. A stream that is abandoned or left behind keeps it
// alive, so a callback that arrives late (a stopped server resumed) finds it detached and plays
// silence instead of reaching a mixer that is gone.
struct StreamTarget {
    SoftwareMixer* mixer = nullptr;
    uint32_t channels = 0;
    std::atomic<uint64_t> frames{0};  // asked for since the start, read by the loss watch
    std::atomic<int> inside{0};
    std::atomic<bool> detached{false};

    // Callback threads: answers false once detached.
    bool Enter_RT()
    {
        inside.fetch_add(1);
        if (detached.load()) {
            inside.fetch_sub(1);
            return false;
        }
        return true;
    }
    void Leave_RT() { inside.fetch_sub(1); }

    // After it returns no callback is inside and none will enter. A callback never blocks,
    // so the wait is one callback at most.
    void Detach()
    {
        detached.store(true);
        while (inside.load() != 0) {
            std::this_thread::yield();
        }
    }
};

}  // namespace tessaron
