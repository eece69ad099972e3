#include "audioout/OutputDeviceInfo.h"

#include <algorithm>

namespace tessaron {

uint32_t OutputDeviceInfo::MaxRate() const
{
    uint32_t best = preferredRate;
    for (uint32_t rate : rates) {
        best = std::max(best, rate);
    }
    return best;
}

}  // namespace tessaron
