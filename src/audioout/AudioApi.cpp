#include "audioout/AudioApi.h"

#include <cstdlib>

#include "audioout/RtAudioBackend.h"

namespace tessaron {

const char* AudioApiName(AudioApi api)
{
    switch (api) {
    case AudioApi::Auto: return "auto";
    case AudioApi::Jack: return "jack";
    case AudioApi::Pulse: return "pulse";
    case AudioApi::Alsa: return "alsa";
    case AudioApi::Offline: return "offline";
    }
    return "auto";
}

std::optional<AudioApi> ParseAudioApi(std::string_view name)
{
    for (AudioApi api : {AudioApi::Auto, AudioApi::Jack, AudioApi::Pulse, AudioApi::Alsa,
                         AudioApi::Offline}) {
        if (name == AudioApiName(api)) {
            return api;
        }
    }
    if (name == "pulseaudio") {
        return AudioApi::Pulse;
    }
    return std::nullopt;
}

std::string AudioServerText(AudioApi api)
{
    if (api == AudioApi::Jack) {
        const char* name = std::getenv("JACK_DEFAULT_SERVER");
        return std::string("JACK server '") + (name && *name ? name : "default") + "'";
    }
    if (api == AudioApi::Pulse) {
        if (const char* server = std::getenv("PULSE_SERVER")) {
            return std::string("PulseAudio server '") + server + "'";
        }
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        return std::string("PulseAudio server '") + (runtime ? runtime : "") + "/pulse/native'";
    }
    return api == AudioApi::Alsa ? "ALSA output" : std::string(AudioApiName(api)) + " output";
}

AudioApi ResolveAudioApi(AudioApi setting, std::vector<std::string>* notes)
{
    if (setting == AudioApi::Offline) {
        return setting;  // asked for by tests and tools, never a real device
    }
    if (const char* variable = std::getenv(kAudioApiVariable)) {
        if (auto named = ParseAudioApi(variable)) {
            setting = *named;
        }
    }
    if (setting != AudioApi::Auto) {
        return setting;
    }
    for (AudioApi api : {AudioApi::Jack, AudioApi::Pulse}) {
        const ServerState state = RtAudioBackend::ProbeServer(api);
        if (state == ServerState::Answers) {
            return api;
        }
        if (state == ServerState::Silent && notes) {
            notes->push_back("the " + AudioServerText(api) + " does not answer");
        }
    }
    return AudioApi::Alsa;
}

}  // namespace tessaron
