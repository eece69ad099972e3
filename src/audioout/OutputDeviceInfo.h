#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaron {

// What a backend reports about one of its output devices.
struct OutputDeviceInfo {
    std::string name;
    uint32_t outputChannels = 0;
    std::vector<uint32_t> rates;
    uint32_t preferredRate = 0;
    bool isDefault = false;
    bool emulated = false;  // no backend here emulates; kept for the device test's rule

    uint32_t MaxRate() const;
};

}  // namespace tessaron
