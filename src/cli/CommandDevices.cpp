#include <cstdio>

#include "audioout/CSoundDevice.h"
#include "cli/Commands.h"
#include "midi/CMidiService.h"

namespace tessaron::cli {

namespace {

void ListMidiPorts()
{
    CMidiService midi;
    if (!midi.Create()) {
        std::printf("MIDI: none (%s)\n", midi.Error().c_str());
        return;
    }
    const auto list = [](const char* title, const std::vector<std::string>& ports) {
        std::printf("MIDI %s:\n", title);
        if (ports.empty()) {
            std::printf("  none\n");
        }
        for (const std::string& port : ports) {
            std::printf("  %s\n", port.c_str());
        }
    };
    std::printf("MIDI system: %s; our ports %s and %s\n", MidiApiName(midi.Api()), midi.InputPortName().c_str(),
                midi.OutputPortName().c_str());
    list("inputs", midi.InputPorts());
    list("outputs", midi.OutputPorts());
}

}  // namespace

// Lists the output devices of the audio system in use, as the program would offer them, and
// the MIDI ports the program can read from and write to.
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
    ListMidiPorts();
    return list.empty() ? 1 : 0;
}

}  // namespace tessaron::cli
