#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessaron {

// The format tags that have a name; every other tag reads "No compatible".
enum class WaveFormatTag : uint16_t {
    Pcm = 1,
    MsAdpcm = 2,
    ImaAdpcm = 17,
};

// The extended wave format record: 18 little-endian bytes (tag, channels, samples per second,
// average bytes per second, block align, bits per sample, extra size) and the extra bytes.
class CWaveFormat {
public:
    static constexpr size_t kRecordSize = 18;
    static constexpr size_t kPcmRecordSize = 16;  // what a PCM fmt chunk holds

    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> extra;  // its size is the record's extra size

    // 16-bit PCM with 1 or 2 channels at `rate`.
    static CWaveFormat Pcm16(bool mono, uint32_t rate);
    // Reads the first 16 bytes of a record (no extra size); `bytes` holds at least 16.
    static CWaveFormat FromBasicBytes(std::span<const uint8_t> bytes);

    bool IsPcm() const { return formatTag == static_cast<uint16_t>(WaveFormatTag::Pcm); }
    uint16_t ExtraSize() const { return static_cast<uint16_t>(extra.size()); }
    // The 18-byte record followed by the extra bytes.
    std::vector<uint8_t> Bytes() const;
    // "PCM", "MS ADPCM", "IMA ADPCM" or "No compatible".
    std::string FormatName() const;

    bool operator==(const CWaveFormat&) const = default;
};

}  // namespace tessaron
