#include "cli/OutputChoice.h"

#include <vector>

#include "audioout/CSoundDevice.h"

namespace tessaron::cli {

bool OpenOutput(CSoundDevice& device, const std::string& wanted, std::string& error)
{
    if (device.Api() == AudioApi::Offline) {
        error = "the offline output plays nothing";
        return false;
    }
    std::string id;
    if (!wanted.empty()) {
        std::vector<CDeviceEntry> list;
        device.EnumerateDevices(list, false, false);
        for (const CDeviceEntry& entry : list) {
            if (entry.name == wanted || entry.id == wanted) {
                id = entry.id;
                break;
            }
        }
        if (id.empty()) {
            error = "no output device '" + wanted + "'";
            return false;
        }
    }
    if (!device.Open(id, -1, 44100, 2, CSoundDevice::kSpeakerStereo)) {
        error = std::string("cannot open the ") + AudioApiName(device.Api()) + " output";
        return false;
    }
    return true;
}

}  // namespace tessaron::cli
