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
            notes->push_back("the " + RtAudioBackend::ServerText(api) + " does not answer");
        }
    }
    return AudioApi::Alsa;
}

}  // namespace tessaron
