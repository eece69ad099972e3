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

AudioApi ResolveAudioApi(AudioApi setting)
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
    if (RtAudioBackend::ServerRuns(AudioApi::Jack)) {
        return AudioApi::Jack;
    }
    if (RtAudioBackend::ServerRuns(AudioApi::Pulse)) {
        return AudioApi::Pulse;
    }
    return AudioApi::Alsa;
}

}  // namespace tessaron
