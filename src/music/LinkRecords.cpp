#include "music/LinkRecords.h"

#include <cstring>

namespace tessaron::link {

namespace {

uint32_t U32(std::span<const uint8_t> r, size_t at)
{
    return uint32_t(r[at]) | uint32_t(r[at + 1]) << 8 | uint32_t(r[at + 2]) << 16 | uint32_t(r[at + 3]) << 24;
}

int32_t I32(std::span<const uint8_t> r, size_t at) { return static_cast<int32_t>(U32(r, at)); }

float F32(std::span<const uint8_t> r, size_t at)
{
    const uint32_t bits = U32(r, at);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

double F64(std::span<const uint8_t> r, size_t at)
{
    const uint64_t bits = uint64_t{U32(r, at)} | uint64_t{U32(r, at + 4)} << 32;
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

// The text of a field when its terminating zero lies inside it.
std::optional<std::string> Text(std::span<const uint8_t> r, size_t at)
{
    const auto field = r.subspan(at, kTextField);
    const void* zero = std::memchr(field.data(), 0, field.size());
    if (zero == nullptr) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(field.data()), static_cast<const uint8_t*>(zero) - field.data());
}

void Put32(std::vector<uint8_t>& r, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        r[at + size_t(i)] = static_cast<uint8_t>(v >> (8 * i));
    }
}

void PutF32(std::vector<uint8_t>& r, size_t at, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    Put32(r, at, bits);
}

void PutF64(std::vector<uint8_t>& r, size_t at, double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    Put32(r, at, static_cast<uint32_t>(bits));
    Put32(r, at + 4, static_cast<uint32_t>(bits >> 32));
}

bool PutText(std::vector<uint8_t>& r, size_t at, const std::string& text)
{
    if (text.size() >= kTextField || text.find('\0') != std::string::npos) {
        return false;
    }
    std::memcpy(r.data() + at, text.data(), text.size());
    return true;
}

}  // namespace

std::optional<AddSampleRecord> DecodeAddSample(std::span<const uint8_t> r)
{
    if (r.size() != AddSampleRecord::kSize) {
        return std::nullopt;
    }
    auto name = Text(r, 0);
    auto path = Text(r, 256);
    if (!name || !path) {
        return std::nullopt;
    }
    AddSampleRecord out;
    out.name = std::move(*name);
    out.path = std::move(*path);
    out.startOffset = I32(r, 512);
    out.endOffset = I32(r, 516);
    out.duration = I32(r, 520);
    out.tempo = F32(r, 524);
    out.beats = I32(r, 528);
    out.tempoPercent = F64(r, 536);
    out.volume = I32(r, 544);
    out.pan = I32(r, 548);
    out.loop = I32(r, 552);
    std::memcpy(out.envelope1.data(), r.data() + 564, kEnvelopeBlock);
    out.dataSize = I32(r, 584);
    std::memcpy(out.envelope2.data(), r.data() + 592, kEnvelopeBlock);
    return out;
}

std::optional<CutFramesRecord> DecodeCutFrames(std::span<const uint8_t> r)
{
    if (r.size() != CutFramesRecord::kSize) {
        return std::nullopt;
    }
    auto name = Text(r, 0);
    auto path = Text(r, 256);
    if (!name || !path) {
        return std::nullopt;
    }
    CutFramesRecord out;
    out.name = std::move(*name);
    out.path = std::move(*path);
    out.startMs = I32(r, 512);
    out.tempo = F32(r, 516);
    out.beatsPerFrame = I32(r, 520);
    out.frames = I32(r, 524);
    out.tempoPercent = F64(r, 528);
    out.option = I32(r, 536);
    return out;
}

std::vector<uint8_t> Encode(const AddSampleRecord& a)
{
    std::vector<uint8_t> r(AddSampleRecord::kSize, 0);
    if (!PutText(r, 0, a.name) || !PutText(r, 256, a.path)) {
        return {};
    }
    std::memcpy(r.data() + 564, a.envelope1.data(), kEnvelopeBlock);
    Put32(r, 512, static_cast<uint32_t>(a.startOffset));
    Put32(r, 516, static_cast<uint32_t>(a.endOffset));
    Put32(r, 520, static_cast<uint32_t>(a.duration));
    PutF32(r, 524, a.tempo);
    Put32(r, 528, static_cast<uint32_t>(a.beats));
    PutF64(r, 536, a.tempoPercent);
    Put32(r, 544, static_cast<uint32_t>(a.volume));
    Put32(r, 548, static_cast<uint32_t>(a.pan));
    Put32(r, 552, static_cast<uint32_t>(a.loop));
    Put32(r, 584, static_cast<uint32_t>(a.dataSize));
    std::memcpy(r.data() + 592, a.envelope2.data(), kEnvelopeBlock);
    return r;
}

std::vector<uint8_t> Encode(const CutFramesRecord& c)
{
    std::vector<uint8_t> r(CutFramesRecord::kSize, 0);
    if (!PutText(r, 0, c.name) || !PutText(r, 256, c.path)) {
        return {};
    }
    Put32(r, 512, static_cast<uint32_t>(c.startMs));
    PutF32(r, 516, c.tempo);
    Put32(r, 520, static_cast<uint32_t>(c.beatsPerFrame));
    Put32(r, 524, static_cast<uint32_t>(c.frames));
    PutF64(r, 528, c.tempoPercent);
    Put32(r, 536, static_cast<uint32_t>(c.option));
    return r;
}

std::vector<uint8_t> EncodeFrame(uint32_t command, std::span<const uint8_t> record)
{
    std::vector<uint8_t> frame(8 + record.size());
    Put32(frame, 0, command);
    Put32(frame, 4, static_cast<uint32_t>(record.size()));
    if (!record.empty()) {
        std::memcpy(frame.data() + 8, record.data(), record.size());
    }
    return frame;
}

FrameHeader DecodeFrameHeader(std::span<const uint8_t, 8> bytes)
{
    return FrameHeader{U32(bytes, 0), U32(bytes, 4)};
}

}  // namespace tessaron::link
