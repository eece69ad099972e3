#pragma once

#include <string>

namespace tessaron {
class CSoundDevice;
}

namespace tessaron::cli {

// Opens the output device whose name or id is `wanted` ("" for the default) at 44100 Hz
// stereo, or the rate the server runs at. On failure `error` says why.
bool OpenOutput(CSoundDevice& device, const std::string& wanted, std::string& error);

}  // namespace tessaron::cli
