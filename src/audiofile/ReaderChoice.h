#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audiofile/CMediaReader.h"

// Which reader opens a file: a path whose lower-case form contains ".wav" gets the WAV reader
// first; any other path, or a WAV path the WAV reader refuses, gets the decoding reader.
namespace tessaron {

// The reader holding the sound between two times (start = end = 0: all of it), or null when
// neither reader can open the file; `error` then holds the last reader's error code.
std::unique_ptr<CMediaReader> LoadMediaFile(const std::string& path, int32_t startMs, int32_t endMs,
                                            ReaderError* error = nullptr);
// The reader opened for sequential reading, or null.
std::unique_ptr<CMediaReader> OpenMediaForRead(const std::string& path, ReaderError* error = nullptr);

}  // namespace tessaron
