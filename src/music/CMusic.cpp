#include "music/CMusic.h"

#include <algorithm>
#include <cmath>

#include "audiofile/FileTypes.h"
#include "framework/CArchive.h"
#include "media/PitchRules.h"
#include "music/CMusicEngine.h"

namespace tessaron {

TESSARON_IMPLEMENT_SERIAL(CMusic, CMedia, CRuntimeClass::kVersionable | 2)

namespace {
// More markers than this cannot be meant; such a count comes from a damaged file.
constexpr int32_t kMaxMarkers = 65536;
constexpr int32_t kSilent = -10000;  // hundredths of a decibel
constexpr int kModeWord = 13;
constexpr int kModeWordFlagged = 15;
}  // namespace

CMusic::CMusic() { kind = kKindMusic; }

CMusic::CMusic(const std::string& path, const std::string& mediumName, int rate, int lengthMs,
               const std::string& artistName, const std::string& genreName, float mediumTempo, int start,
               int mediumVolume, int mediumPan)
    : CMedia(path, mediumName, rate, lengthMs, artistName, genreName, mediumTempo, start, mediumVolume, mediumPan)
{
    kind = kKindMusic;
}

CMusic::~CMusic() { engine_.reset(); }

void CMusic::ResetSettings()
{
    CMedia::ResetSettings();
    kind = kKindMusic;
}

void CMusic::Store(CArchive& ar)
{
    markerCount = static_cast<int32_t>(markers.size());
    CMedia::Store(ar);
}

void CMusic::Load(CArchive& ar)
{
    CMedia::Load(ar);
    markers.assign(markerCount >= 0 && markerCount <= kMaxMarkers ? static_cast<size_t>(markerCount) : 0, 0);
    kind = kKindMusic;
}

bool CMusic::HasOpenEngine() const { return engine_ && engine_->IsOpened(); }

bool CMusic::IsPlaying() const { return HasOpenEngine() && engine_->IsPlaying(); }
bool CMusic::IsStopped() const { return !IsPlaying(); }
bool CMusic::IsArmed() const { return engine_ && engine_->IsArmed(); }

void CMusic::SetArmed(bool armed)
{
    if (engine_) {
        engine_->SetArmed(armed);
    }
}

void CMusic::SetLoop(bool loop)
{
    CMedia::SetLoop(loop);
    if (engine_) {
        engine_->SetLoop(IsLoop());
    }
}

void CMusic::Unmute()
{
    muted_ = false;
    ApplyVolume();
}

void CMusic::Mute()
{
    muted_ = true;
    if (engine_) {
        engine_->SetVolume(kSilent);
    }
}

void CMusic::TakeFormatInfo()
{
    const CFormatInfo info = engine_->FormatInfo();
    formatInfo.fill(0);
    uint32_t bitRate = static_cast<uint32_t>(info.bytesPerSecond) * 8;
    if (info.mpeg) {
        formatInfo[0] = info.mpeg->version == MpegVersion::Mpeg1 ? 1 : 2;
        formatInfo[1] = static_cast<uint8_t>(info.mpeg->layer);
        formatInfo[2] = static_cast<uint8_t>(info.mpeg->channelMode);
        bitRate = static_cast<uint32_t>(info.mpeg->bitRateKbps) * 1000;
    } else {
        formatInfo[2] = IsWavFile(filePath) ? 10 : 100;  // PCM, or another decoded audio file
    }
    formatInfo[3] = static_cast<uint8_t>(info.bitsPerSample);
    for (int i = 0; i < 4; ++i) {
        formatInfo[static_cast<size_t>(4 + i)] = static_cast<uint8_t>(bitRate >> (8 * i));
    }
}

bool CMusic::OpenForInfo(int, const std::string& path)
{
    engine_ = std::make_unique<CMusicEngine>();
    networkStream_ = IsNetworkPath(path);
    engine_->SetNetworkStream(networkStream_);
    if (!engine_->ReadHeader(path)) {
        openFailure_ = networkStream_ ? "Network streams cannot be played: " + path : std::string();
        engine_.reset();
        return false;
    }
    sampleRate = engine_->SampleRate();
    duration = engine_->LengthMs();
    dataSize = engine_->DataSize();
    TakeFormatInfo();
    return true;
}

void CMusic::ReleaseData()
{
    if (engine_) {
        engine_->Close();
    }
    engine_.reset();
}

int CMusic::BufferLengthMs() const
{
    const int ms = DelayFromText(bufferLengthText, tempo);
    return ms >= CMusicEngine::kMinBufferMs && ms <= CMusicEngine::kMaxBufferMs ? ms : CMusicEngine::kBufferMs;
}

bool CMusic::Open(CSoundDevice* device, float)
{
    if (device == nullptr) {
        return false;
    }
    if (loaded == 1) {
        Close();
    }
    engine_.reset();
    runValue1 = 0;
    device_ = device;
    networkStream_ = IsNetworkPath(filePath);
    openFailure_.clear();
    if (networkStream_) {
        // Nothing is opened for a network address; the user hears why once.
        openFailure_ = "Network streams cannot be played: " + filePath;
        loaded = 2;
        return false;
    }
    engine_ = std::make_unique<CMusicEngine>();
    engine_->SetNetworkStream(networkStream_);
    engine_->SetTempoPercent(tempoPercent);
    engine_->SetGainDb(gainDb);
    engine_->SetEndOffset(endOffset);
    engine_->SetStartOffset(startOffset);
    engine_->SetBufferLength(BufferLengthMs());
    if (resumePosition_ != 0) {
        engine_->SetStartPosition(resumePosition_);
    }
    engine_->SetMode((flags & kFlagPrimary) != 0 ? kModeWordFlagged : kModeWord);
    if (!engine_->Open(filePath, device, this)) {
        engine_.reset();
        loaded = 2;
        return false;
    }
    loaded = 1;
    sampleRate = engine_->SampleRate();
    duration = engine_->LengthMs();
    if (endOffset <= 0 || endOffset > duration) {
        endOffset = duration;
    }
    TakeFormatInfo();
    if (muted_) {
        engine_->SetVolume(kSilent);
    } else {
        ApplyVolume();
    }
    ApplyPan();
    engine_->SetLoop(IsLoop());
    ApplyEqualiser();
    ApplyEffects();
    engine_->SetChannelMode(channelMode_);
    engine_->SetExtraValue(extraValue2);
    ApplyPitch();
    NotifyObserver(0);
    return true;
}

void CMusic::Close()
{
    if (engine_) {
        engine_->Close();
        engine_.reset();
    }
    CMedia::Close();
}

bool CMusic::Play()
{
    if (!HasOpenEngine()) {
        loaded = 2;
        return false;
    }
    CMedia::Play();
    ApplyPitch();
    if (muted_) {
        engine_->SetVolume(kSilent);
    }
    engine_->SetEndOffset(endOffset);
    engine_->SetStartOffset(startOffset);
    return engine_->Start();
}

void CMusic::Stop()
{
    CMedia::Stop();
    if (engine_) {
        engine_->Stop();
    }
}

void CMusic::Reset()
{
    CMedia::Reset();
    if (loaded == 1) {
        Stop();
        Close();
    }
}

int CMusic::SetPosition(int ms)
{
    if (HasOpenEngine()) {
        return engine_->Seek(ms) ? 1 : 0;
    }
    const int end = endOffset > 0 ? endOffset : duration;
    resumePosition_ = std::clamp(resumePosition_ + ms, 0, std::max(0, end));
    return 1;
}

void CMusic::Arm()
{
    if (engine_) {
        engine_->Prepare();
    }
    CMedia::Arm();
}

int CMusic::GetLoopPoints(int& a, int& b) const
{
    if (!engine_) {
        a = b = 0;
        return 0;
    }
    return engine_->GetLoopPoints(a, b);
}

int CMusic::Prepare(int flag)
{
    if (flag == 0) {
        return 0;
    }
    if (!engine_) {
        return 1;
    }
    return engine_->Prepare() ? 1 : 0;
}

int CMusic::PlaybackFrequency() const
{
    // Tempo percent and pitch both act on the frequency, so each is applied on top of the other.
    const int32_t rate = HasOpenEngine() ? engine_->SampleRate() : sampleRate;
    int32_t hertz = RateForTempoPercent(rate, tempoPercent);
    if (pitch % 100 == 0) {
        hertz = RateForSemitones(hertz, pitch / 100);
    } else {
        hertz = RateForCents(hertz, pitch);
    }
    return hertz >= 100 && hertz <= 100000 ? hertz : 0;
}

void CMusic::ApplyPitch()
{
    const int hertz = PlaybackFrequency();
    if (engine_ && hertz != 0) {
        engine_->SetFrequency(static_cast<uint32_t>(hertz));
    }
}

bool CMusic::SetPitchCents(int cents)
{
    if (cents < kPitchMin || cents > kPitchMax) {
        return false;
    }
    pitch = cents;
    ApplyPitch();
    return true;
}

void CMusic::SetPitch(int semitones) { SetPitchCents(semitones * 100); }

void CMusic::SetPitchFloat(float cents) { SetPitchCents(static_cast<int>(cents)); }

void CMusic::SetTempoPercent(double percent, bool recompute)
{
    if (percent < kTempoPercentMin || percent > kTempoPercentMax) {
        return;
    }
    CMedia::SetTempoPercent(percent, recompute);
    if (engine_) {
        engine_->SetTempoPercent(tempoPercent);
        ApplyPitch();
    }
}

bool CMusic::SetTempoTarget(double target)
{
    if (!CMedia::SetTempoTarget(target) || !engine_) {
        return false;
    }
    const double sum = tempoPercent + target;
    if (sum < kTempoPercentMin || sum > kTempoPercentMax) {
        return false;
    }
    return engine_->SetTempoPercent(sum);
}

void CMusic::SetGainDb(int gain)
{
    if (gain < kGainDbMin || gain > kGainDbMax) {
        return;
    }
    CMedia::SetGainDb(gain);
    if (engine_) {
        engine_->SetGainDb(gainDb);
    }
}

void CMusic::ApplyVolume()
{
    if (!muted_ && engine_) {
        engine_->SetVolume(volume * 10);
    }
}

void CMusic::SetVolume(int newVolume)
{
    CMedia::SetVolume(newVolume);
    ApplyVolume();
}

void CMusic::SendVolume(int value)
{
    if (!muted_ && engine_) {
        engine_->SetVolume(value * 10);
    }
}

float CMusic::TakeOutputPeak() { return engine_ ? engine_->TakePeak() : 0.0f; }

int CMusic::GetVolumeLevel() const { return engine_ ? engine_->Volume() / 10 : -1000; }

void CMusic::ApplyPan()
{
    if (engine_) {
        engine_->SetPan(pan * 10);
    }
}

void CMusic::SetPan(int newPan)
{
    CMedia::SetPan(newPan);
    ApplyPan();
}

void CMusic::ApplyEqualiser()
{
    if (engine_) {
        engine_->SetEqualiser(equaliserOn_, eqGain1, 1, eqGain2, 1, eqGain3, 1);
    }
}

void CMusic::ApplyEffects()
{
    if (engine_) {
        engine_->SetEffect(optionA, 1, optionB, 1, optionC, 1);
    }
}

void CMusic::SetEqGain1(int gain)
{
    if (gain >= kBandGainMin && gain <= kBandGainMax) {
        CMedia::SetEqGain1(gain);
        ApplyEqualiser();
    }
}

void CMusic::SetEqGain2(int gain)
{
    if (gain >= kBandGainMin && gain <= kBandGainMax) {
        CMedia::SetEqGain2(gain);
        ApplyEqualiser();
    }
}

void CMusic::SetEqGain3(int gain)
{
    if (gain >= kBandGainMin && gain <= kBandGainMax) {
        CMedia::SetEqGain3(gain);
        ApplyEqualiser();
    }
}

void CMusic::SetOptionA(bool on)
{
    CMedia::SetOptionA(on);
    if (on) {
        optionB = optionC = false;
    }
    ApplyEffects();
}

void CMusic::SetOptionB(bool on)
{
    CMedia::SetOptionB(on);
    if (on) {
        optionA = optionC = false;
    }
    ApplyEffects();
}

void CMusic::SetOptionC(bool on)
{
    CMedia::SetOptionC(on);
    if (on) {
        optionA = optionB = false;
    }
    ApplyEffects();
}

void CMusic::SetEqualiserOn(bool on)
{
    equaliserOn_ = on;
    if (engine_) {
        engine_->SetEqualiserOn(on);
    }
}

void CMusic::BypassOn()
{
    if (engine_) {
        engine_->SetBypass(true);
    }
}

void CMusic::BypassOff()
{
    if (engine_) {
        engine_->SetBypass(false);
    }
}

bool CMusic::SetChannelMode(int mode)
{
    if (mode < 0 || mode > 4) {
        return false;
    }
    channelMode_ = mode;
    if (engine_) {
        engine_->SetChannelMode(mode);
    }
    return true;
}

void CMusic::SetExtraValue2(int value)
{
    CMedia::SetExtraValue2(value);
    if (engine_) {
        engine_->SetExtraValue(value);
    }
}

int CMusic::GetChannels() const { return engine_ ? engine_->Channels() : CMedia::GetChannels(); }
int CMusic::GetSampleRate() const { return engine_ ? engine_->SampleRate() : CMedia::GetSampleRate(); }
int CMusic::GetBitsPerSample() const { return engine_ ? engine_->BitsPerSample() : CMedia::GetBitsPerSample(); }
int CMusic::GetBlockAlign() const { return engine_ ? engine_->BlockAlign() : CMedia::GetBlockAlign(); }
int CMusic::GetBytesPerSecond() const { return engine_ ? engine_->BytesPerSecond() : CMedia::GetBytesPerSecond(); }
int CMusic::GetDataSize() const { return engine_ ? engine_->DataSize() : CMedia::GetDataSize(); }
int CMusic::GetDuration() const { return engine_ ? engine_->LengthMs() : duration; }
int CMusic::GetPosition() const { return HasOpenEngine() ? engine_->PositionMs() : resumePosition_; }
int CMusic::GetPositionBytes() const { return HasOpenEngine() ? engine_->PositionBytes() : 0; }

int CMusic::BufferLength() const { return engine_ ? engine_->BufferLength() : 0; }

bool CMusic::SetBufferLength(int ms) { return engine_ && engine_->SetBufferLength(ms); }

int CMusic::ThreadPeriod() const { return engine_ ? engine_->ThreadPeriod() : 0; }
int CMusic::PositionMs() const { return HasOpenEngine() ? engine_->PositionMs() : 0; }
int CMusic::PlayedPositionMs() const { return HasOpenEngine() ? engine_->PlayedPositionMs() : 0; }
int CMusic::TakePositionChanged() { return engine_ && engine_->TakePositionChanged() ? 1 : 0; }

std::string CMusic::TakeOpenFailureText()
{
    std::string text;
    text.swap(openFailure_);
    return text;
}

}  // namespace tessaron
