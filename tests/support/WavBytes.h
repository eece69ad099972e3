#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaron::test {

// Hand-made RIFF files, also damaged ones, for the WAV reader's tests.
using Bytes = std::vector<uint8_t>;

void Append16(Bytes& bytes, uint16_t value);
void Append32(Bytes& bytes, uint32_t value);
// A chunk: id, size (the real size unless `announced` is given), data, pad byte when odd.
Bytes Chunk(const std::string& id, const Bytes& data, int64_t announced = -1);
// The 16 bytes of a fmt chunk; `extra` (with its size in front) follows when not empty.
Bytes FmtData(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits,
              const Bytes& extra = {}, bool withExtraSize = false);
// "RIFF" size "WAVE" followed by `chunks`.
Bytes Riff(const Bytes& chunks, int64_t announced = -1);
// A PCM file with `data` as its sound.
Bytes PcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& data);
Bytes Pattern(size_t size);  // bytes 0, 1, 2, ... 255, 0, ...

void WriteBytes(const std::string& path, const Bytes& bytes);
Bytes ReadBytes(const std::string& path);

}  // namespace tessaron::test
