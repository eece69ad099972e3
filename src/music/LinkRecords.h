#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The records that a companion program sends over the link, little-endian throughout.
// Decoding is strict: a record of the wrong size, or a name or path whose terminating zero
// does not lie inside its 256-byte field, is refused as a whole.
namespace tessaron::link {

inline constexpr uint32_t kAddSample = 1;
inline constexpr uint32_t kCutFrames = 2;
inline constexpr size_t kTextField = 256;
inline constexpr size_t kEnvelopeBlock = 28;
// Frames carry a 32-bit command, a 32-bit record size and the record; nothing larger than
// this is a record of ours.
inline constexpr uint32_t kMaxRecordBytes = 4096;

// Command 1: a sample that the companion has written as a file.
struct AddSampleRecord {
    static constexpr size_t kSize = 620;  // two 28-byte envelope blocks at 564 and 592
    std::string name;
    std::string path;
    int32_t startOffset = 0;  // ms; 0: not set
    int32_t endOffset = 0;
    int32_t duration = 0;
    float tempo = 0.0f;
    int32_t beats = 0;
    double tempoPercent = 0.0;
    int32_t volume = 0;
    int32_t pan = 0;
    int32_t loop = 0;
    std::array<uint8_t, kEnvelopeBlock> envelope1{};  // bytes 564..591; the data size lies within
    int32_t dataSize = 0;                             // at 584
    std::array<uint8_t, kEnvelopeBlock> envelope2{};
};

// Command 2: cut frames of a music file into samples.
struct CutFramesRecord {
    static constexpr size_t kSize = 540;
    std::string name;
    std::string path;
    int32_t startMs = 0;
    float tempo = 0.0f;
    int32_t beatsPerFrame = 0;
    int32_t frames = 0;
    double tempoPercent = 0.0;
    int32_t option = 0;
};

std::optional<AddSampleRecord> DecodeAddSample(std::span<const uint8_t> record);
std::optional<CutFramesRecord> DecodeCutFrames(std::span<const uint8_t> record);
// Names and paths longer than 255 bytes cannot be encoded: an empty result.
std::vector<uint8_t> Encode(const AddSampleRecord& record);
std::vector<uint8_t> Encode(const CutFramesRecord& record);

// A frame: command, size, record.
std::vector<uint8_t> EncodeFrame(uint32_t command, std::span<const uint8_t> record);
struct FrameHeader {
    uint32_t command = 0;
    uint32_t size = 0;
};
FrameHeader DecodeFrameHeader(std::span<const uint8_t, 8> bytes);

}  // namespace tessaron::link
