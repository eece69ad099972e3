#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tessaron {

enum class MpegVersion : uint8_t { Mpeg1, Mpeg2, Mpeg25 };
// The numbers are the header's channel-mode bits.
enum class MpegChannelMode : uint8_t { Stereo = 0, JointStereo = 1, DualChannel = 2, Mono = 3 };

// One MPEG audio frame header (ISO/IEC 11172-3, 13818-3 and the 2.5 extension): what the
// display texts of compressed files show. Decoding the sound is the decoder's business.
class CMpegHeader {
public:
    static constexpr size_t kSearchBytes = 10000;  // how far into the file a header is looked for

    MpegVersion version = MpegVersion::Mpeg1;
    int layer = 0;         // 1..3
    int bitRateKbps = 0;   // 0 for a free-format stream
    int sampleRate = 0;
    MpegChannelMode channelMode = MpegChannelMode::Stereo;
    bool padding = false;
    uint32_t bits = 0;     // the four header bytes, big-endian

    // The header at `bytes` (four bytes at least), or nothing when they are not a valid one.
    static std::optional<CMpegHeader> Decode(std::span<const uint8_t> bytes);
    // The first valid header in `bytes` whose next frame, when it lies inside `bytes`,
    // starts with a matching header.
    static std::optional<CMpegHeader> Find(std::span<const uint8_t> bytes);
    // Bytes taken by an ID3v2 tag at the start of `bytes` (0 without one).
    static size_t Id3v2Size(std::span<const uint8_t> bytes);
    // Find over the first kSearchBytes of a file after its ID3v2 tag.
    static std::optional<CMpegHeader> FindInFile(const std::string& path);

    int FrameLength() const;  // bytes, 0 for free format
    int SamplesPerFrame() const;
    std::string VersionText() const;      // "1", "2" or "2.5"
    const char* ChannelModeWord() const;  // "Stereo", "Joint stereo", "Dual channel", "Mono"
};

}  // namespace tessaron
