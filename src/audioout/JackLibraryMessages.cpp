#include "audioout/JackLibraryMessages.h"

#include <jack/jack.h>

#include <mutex>

#include "audioout/AlsaLibraryMessages.h"

namespace tessaron {

namespace {

void Discard(const char*) {}

}  // namespace

void QuietJackLibrary()
{
    // Both functions are the library's, one for the process: set once, before our threads.
    static std::once_flag once;
    std::call_once(once, [] {
        if (!AudioLibrariesVerbose()) {
            jack_set_error_function(&Discard);
            jack_set_info_function(&Discard);
        }
    });
}

}  // namespace tessaron
