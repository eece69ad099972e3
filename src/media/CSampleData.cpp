#include "media/CSampleData.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "audiofile/CMediaReader.h"
#include "audiofile/CWaveReader.h"
#include "audiofile/ReaderChoice.h"
#include "audioout/CSoundBuffer.h"
#include "audioout/CSoundDevice.h"
#include "audioout/SoundBlock.h"
#include "media/PitchRules.h"
#include "media/SegmentSplicer.h"

namespace tessaron {

namespace {

WaveFormat BufferFormat(const CMediaReader& reader)
{
    WaveFormat f;
    f.formatTag = reader.FormatTag();
    f.channels = static_cast<uint16_t>(reader.Channels());
    f.samplesPerSec = static_cast<uint32_t>(reader.SampleRate());
    f.avgBytesPerSec = static_cast<uint32_t>(reader.GetBytesPerSecond());
    f.blockAlign = static_cast<uint16_t>(reader.BlockAlign());
    f.bitsPerSample = static_cast<uint16_t>(reader.BitsPerSample());
    return f;
}

uint8_t SilenceByte(const WaveFormat& format) { return format.bitsPerSample == 16 ? 0 : 128; }

bool FrequencyAllowed(int32_t hertz)
{
    return hertz == 0 || (hertz >= static_cast<int32_t>(BufferLimits::FrequencyMin) &&
                          hertz <= static_cast<int32_t>(BufferLimits::FrequencyMax));
}

// One channel of interleaved 16-bit PCM out to its own samples and back. The bytes go through
// memcpy because the PCM may sit at any address.
void CopyChannel(const uint8_t* pcm, int channel, int step, int64_t frames, int16_t* out)
{
    const uint8_t* at = pcm + 2 * channel;
    for (int64_t f = 0; f < frames; ++f, at += 2 * step) {
        std::memcpy(&out[f], at, 2);
    }
}

void PlaceChannel(const int16_t* in, int64_t frames, int channel, int step, uint8_t* pcm)
{
    uint8_t* at = pcm + 2 * channel;
    for (int64_t f = 0; f < frames; ++f, at += 2 * step) {
        std::memcpy(at, &in[f], 2);
    }
}

}  // namespace

CSampleData::CSampleData() = default;

CSampleData::~CSampleData()
{
    Stop();
    buffer_.reset();
    attached_.clear();
}

void CSampleData::TakeReaderFields()
{
    format_ = BufferFormat(*reader_);
    dataSize_ = reader_->LoadedSize();
    duration_ = reader_->LoadedDuration();
    fileDuration_ = reader_->GetDuration();
    sampleRate_ = reader_->SampleRate();
    channels_ = reader_->Channels();
    sourceValue1_ = reader_->FormatTag();
    sourceValue2_ = static_cast<int32_t>(reader_->Kind());
    bufferSize_ = dataSize_;
    playDuration_ = duration_;
}

bool CSampleData::TakeReader(std::unique_ptr<CMediaReader> reader)
{
    const int32_t size = reader->LoadedSize();
    std::unique_ptr<uint8_t[]> bytes = reader->TakeData();
    if (!bytes || size < 0) {
        return false;
    }
    source_ = std::make_shared<const SoundBlock>(std::move(bytes), static_cast<uint32_t>(size));
    stretched_.reset();
    reader_ = std::move(reader);
    TakeReaderFields();
    return true;
}

bool CSampleData::LoadFile(const std::string& path, int32_t startMs, int32_t endMs)
{
    auto reader = LoadMediaFile(path, startMs, endMs);
    return reader && TakeReader(std::move(reader));
}

bool CSampleData::LoadMemory(CSoundDevice* device, const void* pcm, int32_t size, const CWaveFormat& format,
                             float tempo, float newTempo)
{
    auto reader = std::make_unique<CWaveReader>();
    if (!reader->WrapMemory(pcm, size, format) || !TakeReader(std::move(reader))) {
        return false;
    }
    if (!Open(device)) {
        return false;
    }
    if (newTempo != 0.0f) {
        FitTempo(TempoMode::Rate, 0, 0, tempo, newTempo);  // a sample without a tempo stays unfitted
    }
    return true;
}

bool CSampleData::Open(CSoundDevice* device)
{
    if (reader_ && source_) {
        Block content = TakeContent();
        if (content && MakeBuffer(device, bufferSize_, playDuration_, std::move(content))) {
            return true;
        }
    }
    buffer_.reset();
    reader_.reset();
    source_.reset();
    stretched_.reset();
    return false;
}

bool CSampleData::CreateBuffer(CSoundDevice* device, int32_t bytes, int32_t ms)
{
    return MakeBuffer(device, bytes, ms, nullptr);
}

bool CSampleData::MakeBuffer(CSoundDevice* device, int32_t bytes, int32_t ms, Block content)
{
    if (device == nullptr || bytes <= 0 || !format_.IsPlayablePcm()) {
        return false;
    }
    SoundBufferDesc desc;
    desc.flags = BufferCaps::Static | BufferCaps::CtrlFrequency;
    if ((bufferFlags_ & kAskHardware) != 0) {
        desc.flags |= BufferCaps::LocHardware;
    }
    if ((bufferFlags_ & kAskSoftware) != 0) {
        desc.flags |= BufferCaps::LocSoftware;
    }
    desc.flags |= BufferCaps::GlobalFocus | BufferCaps::CtrlVolume | BufferCaps::CtrlPan;
    desc.bufferBytes = static_cast<uint32_t>(bytes);
    desc.format = &format_;
    auto created = device->CreateSecondary(desc, std::move(content));
    if (!created) {
        return false;
    }
    // The new buffer keeps the old one's level and pan: edits and refits replace the buffer
    // under a sample that keeps its settings.
    if (buffer_) {
        created->SetVolume(buffer_->GetVolume());
        created->SetPan(buffer_->GetPan());
        buffer_->Stop();
    }
    buffer_ = std::move(created);
    bufferDesc_ = desc;
    device_ = device;
    inHardware_ = (buffer_->GetCaps().flags & BufferCaps::LocHardware) != 0;
    bufferSize_ = bytes;
    playDuration_ = ms;
    Rewind();
    refresh_ = true;
    return true;
}

void CSampleData::SetFloatCopy(std::vector<float> left, std::vector<float> right)
{
    floatLeft_ = std::move(left);
    floatRight_ = std::move(right);
}

CSampleData::Block CSampleData::TakeContent()
{
    const auto size = static_cast<uint32_t>(std::max(0, bufferSize_));
    if (!floatLeft_.empty()) {
        const int32_t align = format_.blockAlign;
        const bool wide = format_.bitsPerSample == 16;
        auto block = std::make_shared<SoundBlock>(size, SilenceByte(format_));
        uint8_t* pcm = block->MutableData();
        const size_t frames = std::min<size_t>(floatLeft_.size(), size / static_cast<uint32_t>(align));
        for (size_t f = 0; f < frames; ++f) {
            for (int c = 0; c < channels_; ++c) {
                const std::vector<float>& plane = c == 0 || floatRight_.empty() ? floatLeft_ : floatRight_;
                const float value = f < plane.size() ? plane[f] : 0.0f;
                uint8_t* at = pcm + f * static_cast<size_t>(align) + static_cast<size_t>(c) * (wide ? 2 : 1);
                if (wide) {
                    // Clipped: 1.0 × 32768 would wrap to the opposite extreme.
                    const auto v = static_cast<int16_t>(std::clamp(std::trunc(value * 32768.0f), -32768.0f, 32767.0f));
                    std::memcpy(at, &v, sizeof v);
                } else {
                    *at = static_cast<uint8_t>(std::clamp(std::trunc(value * 128.0f), -128.0f, 127.0f) + 128.0f);
                }
            }
        }
        floatLeft_.clear();
        floatRight_.clear();
        return block;
    }
    Block content = stretched_ ? std::exchange(stretched_, nullptr) : source_;
    if (!content || content->Size() == size) {
        return content;
    }
    // A sound of another length than the buffer: cut, or padded with silence.
    auto block = std::make_shared<SoundBlock>(size, SilenceByte(format_));
    std::memcpy(block->MutableData(), content->Data(), std::min(size, content->Size()));
    return block;
}

bool CSampleData::Fill(int32_t bytes)
{
    if (!buffer_ || !source_) {
        return false;
    }
    bytes = std::clamp(bytes, 0, bufferSize_);
    Block content = TakeContent();
    if (!content) {
        return false;
    }
    if (bytes == bufferSize_) {
        return buffer_->Replace(std::move(content));
    }
    // Part of the buffer: the rest keeps what it holds.
    Block current = buffer_->Content();
    auto block = std::make_shared<SoundBlock>(*current);
    std::memcpy(block->MutableData(), content->Data(), static_cast<size_t>(bytes));
    return buffer_->Replace(std::move(block));
}

const uint8_t* CSampleData::Pcm() const
{
    if (parent_ != nullptr) {
        return parent_->Pcm();
    }
    if (buffer_) {
        return buffer_->Content()->Data();  // the memory keeps the block until the next change
    }
    return SourcePcm();
}

const uint8_t* CSampleData::SourcePcm() const { return source_ ? source_->Data() : nullptr; }

int64_t CSampleData::HeldBytes() const
{
    if (parent_ != nullptr) {
        return 0;
    }
    int64_t held = source_ ? source_->Size() : 0;
    const auto add = [&](const Block& block) {
        if (block && block != source_) {
            held += block->Size();
        }
    };
    if (buffer_) {
        add(buffer_->Content());
    }
    add(stretched_);
    held += static_cast<int64_t>((floatLeft_.size() + floatRight_.size()) * sizeof(float));
    return held;
}

int32_t CSampleData::BaseRate() const
{
    return tempoMode_ == TempoMode::Rate && rateFrequency_ != 0 ? rateFrequency_ : sampleRate_;
}

int32_t CSampleData::PlayRate() const { return BaseRate(); }

bool CSampleData::Play()
{
    if (!buffer_) {
        return false;
    }
    if (playing_) {
        Stop();
    }
    if (!rewound_) {
        Rewind();
    }
    // A pitch or tempo change sent since the last fit stays in force across plays.
    buffer_->SetFrequency(static_cast<uint32_t>(frequency_ != 0 ? frequency_ : BaseRate()));
    if (!buffer_->Play(loop_ ? PlayFlags::Looping : 0)) {
        return false;
    }
    playing_ = true;
    rewound_ = false;
    return true;
}

void CSampleData::Stop()
{
    if (buffer_ && playing_) {
        buffer_->Stop();
        playing_ = false;
    }
}

void CSampleData::Rewind()
{
    if (buffer_) {
        buffer_->SetCurrentPosition(0);
        rewound_ = true;
    }
}

void CSampleData::SetPlayCursor(int32_t bytes)
{
    if (buffer_) {
        buffer_->SetCurrentPosition(bytes >= 0 && bytes < bufferSize_ ? static_cast<uint32_t>(bytes) : 0);
        rewound_ = true;  // the next play starts here, not at the start
    }
}

int32_t CSampleData::PlayCursor() const
{
    uint32_t play = 0;
    if (!buffer_ || !buffer_->GetCurrentPosition(&play, nullptr)) {
        return 0;
    }
    return static_cast<int32_t>(play);
}

int CSampleData::SetVolume(int32_t volume)
{
    if (buffer_) {
        buffer_->SetVolume(std::clamp(volume, -1000, 0) * 10);
    }
    return 1;
}

int CSampleData::SetPan(int32_t pan)
{
    if (buffer_) {
        buffer_->SetPan(std::clamp(pan, -1000, 1000) * 10);
    }
    return 1;
}

bool CSampleData::AddVolume(int32_t delta)
{
    volumeOffset_ += delta;
    return buffer_ && buffer_->SetVolume(std::clamp(volumeOffset_, -1000, 0) * 10);
}

bool CSampleData::AddPan(int32_t delta)
{
    panOffset_ += delta;
    return buffer_ && buffer_->SetPan(std::clamp(panOffset_, -1000, 1000) * 10);
}

bool CSampleData::SetFrequency(int32_t hertz)
{
    if (!buffer_ || !FrequencyAllowed(hertz) || !buffer_->SetFrequency(static_cast<uint32_t>(hertz))) {
        return false;
    }
    frequency_ = hertz;
    return true;
}

void CSampleData::SetTempoPercent(double percent)
{
    const int32_t rate = rateFrequency_ != 0 ? rateFrequency_ : sampleRate_;
    SetFrequency(RateForTempoPercent(rate, percent));
}

void CSampleData::SetDuplicatePitch(int32_t semitones)
{
    const int32_t parentPitch = parent_ ? parent_->pitch_ : 0;
    SetFrequency(RateForSemitones(sampleRate_, pitch_ / 100 + semitones + parentPitch / 100));
}

void CSampleData::SetDuplicatePitchFine(int32_t cents)
{
    const int32_t parentPitch = parent_ ? parent_->pitch_ : 0;
    SetFrequency(RateForCents(sampleRate_, pitch_ + cents + parentPitch));
}

bool CSampleData::IsPlaying() const
{
    return buffer_ && (buffer_->GetStatus() & BufferStatus::Playing) != 0;
}

bool CSampleData::Stretch(float oldTempo, float newTempo, Block& out) const
{
    const int32_t align = format_.blockAlign;
    const int64_t inFrames = dataSize_ / align;
    // Multiplied before dividing, so that 100 -> 120 BPM gives exactly five sixths.
    const auto outFrames = static_cast<int64_t>(static_cast<double>(dataSize_) * oldTempo / newTempo) / align;
    const float ratio = oldTempo / newTempo;
    if (inFrames <= 0 || outFrames <= 0 || static_cast<int64_t>(outFrames) * align > CMediaReader::kMaxDataBytes) {
        return false;
    }
    const SegmentSplicer splicer({ratio, kStretchMinLag, kStretchMaxLag, kStretchWindow});
    const bool wide = format_.bitsPerSample == 16;
    const uint8_t* pcm = source_->Data();
    // Every byte is written below, channel by channel.
    auto block = std::make_shared<SoundBlock>(static_cast<uint32_t>(outFrames * align));
    uint8_t* written = block->MutableData();
    // Every sample of both is written before it is read: no need to clear them first.
    auto channelIn = std::make_unique_for_overwrite<int16_t[]>(static_cast<size_t>(inFrames));
    auto channelOut = std::make_unique_for_overwrite<int16_t[]>(static_cast<size_t>(outFrames));
    const int step = align / (wide ? 2 : 1);  // samples from one frame to the next
    // Each channel on its own; 8-bit sound goes through 16 bits so that one splicer serves.
    for (int c = 0; c < channels_; ++c) {
        if (wide) {
            CopyChannel(pcm, c, step, inFrames, channelIn.get());
        } else {
            for (int64_t f = 0; f < inFrames; ++f) {
                channelIn[static_cast<size_t>(f)] = static_cast<int16_t>((pcm[f * align + c] - 128) * 256);
            }
        }
        if (!splicer.Run(channelIn.get(), inFrames, channelOut.get(), outFrames)) {
            return false;
        }
        if (wide) {
            PlaceChannel(channelOut.get(), outFrames, c, step, written);
        } else {
            for (int64_t f = 0; f < outFrames; ++f) {
                written[f * align + c] = static_cast<uint8_t>(channelOut[static_cast<size_t>(f)] / 256 + 128);
            }
        }
    }
    out = std::move(block);
    return true;
}

bool CSampleData::RestoreOwnLength()
{
    stretched_.reset();
    if (!buffer_ || buffer_->Content() == source_) {
        bufferSize_ = dataSize_;
        playDuration_ = duration_;
        return true;
    }
    const bool wasPlaying = IsPlaying();
    if (!MakeBuffer(device_, dataSize_, duration_, source_)) {
        return false;
    }
    if (wasPlaying) {
        Play();
    }
    return true;
}

bool CSampleData::FitTempo(TempoMode mode, int32_t, int32_t, float oldTempo, float newTempo)
{
    if (oldTempo == 0.0f || newTempo == 0.0f || !source_) {
        return false;
    }
    const float ratio = oldTempo / newTempo;
    if (mode == TempoMode::Stretch) {
        Block stretched;
        if (!Stretch(oldTempo, newTempo, stretched)) {
            return false;
        }
        const auto bytes = static_cast<int32_t>(stretched->Size());
        const auto ms = static_cast<int32_t>(static_cast<double>(duration_) * oldTempo / newTempo);
        if (buffer_) {
            const bool wasPlaying = IsPlaying();
            if (!MakeBuffer(device_, bytes, ms, std::move(stretched))) {
                return false;
            }
            if (wasPlaying) {
                Play();
            }
        } else {
            stretched_ = std::move(stretched);  // waits for Open
            bufferSize_ = bytes;
            playDuration_ = ms;
        }
        rateFrequency_ = 0;
    } else {
        if (!RestoreOwnLength()) {
            return false;
        }
        rateFrequency_ = 0;
        if (mode == TempoMode::Rate) {
            rateFrequency_ = static_cast<int32_t>(static_cast<double>(sampleRate_) * newTempo / oldTempo);
            playDuration_ = static_cast<int32_t>(static_cast<double>(duration_) * oldTempo / newTempo);
        }
    }
    tempoMode_ = mode;
    targetTempo_ = newTempo;
    ratio_ = ratio;
    frequency_ = 0;  // the fit sets a new base rate; pitch is applied again on top of it
    if (buffer_ && IsPlaying()) {
        buffer_->SetFrequency(static_cast<uint32_t>(BaseRate()));
    }
    return true;
}

bool CSampleData::MakeDuplicate(CSampleData& source, int32_t index)
{
    if (!source.buffer_ || !source.device_) {
        return false;
    }
    auto copy = source.device_->DuplicateSecondary(*source.buffer_);
    if (!copy) {
        return false;
    }
    Stop();
    buffer_ = std::move(copy);
    device_ = source.device_;
    loop_ = source.loop_;
    format_ = source.format_;
    bufferDesc_ = source.bufferDesc_;
    bufferDesc_.format = &format_;
    dataSize_ = source.dataSize_;
    bufferSize_ = source.bufferSize_;
    duration_ = source.duration_;
    fileDuration_ = source.fileDuration_;
    playDuration_ = source.playDuration_;
    sampleRate_ = source.sampleRate_;
    channels_ = source.channels_;
    tempoMode_ = source.tempoMode_;
    rateFrequency_ = source.rateFrequency_;
    parent_ = &source;
    pitch_ = index;
    rewound_ = true;
    return true;
}

bool CSampleData::MoveToDevice(CSoundDevice* device)
{
    if (device == nullptr || !buffer_) {
        return false;
    }
    if (device == device_) {
        return true;
    }
    const bool wasPlaying = IsPlaying();
    const int32_t cursor = PlayCursor();
    const int32_t frequency = frequency_;
    // Both devices' mixers may read the block: it is shared, never copied.
    if (!MakeBuffer(device, bufferSize_, playDuration_, buffer_->Content())) {
        return false;
    }
    frequency_ = frequency;
    if (wasPlaying) {
        SetPlayCursor(cursor);
        rewound_ = true;  // resume where it was
        Play();
    }
    return true;
}

}  // namespace tessaron
