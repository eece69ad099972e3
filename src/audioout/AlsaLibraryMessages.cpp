#include "audioout/AlsaLibraryMessages.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace tessaron {

namespace {

void Discard(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

bool AudioLibrariesVerbose()
{
    const char* value = std::getenv(kVerboseVariable);
    return value && *value && std::strcmp(value, "0") != 0;
}

void QuietAlsaLibrary()
{
    // The handler belongs to the library, one for the process: set it once, before any thread
    // of ours can be inside ALSA.
    static std::once_flag once;
    std::call_once(once, [] {
        if (!AudioLibrariesVerbose()) {
            snd_lib_error_set_handler(&Discard);
        }
    });
}

}  // namespace tessaron
