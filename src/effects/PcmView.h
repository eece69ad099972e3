#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace tessaron {

// Layout of the integer PCM that the effects edit in place.
struct PcmFormat {
    int sampleRate = 44100;
    int channels = 2;        // 1 or 2
    int bitsPerSample = 16;  // 8 (unsigned, silence at 128) or 16

    int BlockAlign() const { return channels * bitsPerSample / 8; }
    int BytesPerSecond() const { return sampleRate * BlockAlign(); }
    bool IsValid() const
    {
        return (channels == 1 || channels == 2) && (bitsPerSample == 8 || bitsPerSample == 16) &&
               sampleRate > 0 && sampleRate <= 1000000;
    }
};

// Bytes [start, end) of a buffer. Out-of-buffer, reversed and part-frame ranges are clipped by
// FramesIn, so callers may pass what the user selected.
struct ByteRange {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

// The whole sound buffer of a sample (locked by the caller) and its format. Effects may read
// before the range (delays) but write only inside it.
class PcmView {
public:
    PcmView(std::span<std::uint8_t> bytes, PcmFormat format) : bytes_(bytes), format_(format) {}

    std::span<std::uint8_t> Bytes() const { return bytes_; }
    const PcmFormat& Format() const { return format_; }
    std::size_t Size() const { return bytes_.size(); }
    int BlockAlign() const { return format_.BlockAlign(); }
    int Channels() const { return format_.channels; }
    bool Is16Bit() const { return format_.bitsPerSample == 16; }
    int FullScale() const { return Is16Bit() ? 32767 : 127; }

    // False where no effect can run: no bytes, or a format other than 8/16-bit mono/stereo.
    bool IsUsable() const { return !bytes_.empty() && format_.IsValid(); }

    // Sample of `channel` in the frame at byte `frame` (a frame start inside the buffer).
    int Read(std::size_t frame, int channel) const
    {
        if (Is16Bit()) {
            std::int16_t value;
            std::memcpy(&value, bytes_.data() + frame + 2 * channel, sizeof value);
            return value;
        }
        // 8-bit PCM is unsigned with silence at 128, as WAV files and the output buffers hold it.
        return static_cast<int>(bytes_[frame + channel]) - 128;
    }

    // The sample on the 16-bit scale (8-bit values times 256). Effects whose parameter is a level
    // or whose arithmetic works in fractions of full scale read this, so that the same sound
    // gives the same result at either depth.
    int Read16(std::size_t frame, int channel) const
    {
        return Is16Bit() ? Read(frame, channel) : Read(frame, channel) * 256;
    }
    // How many 16-bit steps one step of the format is.
    int StepOf16() const { return Is16Bit() ? 1 : 256; }

    // Writes an integer sample, clipped to the format's range.
    void Write(std::size_t frame, int channel, long long value) const
    {
        if (Is16Bit()) {
            const auto clipped = static_cast<std::int16_t>(std::clamp<long long>(value, -32768, 32767));
            std::memcpy(bytes_.data() + frame + 2 * channel, &clipped, sizeof clipped);
        } else {
            bytes_[frame + channel] = static_cast<std::uint8_t>(std::clamp<long long>(value, -128, 127) + 128);
        }
    }

    // Truncates toward zero and clips; a NaN (from a filter driven unstable) writes 0.
    void WriteTruncated(std::size_t frame, int channel, double value) const
    {
        Write(frame, channel, ClipToLongLong(value));
    }

    static long long ClipToLongLong(double value)
    {
        if (std::isnan(value)) {
            return 0;
        }
        return static_cast<long long>(std::clamp(value, -1.0e9, 1.0e9));
    }

private:
    std::span<std::uint8_t> bytes_;
    PcmFormat format_;
};

// The whole frames of a range: `first` and `end` are frame starts on the buffer's frame grid,
// with first <= end <= the last whole frame's end.
struct FrameSpan {
    std::size_t first = 0;
    std::size_t end = 0;
    bool Empty() const { return first >= end; }
};

// Only frames lying wholly inside both the range and the buffer are taken, so a misaligned
// or oversized range never reads half a frame or beyond the buffer.
inline FrameSpan FramesIn(const PcmView& pcm, ByteRange range)
{
    const auto align = static_cast<std::int64_t>(pcm.BlockAlign());
    if (align <= 0) {
        return {};
    }
    const auto size = static_cast<std::int64_t>(pcm.Size()) / align * align;
    const std::int64_t start = std::clamp<std::int64_t>(range.start, 0, size);
    const std::int64_t end = std::clamp<std::int64_t>(range.end, 0, size);
    const std::int64_t first = (start + align - 1) / align * align;
    const std::int64_t last = end / align * align;
    if (first >= last) {
        return {};
    }
    return {static_cast<std::size_t>(first), static_cast<std::size_t>(last)};
}

}  // namespace tessaron
