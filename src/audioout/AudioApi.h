#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaron {

// Which audio system the output devices come from. Offline runs no stream: the caller pulls
// mixed frames (tests, tools).
enum class AudioApi { Auto, Jack, Pulse, Alsa, Offline };

// The environment variable that names an API and wins over the setting.
inline constexpr const char* kAudioApiVariable = "TESSARON_AUDIO_API";

// How long a call into a sound server may take before the server counts as not answering (a
// server stopped with SIGSTOP would hold it for good).
inline constexpr std::chrono::milliseconds kServerAnswerLimit{3000};

const char* AudioApiName(AudioApi api);  // "auto", "jack", "pulse", "alsa", "offline"
std::optional<AudioApi> ParseAudioApi(std::string_view name);
// How the API's server is named for the user: "JACK server 'default'", ...
std::string AudioServerText(AudioApi api);

// The API to use for a setting: Offline stays offline; otherwise the environment variable when
// set and valid, else the setting;
// Auto becomes JACK when a JACK server runs, else PulseAudio when a server answers, else ALSA.
// A server that exists but does not answer within a few seconds is passed over; `notes` then
// gets a line naming it ("the JACK server 'default' does not answer").
AudioApi ResolveAudioApi(AudioApi setting, std::vector<std::string>* notes = nullptr);

}  // namespace tessaron
