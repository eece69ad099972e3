#include "audiofile/CMpegHeader.h"

#include <array>
#include <cstdio>
#include <memory>

namespace tessaron {

namespace {

// kbit/s by bit-rate index; index 0 is free format, 15 is invalid.
constexpr std::array<std::array<uint16_t, 15>, 3> kMpeg1BitRates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // layer III
}};
constexpr std::array<std::array<uint16_t, 15>, 2> kMpeg2BitRates = {{
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},  // layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},       // layers II and III
}};
constexpr std::array<std::array<uint32_t, 3>, 3> kSampleRates = {{
    {44100, 48000, 32000},  // MPEG 1
    {22050, 24000, 16000},  // MPEG 2
    {11025, 12000, 8000},   // MPEG 2.5
}};

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

std::optional<CMpegHeader> CMpegHeader::Decode(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 4 || bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const int versionBits = (bytes[1] >> 3) & 3;
    const int layerBits = (bytes[1] >> 1) & 3;
    const int bitRateIndex = bytes[2] >> 4;
    const int rateIndex = (bytes[2] >> 2) & 3;
    const int emphasis = bytes[3] & 3;
    if (versionBits == 1 || layerBits == 0 || bitRateIndex == 15 || rateIndex == 3 || emphasis == 2) {
        return std::nullopt;
    }
    CMpegHeader header;
    header.version = versionBits == 3 ? MpegVersion::Mpeg1 : versionBits == 2 ? MpegVersion::Mpeg2 : MpegVersion::Mpeg25;
    header.layer = 4 - layerBits;
    if (header.version == MpegVersion::Mpeg1) {
        header.bitRateKbps = kMpeg1BitRates[header.layer - 1][bitRateIndex];
    } else {
        header.bitRateKbps = kMpeg2BitRates[header.layer == 1 ? 0 : 1][bitRateIndex];
    }
    header.sampleRate = static_cast<int>(kSampleRates[static_cast<size_t>(header.version)][rateIndex]);
    header.padding = ((bytes[2] >> 1) & 1) != 0;
    header.channelMode = static_cast<MpegChannelMode>(bytes[3] >> 6);
    header.bits = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
    return header;
}

std::optional<CMpegHeader> CMpegHeader::Find(std::span<const uint8_t> bytes)
{
    for (size_t pos = 0; pos + 4 <= bytes.size(); ++pos) {
        if (bytes[pos] != 0xFF) {
            continue;
        }
        auto header = Decode(bytes.subspan(pos));
        if (!header) {
            continue;
        }
        // A lone sync pattern is common inside other data; a second frame where the first
        // one ends confirms it. A header too near the end of the window is taken as it is.
        const size_t length = static_cast<size_t>(header->FrameLength());
        if (length > 0 && pos + length + 4 <= bytes.size()) {
            auto next = Decode(bytes.subspan(pos + length));
            if (!next || next->version != header->version || next->layer != header->layer ||
                next->sampleRate != header->sampleRate) {
                continue;
            }
        }
        return header;
    }
    return std::nullopt;
}

size_t CMpegHeader::Id3v2Size(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 10 || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3') {
        return 0;
    }
    size_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (bytes[i] & 0x80) {
            return 0;  // not a synchsafe size: not a tag
        }
        size = (size << 7) | bytes[i];
    }
    const bool footer = (bytes[5] & 0x10) != 0;
    return size + 10 + (footer ? 10 : 0);
}

std::optional<CMpegHeader> CMpegHeader::FindInFile(const std::string& path)
{
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return std::nullopt;
    }
    std::array<uint8_t, 10> head{};
    const size_t got = std::fread(head.data(), 1, head.size(), file.get());
    const size_t skip = Id3v2Size(std::span(head.data(), got));
    if (std::fseek(file.get(), static_cast<long>(skip), SEEK_SET) != 0) {
        return std::nullopt;
    }
    std::array<uint8_t, kSearchBytes> window{};
    const size_t size = std::fread(window.data(), 1, window.size(), file.get());
    return Find(std::span(window.data(), size));
}

int CMpegHeader::FrameLength() const
{
    if (bitRateKbps == 0 || sampleRate == 0) {
        return 0;
    }
    const int pad = padding ? 1 : 0;
    const int bitRate = bitRateKbps * 1000;
    if (layer == 1) {
        return (12 * bitRate / sampleRate + pad) * 4;
    }
    const int factor = (layer == 3 && version != MpegVersion::Mpeg1) ? 72 : 144;
    return factor * bitRate / sampleRate + pad;
}

int CMpegHeader::SamplesPerFrame() const
{
    if (layer == 1) {
        return 384;
    }
    return (layer == 3 && version != MpegVersion::Mpeg1) ? 576 : 1152;
}

std::string CMpegHeader::VersionText() const
{
    switch (version) {
    case MpegVersion::Mpeg1: return "1";
    case MpegVersion::Mpeg2: return "2";
    case MpegVersion::Mpeg25: return "2.5";
    }
    return "";
}

const char* CMpegHeader::ChannelModeWord() const
{
    switch (channelMode) {
    case MpegChannelMode::Stereo: return "Stereo";
    case MpegChannelMode::JointStereo: return "Joint stereo";
    case MpegChannelMode::DualChannel: return "Dual channel";
    case MpegChannelMode::Mono: return "Mono";
    }
    return "";
}

}  // namespace tessaron
