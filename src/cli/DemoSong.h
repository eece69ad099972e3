#pragma once

#include <string>

namespace tessaron::cli {

// Writes the built-in demo song into `folder`: three loops made here (drums, bass, pad) as WAV
// files and "demo.tsn" playing them. Returns an empty text, or what went wrong.
std::string WriteDemoSong(const std::string& folder);

}  // namespace tessaron::cli
