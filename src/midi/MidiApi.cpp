#include "midi/MidiApi.h"

#include <jack/jack.h>

#include <atomic>
#include <cstdlib>
#include <memory>

#include "audioout/DeadlineTask.h"
#include "audioout/JackLibraryMessages.h"
#include "audioout/AudioApi.h"

namespace tessaron {

namespace {

// A stopped server would hold the probe for good: it gets the audio output's deadline.
bool JackServerRuns()
{
    QuietJackLibrary();
    auto runs = std::make_shared<std::atomic<bool>>(false);
    const bool answered = RunWithin(kServerAnswerLimit, [runs] {
        jack_status_t status{};
        jack_client_t* client = jack_client_open("tessaron-probe", JackNoStartServer, &status);
        if (client != nullptr) {
            jack_client_close(client);
            *runs = true;
        }
    });
    return answered && *runs;
}

}  // namespace

const char* MidiApiName(MidiApi api)
{
    switch (api) {
    case MidiApi::Auto: return "auto";
    case MidiApi::Jack: return "jack";
    case MidiApi::Alsa: return "alsa";
    }
    return "auto";
}

std::optional<MidiApi> ParseMidiApi(std::string_view name)
{
    for (MidiApi api : {MidiApi::Auto, MidiApi::Jack, MidiApi::Alsa}) {
        if (name == MidiApiName(api)) {
            return api;
        }
    }
    return std::nullopt;
}

MidiApi ResolveMidiApi(MidiApi setting)
{
    if (setting != MidiApi::Auto) {
        return setting;
    }
    if (const char* variable = std::getenv(kMidiApiVariable)) {
        if (auto named = ParseMidiApi(variable); named && *named != MidiApi::Auto) {
            return *named;
        }
    }
    return JackServerRuns() ? MidiApi::Jack : MidiApi::Alsa;
}

}  // namespace tessaron
