#include "midi/MidiShortMessage.h"

#include <chrono>

namespace tessaron {

int64_t MidiTimeNow()
{
    using Units = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
    return std::chrono::duration_cast<Units>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace tessaron
