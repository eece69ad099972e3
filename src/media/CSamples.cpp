#include "media/CSamples.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "audioout/CSoundBuffer.h"
#include "framework/CArchive.h"
#include "media/PitchRules.h"

namespace tessaron {

TESSARON_IMPLEMENT_SERIAL(CSamples, CMedia, CRuntimeClass::kVersionable | 2)

namespace {
// type, enabled, period, offset, tempo
constexpr size_t kSmallestEnvelopeBytes = 20;
// Frequencies that a fine pitch may send.
constexpr int32_t kFinePitchLow = 301;
constexpr int32_t kFinePitchHigh = 150000;
}  // namespace

CSamples::CSamples() { ResetSampleFields(); }

CSamples::CSamples(const std::string& path, const std::string& newName, int rate, int lengthMs,
                   const std::string& newArtist, const std::string& newGenre, float newTempo, int newStartOffset,
                   int newVolume, int newPan)
    : CMedia(path, newName, rate, lengthMs, newArtist, newGenre, newTempo, newStartOffset, newVolume, newPan)
{
    ResetSampleFields();
}

CSamples::~CSamples() { DropSampleData(); }

void CSamples::ResetSampleFields()
{
    kind = kKindSample;
    stretchMode = stretchOption = stretchValue = 0;
    savedStart = savedEnd = -1;
    edited = uncommitted = 0;
    duplicatesWanted_ = 0;
}

void CSamples::ResetSettings()
{
    CMedia::ResetSettings();
    DropSampleData();
    ResetSampleFields();
}

void CSamples::Store(CArchive& ar)
{
    CMedia::Store(ar);
    ar.WriteInt(stretchMode);
    ar.WriteInt(stretchOption);
    ar.WriteInt(stretchValue);
    ar.WriteInt(static_cast<int32_t>(duplicates_.size()));
    ar.WriteInt(static_cast<int32_t>(attached_.size()));
    for (const auto& envelope : attached_) {
        envelope->Store(ar);
    }
}

void CSamples::Load(CArchive& ar)
{
    CMedia::Load(ar);
    stretchMode = std::min(ar.ReadInt(), 2);
    stretchOption = ar.ReadInt();
    stretchValue = ar.ReadInt();
    ar.ReadInt();  // duplicates are remade when the sample opens
    const int32_t count = ar.ReadInt();
    ar.CheckCount(count, kSmallestEnvelopeBytes, "envelope");
    ClearAttached();
    for (int32_t i = 0; i < count; ++i) {
        const int32_t type = ar.ReadInt();
        auto envelope = CEnvelope::Create(type);
        if (!envelope) {
            // Its size is unknown, so nothing after it could be read correctly.
            throw CArchiveException(CArchiveException::Cause::Generic,
                                    "sample '" + name + "' has an envelope of unknown type " + std::to_string(type));
        }
        envelope->Load(ar);
        Attach(std::move(envelope));
    }
    kind = kKindSample;
}

void CSamples::Attach(std::unique_ptr<CEnvelope> envelope)
{
    if (sampleData_) {
        envelope->Attach(sampleData_.get());
        sampleData_->Attach(envelope.get());
    }
    attached_.push_back(std::move(envelope));
}

void CSamples::ClearAttached()
{
    if (sampleData_) {
        sampleData_->ClearAttached();
    }
    attached_.clear();
}

void CSamples::NewSampleData()
{
    DropSampleData();
    sampleData_ = std::make_unique<CSampleData>();
    for (const auto& envelope : attached_) {
        envelope->Attach(sampleData_.get());
        sampleData_->Attach(envelope.get());
    }
}

void CSamples::DropSampleData()
{
    duplicates_.clear();  // they point at the sample data
    for (const auto& envelope : attached_) {
        envelope->Attach(nullptr);
    }
    sampleData_.reset();
}

void CSamples::TakeSoundFields()
{
    SetSampleRate(sampleData_->SampleRate());
    dataSize = sampleData_->DataSize();
    duration = sampleData_->FileDuration();
}

bool CSamples::IsDevicePlaying() const { return sampleData_ && sampleData_->IsPlaying(); }

void CSamples::Unmute()
{
    muteFlag = 0;
    ApplyVolume();
}

void CSamples::Mute()
{
    muteFlag = 1;
    if (sampleData_) {
        sampleData_->SetVolume(-1000);
    }
}

bool CSamples::OpenForInfo(int, const std::string& path)
{
    NewSampleData();
    if (!sampleData_->LoadFile(path, 0, 0)) {
        DropSampleData();
        return false;
    }
    TakeSoundFields();
    return true;
}

void CSamples::ReleaseData()
{
    sampleRate = 0;
    dataSize = 0;
    duration = 0;
    DropSampleData();
}

bool CSamples::Open(CSoundDevice* device, float songTempo)
{
    if (device == nullptr) {
        return false;
    }
    CMedia::Open(device, songTempo);
    outputDevice_ = device;
    NewSampleData();
    // The whole file is asked for as (0, 0); a range not yet known (end 0) loads everything.
    int32_t from = startOffset;
    int32_t to = endOffset;
    if ((from == 0 && to == duration) || to <= from) {
        from = to = 0;
    }
    savedStart = savedEnd = -1;
    uncommitted = 0;
    const auto mode = static_cast<TempoMode>(std::clamp(stretchMode, 0, 2));
    bool ok = sampleData_->LoadFile(filePath, from, to);
    if (ok) {
        sampleData_->SetLoop(IsLoop());
        // A fit that fails (a sample without a tempo) leaves the sound as it is.
        if (songTempo == 0.0f || songTempo == tempo || mode == TempoMode::None ||
            !sampleData_->FitTempo(mode, stretchOption, stretchValue, tempo, songTempo)) {
            sampleData_->SetTempoMode(mode);
        }
        ok = sampleData_->Open(device);
    }
    if (!ok) {
        DropSampleData();
        loaded = 2;
        return false;
    }
    FinishOpen(true);
    return true;
}

bool CSamples::OpenFromMemory(CSoundDevice* device, float songTempo, const void* pcm, int size,
                              const CWaveFormat& format)
{
    if (device == nullptr) {
        return false;
    }
    CMedia::Open(device, songTempo);
    outputDevice_ = device;
    NewSampleData();
    savedStart = savedEnd = -1;
    uncommitted = 0;
    sampleData_->SetLoop(IsLoop());
    if (!sampleData_->LoadMemory(device, pcm, size, format, tempo, songTempo)) {
        DropSampleData();
        loaded = 2;
        return false;
    }
    FinishOpen(false);
    return true;
}

void CSamples::FinishOpen(bool remakeDuplicates)
{
    TakeSoundFields();
    if (endOffset == 0) {
        endOffset = duration;
    }
    if (remakeDuplicates) {
        RemakeDuplicates();
    }
    ApplyVolume();
    ApplyPan();
    ApplyPitch();
}

void CSamples::Close()
{
    CMedia::Close();
    DropSampleData();
    events.clear();
    savedStart = savedEnd = -1;
    uncommitted = 0;
}

bool CSamples::Play()
{
    if (!sampleData_) {
        return false;
    }
    CMedia::Play();
    sampleData_->SetLoop(IsLoop());
    const bool ok = sampleData_->Play();
    ++playCount;
    return ok;
}

void CSamples::Stop()
{
    CMedia::Stop();
    if (sampleData_) {
        sampleData_->Stop();
    }
}

void CSamples::Reset()
{
    CMedia::Reset();
    Stop();
    Close();
}

int CSamples::SetPosition(int ms)
{
    if (sampleData_) {
        const int64_t bytes = int64_t{std::max(0, ms)} * sampleData_->BytesPerSecond() / 1000;
        sampleData_->SetPlayCursor(static_cast<int32_t>(std::min<int64_t>(bytes, INT32_MAX)));
    }
    return 1;
}

int CSamples::CurrentPeak(float)
{
    // The peak reads the buffer's own sound, so its cursor needs no scaling for a fitted tempo.
    return sampleData_ ? sampleData_->Peak(sampleData_->PlayCursor(), 32, -1) : 0;
}

float CSamples::TakeOutputPeak()
{
    float peak = 0.0f;
    if (sampleData_ && sampleData_->Buffer()) {
        peak = sampleData_->Buffer()->TakePeak();
    }
    for (const auto& duplicate : duplicates_) {
        if (duplicate->Buffer()) {
            peak = std::max(peak, duplicate->Buffer()->TakePeak());
        }
    }
    return peak;
}

int CSamples::MoveToDevice(CSoundDevice* device)
{
    if (device == nullptr) {
        return 0;
    }
    if (loaded != 1 || !sampleData_) {
        outputDevice_ = device;
        return 1;
    }
    duplicates_.clear();  // they live on the old device
    const bool moved = sampleData_->MoveToDevice(device);
    if (moved) {
        outputDevice_ = device;
    }
    RemakeDuplicates();
    return moved ? 1 : 0;
}

int CSamples::Reopen(float songTempo)
{
    const bool wasPlaying = IsDevicePlaying();
    const bool wasOpen = loaded == 1;
    // A reopen reloads the sound; the medium's events and observers stay with it.
    auto keptEvents = events;
    IMediaObserver* keptObserver = observer;
    IMediaObserver* keptObserver2 = observer2;
    Reset();
    events = std::move(keptEvents);
    observer = keptObserver;
    observer2 = keptObserver2;
    if (wasOpen && Open(outputDevice_, songTempo) && wasPlaying) {
        Play();
    }
    return 1;
}

void CSamples::Refit(TempoMode mode, float songTempo)
{
    if (songTempo == tempo || mode == TempoMode::None) {
        sampleData_->FitTempo(TempoMode::None, stretchOption, stretchValue, songTempo, songTempo);
    } else {
        sampleData_->FitTempo(mode, stretchOption, stretchValue, tempo, songTempo);
    }
    sampleData_->SetTempoMode(mode);
}

int CSamples::ChangeTempo(float songTempo)
{
    if (!sampleData_ || stretchMode == 0) {
        return 0;
    }
    Refit(static_cast<TempoMode>(std::clamp(stretchMode, 0, 2)), songTempo);
    ApplyPitch();  // pitch sits on the new base rate
    return 1;
}

void CSamples::ApplySongTempo(int mode, float songTempo)
{
    if (!sampleData_) {
        return;
    }
    const auto tempoMode = static_cast<TempoMode>(std::clamp(mode, 0, 2));
    sampleData_->SetTempoMode(tempoMode);
    if (loaded != 1) {
        return;
    }
    const bool wasPlaying = IsDevicePlaying();
    sampleData_->Stop();
    Refit(tempoMode, songTempo);
    ApplyVolume();
    ApplyPan();
    ApplyPitch();
    if (wasPlaying) {
        sampleData_->Play();
    }
}

void CSamples::EstimateBeats()
{
    const int d = duration;
    if (d > 20000) {
        beatCount = 0;
        return;
    }
    const double x = d / 750.0;
    if (x > 2.0) {
        const int n = static_cast<int>(x);
        int count = 1;
        while (count <= n) {
            count *= 2;
        }
        beatCount = count;
    } else {
        beatCount = d >= 750 ? 2 : 1;
    }
}

void CSamples::TempoFromBeats()
{
    if (beatCount != 0) {
        tempo = TempoFromLength(duration, beatCount);
    }
}

void CSamples::SetTempoPercent(double percent, bool)
{
    if (sampleData_) {
        sampleData_->SetTempoPercent(percent);
    }
}

void CSamples::ApplyVolume()
{
    if (muteFlag == 0 && sampleData_) {
        sampleData_->SetVolume(volume);
    }
}

void CSamples::SetVolume(int newVolume)
{
    CMedia::SetVolume(newVolume);
    ApplyVolume();
}

void CSamples::SendVolume(int value)
{
    if (muteFlag == 0 && sampleData_) {
        sampleData_->SetVolume(value);
    }
}

void CSamples::ApplyPan()
{
    if (sampleData_) {
        sampleData_->SetPan(pan);
    }
}

void CSamples::SetPan(int newPan)
{
    CMedia::SetPan(newPan);
    ApplyPan();
}

void CSamples::SendPan(int value)
{
    if (sampleData_) {
        sampleData_->SetPan(value);
    }
}

void CSamples::ApplyPitch()
{
    if (sampleData_) {
        // On top of the rate a tempo fit chose, so that pitch and fit add up.
        sampleData_->SetFrequency(RateForSemitones(sampleData_->PlayRate(), pitch / 100));
    }
}

void CSamples::SetPitch(int semitones)
{
    CMedia::SetPitch(semitones);
    ApplyPitch();
}

void CSamples::SetPitchFloat(float cents)
{
    if (!sampleData_) {
        return;
    }
    const int32_t rate = RateForCents(sampleData_->PlayRate(), static_cast<int32_t>(cents));
    if (rate >= kFinePitchLow && rate < kFinePitchHigh) {
        sampleData_->SetFrequency(rate);
    }
}

int CSamples::GetChannels() const { return sampleData_ ? sampleData_->Channels() : CMedia::GetChannels(); }
int CSamples::GetSampleRate() const { return sampleData_ ? sampleData_->SampleRate() : CMedia::GetSampleRate(); }
int CSamples::GetPlaybackRate() const { return sampleData_ ? sampleData_->PlayRate() : CMedia::GetPlaybackRate(); }
int CSamples::GetBitsPerSample() const
{
    return sampleData_ ? sampleData_->BitsPerSample() : CMedia::GetBitsPerSample();
}
int CSamples::GetBlockAlign() const { return sampleData_ ? sampleData_->BlockAlign() : CMedia::GetBlockAlign(); }
const uint8_t* CSamples::GetPcm() const { return sampleData_ ? sampleData_->Pcm() : CMedia::GetPcm(); }
int CSamples::GetPlayCursor() const { return sampleData_ ? sampleData_->PlayCursor() : CMedia::GetPlayCursor(); }
int CSamples::GetBytesPerSecond() const
{
    return sampleData_ ? sampleData_->BytesPerSecond() : CMedia::GetBytesPerSecond();
}
int64_t CSamples::MemoryHeld() const { return sampleData_ ? sampleData_->HeldBytes() : CMedia::MemoryHeld(); }

int CSamples::GetDataSize() const { return sampleData_ ? sampleData_->BufferSize() : CMedia::GetDataSize(); }
int CSamples::GetDuration() const { return sampleData_ ? sampleData_->PlayDuration() : CMedia::GetDuration(); }

bool CSamples::MakeDuplicates(int count)
{
    DestroyDuplicates();
    if (!sampleData_ || count < 0 || count > kMaxDuplicates) {
        return false;
    }
    for (int i = 1; i <= count; ++i) {
        auto duplicate = std::make_unique<CSampleData>();
        if (!duplicate->MakeDuplicate(*sampleData_, i)) {
            DestroyDuplicates();
            return false;
        }
        duplicates_.push_back(std::move(duplicate));
    }
    duplicatesWanted_ = count;
    return true;
}

void CSamples::RemakeDuplicates()
{
    const int wanted = duplicatesWanted_;
    duplicates_.clear();
    if (wanted > 0 && sampleData_ && sampleData_->HasBuffer()) {
        MakeDuplicates(wanted);
    }
}

const CSampleData* CSamples::Duplicate(int index) const
{
    return index >= 1 && index <= DuplicateCount() ? duplicates_[static_cast<size_t>(index - 1)].get() : nullptr;
}

bool CSamples::PlayDuplicate(int index, int value)
{
    if (index < 1 || index > DuplicateCount()) {
        return false;
    }
    CSampleData& duplicate = *duplicates_[static_cast<size_t>(index - 1)];
    duplicate.SetFrequency(RateForSemitones(duplicate.SampleRate(), index + 1));
    duplicate.SetVolume(value);
    duplicate.SetLoop(IsLoop());
    return duplicate.Play();
}

void CSamples::StopDuplicate(int index)
{
    if (index >= 1 && index <= DuplicateCount()) {
        duplicates_[static_cast<size_t>(index - 1)]->Stop();
    }
}

void CSamples::StopAllDuplicates()
{
    for (const auto& duplicate : duplicates_) {
        duplicate->Stop();
    }
}

void CSamples::DestroyDuplicates()
{
    duplicates_.clear();
    duplicatesWanted_ = 0;
}

}  // namespace tessaron
