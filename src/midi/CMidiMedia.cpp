#include "midi/CMidiMedia.h"

#include <algorithm>

#include "framework/CArchive.h"
#include "midi/CMidiFile.h"
#include "midi/CMidiPerformance.h"
#include "midi/CMidiPlayer.h"
#include "midi/CMidiService.h"

namespace tessaron {

TESSARON_IMPLEMENT_SERIAL(CMidiMedia, CMedia, CRuntimeClass::kVersionable | 2)

CMidiMedia::CMidiMedia() { ResetMidiFields(); }

CMidiMedia::~CMidiMedia()
{
    if (performance_) {
        performance_->Forget(this);
    }
}

void CMidiMedia::SetMidiService(CMidiService* service)
{
    if (performance_) {
        performance_->Forget(this);
    }
    service_ = service;
    performance_ = service != nullptr ? service->Performance() : nullptr;
}

void CMidiMedia::ResetMidiFields()
{
    kind = kKindMidi;
    optionValue = 0;
    setting1 = 1;
    setting2 = setting3 = setting4 = 0;
    instrumentCount = 0;
    muted = false;
}

void CMidiMedia::ResetSettings()
{
    CMedia::ResetSettings();
    ResetMidiFields();
}

int CMidiMedia::StoredInstrumentCount() const { return std::clamp(instrumentCount, 0, kMaxInstruments); }

void CMidiMedia::Store(CArchive& ar)
{
    CMedia::Store(ar);
    ar.WriteString(soundFile);
    ar.WriteInt(setting1);
    ar.WriteInt(setting2);
    ar.WriteInt(setting3);
    ar.WriteInt(setting4);
    ar.WriteInt(instrumentCount);
    for (int i = 0; i < StoredInstrumentCount(); ++i) {
        instruments[static_cast<size_t>(i)].Serialize(ar);
    }
}

void CMidiMedia::Load(CArchive& ar)
{
    CMedia::Load(ar);
    soundFile = ar.ReadString();
    setting1 = ar.ReadInt();
    setting2 = ar.ReadInt();
    setting3 = ar.ReadInt();
    setting4 = ar.ReadInt();
    instrumentCount = ar.ReadInt();
    for (int i = 0; i < StoredInstrumentCount(); ++i) {
        instruments[static_cast<size_t>(i)].Serialize(ar);
    }
    kind = kKindMidi;
}

bool CMidiMedia::OpenForInfo(int, const std::string& path)
{
    const auto file = CMidiFile::Load(path);
    if (!file) {
        return false;
    }
    duration = static_cast<int32_t>(std::clamp<double>(file->LengthMs(), 0.0, INT32_MAX));
    dataSize = static_cast<int32_t>(std::min<size_t>(file->Bytes().size(), INT32_MAX));
    const float fileTempo = file->Tempo();
    if (tempo <= 0.0f) {
        tempo = fileTempo > 0.0f ? fileTempo : kUnknownTempo;
    }
    return true;
}

bool CMidiMedia::Open(CSoundDevice* device, float tempo)
{
    player_.reset();
    auto file = CMidiFile::Load(filePath);
    if (!file) {
        loaded = 2;
        return false;
    }
    const auto length = static_cast<int32_t>(std::min<double>(file->LengthMs(), INT32_MAX));
    auto player = std::make_unique<CMidiPlayer>(std::move(*file), soundFile,
                                                service_ != nullptr ? service_->Sink() : nullptr,
                                                reinterpret_cast<intptr_t>(this));
    // Port 0 is the built-in synthesizer on the audio output; the others are outside ports.
    const bool opened = deviceIndex <= 0 ? device != nullptr && player->OpenOnDevice(*device)
                                         : service_ != nullptr && service_->OutputOpen() &&
                                               player->OpenOnPort(service_->Ports());
    if (!opened) {
        loaded = 2;
        return false;
    }
    player_ = std::move(player);
    duration = length;
    if (endOffset <= startOffset) {
        endOffset = length;
    }
    CMedia::Open(device, tempo);
    TempoFromBeats();
    ApplyVolume();
    ApplyPan();
    return true;
}

void CMidiMedia::Close()
{
    if (performance_) {
        performance_->Forget(this);
    }
    player_.reset();
    CMedia::Close();
}

int CMidiMedia::PlayCount() const
{
    if (IsContinuousLoop()) {
        return CMidiPlayer::kForever;
    }
    return IsLoop() ? std::max(loopCount, 1) : 1;
}

bool CMidiMedia::Play()
{
    CMedia::Play();
    if (!player_) {
        return false;
    }
    TakePrimaryPlace();
    const bool started = player_->Play(PlayCount());
    endsAtPlay_ = player_->EndsPosted();
    return started;
}

bool CMidiMedia::IsPlaying() const
{
    return CMedia::IsPlaying() && !(player_ && player_->EndsPosted() != endsAtPlay_);
}

void CMidiMedia::TakePrimaryPlace()
{
    if (!performance_) {
        return;
    }
    if (!IsPrimary()) {
        performance_->Forget(this);
    } else if (CMidiMedia* before = performance_->StartPrimary(this)) {
        before->EndAsReplaced();
    }
}

void CMidiMedia::EndAsReplaced()
{
    if (!player_ || !player_->IsPlaying()) {
        return;
    }
    // Shown as stopped, and the window hears of its end as it would at the end of its file.
    CMedia::Stop();
    player_->End();
}

void CMidiMedia::Stop()
{
    CMedia::Stop();
    if (player_) {
        player_->Stop();
    }
}

bool CMidiMedia::IsDevicePlaying() const { return player_ && player_->IsPlaying(); }

void CMidiMedia::Mute()
{
    muted = true;
    muteFlag = 1;
    if (player_) {
        player_->SetMute(true);
    }
}

void CMidiMedia::Unmute()
{
    muted = false;
    muteFlag = 0;
    if (player_) {
        player_->SetMute(false);
    }
    ApplyVolume();
}

void CMidiMedia::SetVolume(int newVolume)
{
    CMedia::SetVolume(newVolume);
    ApplyVolume();
}

void CMidiMedia::ApplyVolume() { SendVolume(volume); }

void CMidiMedia::SendVolume(int value)
{
    if (!muted && player_) {
        player_->SetVolume(value * 10);  // below -4500 it is not sent
    }
}

void CMidiMedia::SetPan(int newPan)
{
    CMedia::SetPan(newPan);
    ApplyPan();
}

void CMidiMedia::ApplyPan() { SendPan(pan); }

void CMidiMedia::SendPan(int value)
{
    if (!muted && player_) {
        player_->SetPan(value * 10);
    }
}

void CMidiMedia::TempoFromBeats()
{
    const float fileTempo = player_ ? player_->File().Tempo() : 0.0f;
    tempo = fileTempo > 0.0f ? fileTempo : kUnknownTempo;
}

int CMidiMedia::ChangeTempo(float newTempo)
{
    if (!player_) {
        return 0;
    }
    player_->SetTempo(newTempo);
    return 1;
}

}  // namespace tessaron
