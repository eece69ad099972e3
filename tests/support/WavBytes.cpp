#include "support/WavBytes.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tessaron::test {

void Append16(Bytes& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void Append32(Bytes& bytes, uint32_t value)
{
    Append16(bytes, static_cast<uint16_t>(value));
    Append16(bytes, static_cast<uint16_t>(value >> 16));
}

Bytes Chunk(const std::string& id, const Bytes& data, int64_t announced)
{
    Bytes bytes(id.begin(), id.end());
    Append32(bytes, static_cast<uint32_t>(announced >= 0 ? announced : static_cast<int64_t>(data.size())));
    bytes.insert(bytes.end(), data.begin(), data.end());
    if (data.size() % 2 == 1) {
        bytes.push_back(0);
    }
    return bytes;
}

Bytes FmtData(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits, const Bytes& extra,
              bool withExtraSize)
{
    Bytes bytes;
    Append16(bytes, tag);
    Append16(bytes, channels);
    Append32(bytes, rate);
    Append32(bytes, rate * blockAlign);
    Append16(bytes, blockAlign);
    Append16(bytes, bits);
    if (withExtraSize || !extra.empty()) {
        Append16(bytes, static_cast<uint16_t>(extra.size()));
        bytes.insert(bytes.end(), extra.begin(), extra.end());
    }
    return bytes;
}

Bytes Riff(const Bytes& chunks, int64_t announced)
{
    Bytes bytes = {'R', 'I', 'F', 'F'};
    Append32(bytes, static_cast<uint32_t>(announced >= 0 ? announced : static_cast<int64_t>(chunks.size() + 4)));
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E'});
    bytes.insert(bytes.end(), chunks.begin(), chunks.end());
    return bytes;
}

Bytes PcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& data)
{
    const auto blockAlign = static_cast<uint16_t>(channels * bits / 8);
    Bytes chunks = Chunk("fmt ", FmtData(1, channels, rate, blockAlign, bits));
    const Bytes dataChunk = Chunk("data", data);
    chunks.insert(chunks.end(), dataChunk.begin(), dataChunk.end());
    return Riff(chunks);
}

Bytes Pattern(size_t size)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i);
    }
    return bytes;
}

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

Bytes ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tessaron::test
