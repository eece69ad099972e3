#pragma once

#include <cstdint>

namespace tessaron::message {

// Numbers of the notices posted to the main window and the views.
inline constexpr uint32_t kBarBeat = 1025;
inline constexpr uint32_t kTimeDisplay = 1026;
inline constexpr uint32_t kMemory = 1027;
inline constexpr uint32_t kSongCursor = 1028;
inline constexpr uint32_t kEventFired = 1029;
inline constexpr uint32_t kSongLength = 1031;
inline constexpr uint32_t kMediumState = 1059;
inline constexpr uint32_t kOutputLost = 1060;  // posted by the output device: CSoundDevice::kMessageOutputLost

}  // namespace tessaron::message
