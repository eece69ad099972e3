#include "audioout/CDeviceEntry.h"

#include <algorithm>

namespace tessaron {

bool AppendDeviceEntry(std::vector<CDeviceEntry>& list, const std::string& id,
                       const std::string& description)
{
    if (id.empty() || description.rfind("Maestro AC3", 0) == 0) {
        return false;
    }
    auto taken = [&list](const std::string& name) {
        return std::any_of(list.begin(), list.end(),
                           [&name](const CDeviceEntry& entry) { return entry.name == name; });
    };
    std::string name = description;
    for (int n = 2; n <= 11; ++n) {
        if (taken(name)) {
            name += "(" + std::to_string(n) + ")";
        }
    }
    list.push_back({id, name});
    return true;
}

bool PassesDeviceTest(const OutputDeviceInfo& device, bool requireStereo16, bool rejectEmulated)
{
    if (rejectEmulated && device.emulated) {
        return false;
    }
    if (!requireStereo16) {
        return true;
    }
    return device.outputChannels >= 2 && device.MaxRate() >= 44100;
}

}  // namespace tessaron
