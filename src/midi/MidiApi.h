#pragma once

#include <optional>
#include <string_view>

namespace tessaron {

// Which MIDI system the ports live on. The two never mix: with a JACK server running, JACK MIDI
// reaches the other JACK programs; otherwise the ALSA sequencer reaches the hardware.
enum class MidiApi { Auto, Jack, Alsa };

// Names the API and wins over the automatic choice.
inline constexpr const char* kMidiApiVariable = "TESSARON_MIDI_API";

const char* MidiApiName(MidiApi api);  // "auto", "jack", "alsa"
std::optional<MidiApi> ParseMidiApi(std::string_view name);

// Auto becomes the variable's choice when set, else JACK when a JACK server runs, else ALSA.
MidiApi ResolveMidiApi(MidiApi setting);

}  // namespace tessaron
