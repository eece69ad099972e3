#include "cli/OutputChoice.h"

#include <cstdio>
#include <vector>

#include "audioout/CSoundDevice.h"

namespace tessaron::cli {

bool OpenOutput(CSoundDevice& device, const std::string& wanted, std::string& error)
{
    if (device.Api() == AudioApi::Offline) {
        error = "the offline output plays nothing";
        return false;
    }
    for (const std::string& note : device.ProbeNotes()) {
        std::fprintf(stderr, "tessaron-cli: %s; going on without it\n", note.c_str());
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
            error = device.Problem().empty() ? "no output device '" + wanted + "'" : device.Problem();
            return false;
        }
    }
    if (!device.Open(id, -1, 44100, 2, CSoundDevice::kSpeakerStereo)) {
        error = device.Problem().empty() ? std::string("cannot open the ") + AudioApiName(device.Api()) + " output"
                                         : device.Problem();
        return false;
    }
    return true;
}

}  // namespace tessaron::cli
