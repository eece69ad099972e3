#include "audiofile/ReaderError.h"

namespace tessaron {

std::string ReaderErrorText(ReaderError error)
{
    switch (error) {
    case ReaderError::None: return "no error";
    case ReaderError::OutOfMemory: return "out of memory or empty time range";
    case ReaderError::CannotOpen: return "cannot open the file, or its sound exceeds 100 MiB";
    case ReaderError::CannotRead: return "the format chunk is short";
    case ReaderError::CannotWrite: return "cannot write the file";
    case ReaderError::CannotSeek: return "cannot seek in the file";
    case ReaderError::ChunkNotFound: return "a chunk of the file is missing";
    case ReaderError::NotRiffWave: return "not a RIFF WAVE file of 8- or 16-bit PCM";
    }
    return "error " + std::to_string(static_cast<int32_t>(error));
}

}  // namespace tessaron
