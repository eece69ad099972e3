// Feeds arbitrary bytes to the companion link's record decoding, as a frame would carry them:
// the first byte picks the command. No crash, no read past the record, and a record that
// decodes encodes back to the same bytes (so nothing in it was misread).
#include <cstddef>
#include <cstdint>
#include <span>

#include "music/LinkRecords.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

// Bytes of a record that no field covers (an encoded record holds zeros there).
bool Unnamed(size_t recordSize, size_t i)
{
    return recordSize == tessaron::link::AddSampleRecord::kSize && ((i >= 532 && i < 536) || (i >= 556 && i < 564));
}

// Every field after the two texts encodes back to the bytes it came from.
template <typename Record>
void RoundTrip(const Record& record, std::span<const uint8_t> bytes)
{
    const auto again = tessaron::link::Encode(record);
    Check(again.size() == bytes.size());
    for (size_t i = 2 * tessaron::link::kTextField; i < bytes.size(); ++i) {
        Check(Unnamed(bytes.size(), i) || again[i] == bytes[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tessaron;
    if (size == 0) {
        return 0;
    }
    const std::span<const uint8_t> record(data + 1, size - 1);
    if (data[0] % 2 == 0) {
        if (const auto decoded = link::DecodeAddSample(record)) {
            Check(record.size() == link::AddSampleRecord::kSize);
            Check(decoded->name.size() < link::kTextField && decoded->path.size() < link::kTextField);
            RoundTrip(*decoded, record);
        }
    } else if (const auto decoded = link::DecodeCutFrames(record)) {
        Check(record.size() == link::CutFramesRecord::kSize);
        RoundTrip(*decoded, record);
    }
    if (size >= 8) {
        const auto header = link::DecodeFrameHeader(std::span<const uint8_t, 8>(data, 8));
        const auto frame = link::EncodeFrame(header.command, {});
        Check(frame[0] == data[0] && frame[3] == data[3]);
    }
    return 0;
}
