#include <cstdio>

#include "audioout/CSoundDevice.h"
#include "cli/Commands.h"

namespace tessaron::cli {

// Lists the output devices of the audio system in use, as the program would offer them.
int RunDevices(const Arguments& args)
{
    if (!args.empty()) {
        std::fprintf(stderr, "usage: tessaron-cli devices\n");
        return 2;
    }
    CSoundDevice device;
    for (const std::string& note : device.ProbeNotes()) {
        std::fprintf(stderr, "tessaron-cli: %s; going on without it\n", note.c_str());
    }
    std::vector<CDeviceEntry> list;
    device.EnumerateDevices(list, true, false);
    if (!device.Problem().empty()) {
        std::fprintf(stderr, "tessaron-cli: %s\n", device.Problem().c_str());
    }
    std::printf("audio output (%s):\n", AudioApiName(device.Api()));
    if (list.empty()) {
        std::printf("  no output device\n");
    }
    for (const CDeviceEntry& entry : list) {
        std::printf("  %-30s %s\n", entry.name.c_str(), entry.id.c_str());
    }
    return list.empty() ? 1 : 0;
}

}  // namespace tessaron::cli
