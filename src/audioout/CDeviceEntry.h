#pragma once

#include <string>
#include <vector>

#include "audioout/OutputDeviceInfo.h"

namespace tessaron {

// One enumerated output device: its identifier ("<api>:<name>", "#n" added for the n-th device
// of the same name) and its description made unique within the list.
struct CDeviceEntry {
    std::string id;
    std::string name;
};

// Adds a device to the list unless it has no identifier or its description begins with
// "Maestro AC3". While the name is taken, "(n)" is appended for n = 2 .. 11 in turn, so a
// second "X" becomes "X(2)" and a third "X(2)(3)". Answers whether it was added.
bool AppendDeviceEntry(std::vector<CDeviceEntry>& list, const std::string& id,
                       const std::string& description);

// The device test: with rejectEmulated, an emulated device fails; with requireStereo16 a
// device needs two output channels and a rate of 44100 Hz or more.
bool PassesDeviceTest(const OutputDeviceInfo& device, bool requireStereo16, bool rejectEmulated);

}  // namespace tessaron
