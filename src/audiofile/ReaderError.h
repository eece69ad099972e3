#pragma once

#include <cstdint>
#include <string>

namespace tessaron {

// Error codes that the media readers keep; the numbers are those of the buffered RIFF file
// functions that the readers were first written against.
enum class ReaderError : int32_t {
    None = 0,
    OutOfMemory = 258,    // also: an empty time range
    CannotOpen = 259,     // also: sound data above the 100 MiB limit, a network path
    CannotRead = 261,     // the format chunk is short
    CannotWrite = 262,
    CannotSeek = 263,
    ChunkNotFound = 265,  // no "fmt " or "data" chunk
    NotRiffWave = 272,    // not a RIFF WAVE file, or not one this reader delivers as PCM
};

// A short English text for messages of the command-line tool.
std::string ReaderErrorText(ReaderError error);

}  // namespace tessaron
