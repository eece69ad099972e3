#pragma once

#include <cstdint>

namespace tessaron {

class SoundMemory;

// One command from a control thread to the mixer: a small plain record that travels through the
// mixer's fixed-capacity queue and is applied at the top of the next callback.
struct MixerCommand {
    enum class Kind : uint8_t {
        Attach,        // slot takes `memory`; voice reset
        Detach,        // slot lets go of its memory
        Play,          // value: PlayFlags
        Stop,
        SetCursor,     // value: frame
        SetGain,       // gainLeft, gainRight: linear
        SetFrequency,  // value: Hz, 0 for the data's own rate
        SetMasterGain  // gainLeft, gainRight: linear, on the mix bus
    };

    Kind kind = Kind::Stop;
    uint32_t slot = 0;
    uint32_t sequence = 0;  // per slot, so that readers know whether the command was applied
    uint32_t value = 0;
    float gainLeft = 0.0f;
    float gainRight = 0.0f;
    const SoundMemory* memory = nullptr;
};

}  // namespace tessaron
