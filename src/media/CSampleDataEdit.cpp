// The edit primitives, effects, level reading and saving of CSampleData.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "audiofile/CWaveReader.h"
#include "audioout/CSoundBuffer.h"
#include "audioout/SoundBlock.h"
#include "effects/SampleEffect.h"
#include "media/CSampleData.h"

namespace tessaron {

namespace {

int32_t RoundDown4(int32_t position) { return position - position % 4; }

int32_t ReadValue(const uint8_t* data, int32_t at, int32_t bits)
{
    if (bits == 16) {
        int16_t v;
        std::memcpy(&v, data + at, sizeof v);
        return v;
    }
    return int32_t{data[at]} - 128;
}

}  // namespace

int32_t CSampleData::Sample(int32_t position, int32_t channel, int32_t size, const uint8_t* data, int32_t bits)
{
    if ((bits != 8 && bits != 16) || data == nullptr) {
        return 0;
    }
    const int32_t width = bits / 8;
    if (size < width) {
        return 0;
    }
    if (position < 0 || position > size - width) {
        position = 0;
    }
    const int32_t first = ReadValue(data, position, bits);
    const int32_t next = position + width <= size - width ? position + width : 0;
    const int32_t second = ReadValue(data, next, bits);
    if (channel == -1) {
        return (first + second) / 2;
    }
    return channel == 0 ? first : second;
}

int32_t CSampleData::Peak(int32_t position, int32_t frames, int32_t channel) const
{
    const uint8_t* pcm = Pcm();
    const int32_t align = format_.blockAlign;
    if (pcm == nullptr || align <= 0 || bufferSize_ < align) {
        return 0;
    }
    if (channel > channels_ - 1) {
        channel = 0;
    }
    const int32_t last = bufferSize_ / align * align - align;  // start of the last frame
    int32_t at = std::max(0, position) / align * align;
    if (at >= last) {
        at = 0;
    }
    int32_t largest = 0;
    for (int32_t i = 0; i < frames; ++i) {
        const int32_t magnitude = std::abs(Sample(at, channel, bufferSize_, pcm, format_.bitsPerSample));
        // Where the level falls, skip ahead: a cheap look over a wider stretch.
        at += magnitude > largest ? align : 4 * align;
        largest = std::max(largest, magnitude);
        if (at >= last) {
            at = 0;
        }
    }
    return largest;
}

bool CSampleData::ReplaceBuffer(Block content)
{
    const bool wasPlaying = IsPlaying();
    const auto size = static_cast<int32_t>(content->Size());
    if (!MakeBuffer(device_, size, CMediaReader::DurationMs(size, BytesPerSecond()), std::move(content))) {
        return false;
    }
    if (wasPlaying) {
        Play();
    }
    return true;
}

// An edit of the sound in place: one new block, published whole; a refused edit publishes nothing.
template <typename Edit>
bool CSampleData::EditBuffer(Edit edit)
{
    if (!buffer_) {
        return false;
    }
    auto block = std::make_shared<SoundBlock>(*buffer_->Content());
    if (!edit(block->MutableData(), static_cast<int32_t>(block->Size()))) {
        return false;
    }
    return buffer_->Replace(std::move(block));
}

namespace {
// A new block of `size` bytes, for a writer that fills all of it.
std::shared_ptr<SoundBlock> NewBlock(int32_t size) { return std::make_shared<SoundBlock>(static_cast<uint32_t>(size)); }
}  // namespace

bool CSampleData::CopyRange(uint8_t* destination, int32_t start, int32_t end) const
{
    start = RoundDown4(start);
    end = RoundDown4(end);
    const uint8_t* pcm = Pcm();
    if (!buffer_ || pcm == nullptr || destination == nullptr || start < 0 || start > end || end > bufferSize_) {
        return false;
    }
    std::memcpy(destination, pcm + start, static_cast<size_t>(end - start));
    return true;
}

bool CSampleData::InsertAt(int32_t position, const uint8_t* block, int32_t size)
{
    position = RoundDown4(position);
    const int32_t align = std::max<int32_t>(1, format_.blockAlign);
    size = size / align * align;  // part of a frame would shift every later frame's channels
    const uint8_t* pcm = Pcm();
    if (!buffer_ || pcm == nullptr || block == nullptr || size <= 0 || position < 0 || position > bufferSize_ ||
        int64_t{bufferSize_} + size > CMediaReader::kMaxDataBytes) {
        return false;
    }
    auto content = NewBlock(bufferSize_ + size);
    uint8_t* out = content->MutableData();
    std::memcpy(out, pcm, static_cast<size_t>(position));
    std::memcpy(out + position, block, static_cast<size_t>(size));
    std::memcpy(out + position + size, pcm + position, static_cast<size_t>(bufferSize_ - position));
    return ReplaceBuffer(std::move(content));
}

bool CSampleData::DeleteRange(int32_t start, int32_t end)
{
    start = RoundDown4(start);
    end = RoundDown4(end);
    const uint8_t* pcm = Pcm();
    if (!buffer_ || pcm == nullptr || start < 0 || start > end || end > bufferSize_) {
        return false;
    }
    auto content = NewBlock(bufferSize_ - (end - start));
    std::memcpy(content->MutableData(), pcm, static_cast<size_t>(start));
    std::memcpy(content->MutableData() + start, pcm + end, static_cast<size_t>(bufferSize_ - end));
    return ReplaceBuffer(std::move(content));
}

bool CSampleData::CropTo(int32_t start, int32_t end)
{
    start = RoundDown4(start);
    end = RoundDown4(end);
    const uint8_t* pcm = Pcm();
    if (!buffer_ || pcm == nullptr || start < 0 || start > end || end > bufferSize_) {
        return false;
    }
    auto content = NewBlock(end - start);
    std::memcpy(content->MutableData(), pcm + start, static_cast<size_t>(end - start));
    return ReplaceBuffer(std::move(content));
}

bool CSampleData::Silence(int32_t start, int32_t end)
{
    start = RoundDown4(start);
    end = RoundDown4(end);
    if (start < 0 || start > end || end > bufferSize_) {
        return false;
    }
    const uint8_t zero = format_.bitsPerSample == 8 ? 128 : 0;  // 8-bit silence is the midpoint
    return EditBuffer([&](uint8_t* bytes, int32_t) {
        std::memset(bytes + start, zero, static_cast<size_t>(end - start));
        return true;
    });
}

bool CSampleData::ReplaceSound(const uint8_t* bytes, int32_t size)
{
    if (!buffer_ || bytes == nullptr || size <= 0) {
        return false;
    }
    if (size == bufferSize_) {
        return EditBuffer([&](uint8_t* data, int32_t) {
            std::memcpy(data, bytes, static_cast<size_t>(size));
            return true;
        });
    }
    auto content = NewBlock(size);
    std::memcpy(content->MutableData(), bytes, static_cast<size_t>(size));
    return ReplaceBuffer(std::move(content));
}

bool CSampleData::Revert()
{
    if (!source_ || !device_) {
        return false;
    }
    const bool wasPlaying = IsPlaying();
    stretched_.reset();
    floatLeft_.clear();
    floatRight_.clear();
    if (!MakeBuffer(device_, dataSize_, duration_, source_)) {
        return false;
    }
    if (wasPlaying) {
        Play();
    }
    return true;
}

bool CSampleData::Commit()
{
    if (!buffer_ || !source_) {
        return false;
    }
    const int32_t ms = CMediaReader::DurationMs(bufferSize_, BytesPerSecond());
    source_ = buffer_->Content();  // the block that plays is the sound from now on: no copy
    dataSize_ = bufferSize_;
    duration_ = ms;
    playDuration_ = ms;
    return true;
}

bool CSampleData::ApplyEffect(int offset, int p1, int p2, int32_t start, int32_t end)
{
    const PcmFormat format{sampleRate_, channels_, format_.bitsPerSample};
    return EditBuffer([&](uint8_t* bytes, int32_t size) {
        return ApplyEffectAtOffset(PcmView({bytes, static_cast<size_t>(size)}, format), offset,
                                   EffectParameters{p1, p2}, ByteRange{start, end});
    });
}

// The file describes the sound as written: the sample's rate and bit depth, one channel when
// `mono` is asked (stereo frames then hold the mean of their two channels). The length is
// `lengthMs` in whole frames when it differs from the sample's duration, else the whole sound,
// and never more than the buffer holds.
bool CSampleData::SaveSample(const std::string& path, int32_t lengthMs, bool mono, std::string* error) const
{
    const uint8_t* pcm = Pcm();
    if (!buffer_ || pcm == nullptr || format_.blockAlign == 0) {
        if (error != nullptr) {
            *error = "the sample holds no sound";
        }
        return false;
    }
    const bool toMono = mono && channels_ == 2;
    const int outChannels = mono ? 1 : channels_;
    const int width = format_.bitsPerSample / 8;
    CWaveFormat header = CWaveReader::MakePcmFormat(outChannels == 1, static_cast<uint32_t>(sampleRate_));
    header.bitsPerSample = static_cast<uint16_t>(format_.bitsPerSample);
    header.blockAlign = static_cast<uint16_t>(outChannels * width);
    header.avgBytesPerSec = static_cast<uint32_t>(sampleRate_) * header.blockAlign;
    const int64_t bufferFrames = bufferSize_ / format_.blockAlign;
    int64_t frames = bufferFrames;
    if (lengthMs != playDuration_) {
        frames = int64_t{lengthMs} * sampleRate_ / 1000;
    }
    frames = std::clamp<int64_t>(frames, 0, bufferFrames);
    const auto bytes = static_cast<int32_t>(frames * header.blockAlign);
    CWaveReader writer;
    const auto failed = [&] {
        if (error != nullptr) {
            *error = writer.WriteErrorText();
        }
        return false;
    };
    if (!writer.CreateForWrite(path, header, bytes)) {
        return failed();
    }
    bool ok = true;
    if (!toMono) {
        ok = writer.Write(pcm, bytes) == bytes;
    } else {
        std::vector<uint8_t> out(static_cast<size_t>(bytes));
        for (int64_t f = 0; f < frames; ++f) {
            const uint8_t* at = pcm + f * format_.blockAlign;
            if (width == 2) {
                int16_t l, r;
                std::memcpy(&l, at, 2);
                std::memcpy(&r, at + 2, 2);
                const auto mean = static_cast<int16_t>((int32_t{l} + r) / 2);
                std::memcpy(out.data() + f * 2, &mean, 2);
            } else {
                out[static_cast<size_t>(f)] = static_cast<uint8_t>((at[0] + at[1]) / 2);
            }
        }
        ok = writer.Write(out.data(), bytes) == bytes;
    }
    // Only a complete file replaces what the path held (see COutputFile).
    return (ok && writer.Close(bytes)) || failed();
}

}  // namespace tessaron
