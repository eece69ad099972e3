#include "music/LinkRecords.h"

#include <cstring>
#include <type_traits>
#include <utility>
#include <variant>

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

using Envelope = std::array<uint8_t, kEnvelopeBlock>;

// One stored field of a record: where it lies and the member it fills. Decoding and encoding
// both walk the same table, so the two can never disagree on the layout.
template <typename Record>
struct Field {
    size_t at;
    std::variant<std::string Record::*, int32_t Record::*, float Record::*, double Record::*, Envelope Record::*> member;
};

// In encoding order: the first envelope block holds the data size, which is written after it.
const Field<AddSampleRecord> kAddSampleFields[] = {
    {0, &AddSampleRecord::name},           {256, &AddSampleRecord::path},
    {564, &AddSampleRecord::envelope1},    {512, &AddSampleRecord::startOffset},
    {516, &AddSampleRecord::endOffset},    {520, &AddSampleRecord::duration},
    {524, &AddSampleRecord::tempo},        {528, &AddSampleRecord::beats},
    {536, &AddSampleRecord::tempoPercent}, {544, &AddSampleRecord::volume},
    {548, &AddSampleRecord::pan},          {552, &AddSampleRecord::loop},
    {584, &AddSampleRecord::dataSize},     {592, &AddSampleRecord::envelope2},
};

const Field<CutFramesRecord> kCutFramesFields[] = {
    {0, &CutFramesRecord::name},           {256, &CutFramesRecord::path},
    {512, &CutFramesRecord::startMs},      {516, &CutFramesRecord::tempo},
    {520, &CutFramesRecord::beatsPerFrame}, {524, &CutFramesRecord::frames},
    {528, &CutFramesRecord::tempoPercent}, {536, &CutFramesRecord::option},
};

// Reads one field into `out`; false for a text whose zero lies outside its field.
template <typename Record>
bool ReadField(std::span<const uint8_t> r, const Field<Record>& field, Record& out)
{
    return std::visit(
        [&](auto member) {
            auto& value = out.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                auto text = Text(r, field.at);
                if (!text) {
                    return false;
                }
                value = std::move(*text);
            } else if constexpr (std::is_same_v<T, int32_t>) {
                value = I32(r, field.at);
            } else if constexpr (std::is_same_v<T, float>) {
                value = F32(r, field.at);
            } else if constexpr (std::is_same_v<T, double>) {
                value = F64(r, field.at);
            } else {
                std::memcpy(value.data(), r.data() + field.at, value.size());
            }
            return true;
        },
        field.member);
}

// Writes one field; false for a text that does not fit its field.
template <typename Record>
bool WriteField(std::vector<uint8_t>& r, const Field<Record>& field, const Record& in)
{
    return std::visit(
        [&](auto member) {
            const auto& value = in.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return PutText(r, field.at, value);
            } else if constexpr (std::is_same_v<T, int32_t>) {
                Put32(r, field.at, static_cast<uint32_t>(value));
            } else if constexpr (std::is_same_v<T, float>) {
                PutF32(r, field.at, value);
            } else if constexpr (std::is_same_v<T, double>) {
                PutF64(r, field.at, value);
            } else {
                std::memcpy(r.data() + field.at, value.data(), value.size());
            }
            return true;
        },
        field.member);
}

template <typename Record, size_t N>
std::optional<Record> DecodeFields(std::span<const uint8_t> r, const Field<Record> (&fields)[N])
{
    if (r.size() != Record::kSize) {
        return std::nullopt;
    }
    Record out;
    for (const Field<Record>& field : fields) {
        if (!ReadField(r, field, out)) {
            return std::nullopt;
        }
    }
    return out;
}

template <typename Record, size_t N>
std::vector<uint8_t> EncodeFields(const Record& in, const Field<Record> (&fields)[N])
{
    std::vector<uint8_t> r(Record::kSize, 0);
    for (const Field<Record>& field : fields) {
        if (!WriteField(r, field, in)) {
            return {};
        }
    }
    return r;
}

}  // namespace

std::optional<AddSampleRecord> DecodeAddSample(std::span<const uint8_t> record)
{
    return DecodeFields(record, kAddSampleFields);
}

std::optional<CutFramesRecord> DecodeCutFrames(std::span<const uint8_t> record)
{
    return DecodeFields(record, kCutFramesFields);
}

std::vector<uint8_t> Encode(const AddSampleRecord& record) { return EncodeFields(record, kAddSampleFields); }

std::vector<uint8_t> Encode(const CutFramesRecord& record) { return EncodeFields(record, kCutFramesFields); }

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
