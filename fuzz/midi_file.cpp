// The open path of MIDI media: whatever the bytes, the reader either refuses them or hands a
// consistent file on (events in time order, a length it can compute).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "midi/CMidiFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const auto file = tessaron::CMidiFile::Parse(data, size, &error);
    if (!file) {
        if (error.empty()) {
            std::abort();  // a refusal always says why
        }
        return 0;
    }
    int64_t previous = 0;
    for (const auto& event : file->Events()) {
        if (event.tick < previous || event.tick > file->LastTick() || (event.status & 0x80) == 0) {
            std::abort();
        }
        previous = event.tick;
    }
    const double length = file->LengthMs();
    if (!(length >= 0.0) || file->Tempo() < 0.0f || file->Bytes().empty()) {
        std::abort();
    }
    return 0;
}
