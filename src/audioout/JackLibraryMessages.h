#pragma once

namespace tessaron {

// Routes libjack's error and information messages away for the rest of the process, unless
// TESSARON_VERBOSE asks for them. Asking whether a JACK server runs when none does makes the
// library print "Cannot connect to server socket" and four more lines that only say, in its
// words, what our own message says. Call it before the first JACK call; calling it again does
// nothing.
void QuietJackLibrary();

}  // namespace tessaron
