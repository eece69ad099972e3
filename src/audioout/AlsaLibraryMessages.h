#pragma once

namespace tessaron {

// The environment variable that lets the audio libraries speak: TESSARON_VERBOSE=1.
inline constexpr const char* kVerboseVariable = "TESSARON_VERBOSE";

// Whether TESSARON_VERBOSE asks for the libraries' own messages (set and not "0" or empty).
bool AudioLibrariesVerbose();

// Routes the ALSA library's error messages away for the rest of the process, unless verbose.
// Probing a machine without a sound card makes the library print a screen of lines such as
// "cannot find card '0'" that only repeat, in its words, what our own message says. Call it
// before the first ALSA call of a probe; calling it again does nothing.
void QuietAlsaLibrary();

}  // namespace tessaron
