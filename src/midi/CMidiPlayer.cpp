#include "midi/CMidiPlayer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>

#include "audioout/CSoundBuffer.h"
#include "audioout/CSoundDevice.h"
#include "framework/IMessageSink.h"
#include "midi/IMidiPorts.h"

namespace tessaron {

namespace {

constexpr uint32_t kBlock = 64;        // the synthesizer's own block: the end is found to within it
constexpr int32_t kLowestVolume = -4500;
constexpr int32_t kWidestPan = 4000;
constexpr int kFrameBytes = 4;         // 16-bit stereo

}  // namespace

std::string CMidiPlayer::DefaultSoundFont()
{
    for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                             "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/soundfonts/default.sf2"}) {
        std::error_code error;
        if (std::filesystem::exists(path, error)) {
            return path;
        }
    }
    return {};
}

CMidiPlayer::CMidiPlayer(CMidiFile file, std::string collection, IMessageSink* sink, intptr_t medium)
    : file_(std::move(file)), collection_(std::move(collection)), sink_(sink), medium_(medium)
{
}

CMidiPlayer::~CMidiPlayer()
{
    {
        std::lock_guard guard(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
    if (port_ != nullptr) {
        Silence();
    }
    DropPlayer();
    buffer_.reset();
    if (synth_ != nullptr) {
        delete_fluid_synth(synth_);
    }
    if (settings_ != nullptr) {
        delete_fluid_settings(settings_);
    }
}

bool CMidiPlayer::MakeSynth(double rate)
{
    settings_ = new_fluid_settings();
    if (settings_ == nullptr) {
        return false;
    }
    fluid_settings_setnum(settings_, "synth.sample-rate", rate);
    // The player follows the frames rendered, not the wall clock: it renders ahead.
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    synth_ = new_fluid_synth(settings_);
    return synth_ != nullptr;
}

bool CMidiPlayer::OpenOnDevice(CSoundDevice& device)
{
    std::lock_guard guard(mutex_);
    if (synth_ != nullptr || !device.Created()) {
        return false;
    }
    rate_ = device.Rate();
    if (!MakeSynth(rate_)) {
        return false;
    }
    const std::string font = DefaultSoundFont();
    const bool hasFont = !font.empty() && fluid_synth_sfload(synth_, font.c_str(), 1) != FLUID_FAILED;
    // The medium's own collection goes on top, so that its instruments win.
    const bool hasCollection =
        !collection_.empty() && fluid_synth_sfload(synth_, collection_.c_str(), 1) != FLUID_FAILED;
    if (!hasFont && !hasCollection) {
        return false;
    }
    bufferFrames_ = std::max<uint32_t>(rate_ / 2, 4 * kBlock);
    leadFrames_ = rate_ / 8;
    const WaveFormat format = WaveFormat::Pcm16(rate_, 2);
    SoundBufferDesc desc;
    desc.flags = BufferCaps::CtrlVolume | BufferCaps::CtrlPan | BufferCaps::GetCurrentPosition2;
    desc.bufferBytes = bufferFrames_ * kFrameBytes;
    desc.format = &format;
    buffer_ = device.CreateSecondary(desc);
    if (!buffer_) {
        return false;
    }
    scratch_.resize(static_cast<size_t>(leadFrames_) * 2);
    worker_ = std::thread([this] { Work(); });
    return true;
}

bool CMidiPlayer::OpenOnPort(IMidiPorts& port)
{
    std::lock_guard guard(mutex_);
    if (synth_ != nullptr || !port.OutputOpen()) {
        return false;
    }
    rate_ = 44100;
    if (!MakeSynth(rate_)) {
        return false;
    }
    port_ = &port;
    scratch_.resize(static_cast<size_t>(rate_ / 10) * 2);
    worker_ = std::thread([this] { Work(); });
    return true;
}

bool CMidiPlayer::StartPlayer()
{
    DropPlayer();
    player_ = new_fluid_player(synth_);
    if (player_ == nullptr) {
        return false;
    }
    fluid_player_set_tick_callback(player_, &CMidiPlayer::OnTick, this);
    if (port_ != nullptr) {
        fluid_player_set_playback_callback(player_, &CMidiPlayer::OnEvent, this);
    }
    const std::vector<uint8_t>& bytes = file_.Bytes();
    if (fluid_player_add_mem(player_, bytes.data(), bytes.size()) != FLUID_OK) {
        return false;
    }
    if (const float bpm = tempo_.load(); bpm > 0.0f) {
        fluid_player_set_tempo(player_, FLUID_PLAYER_TEMPO_EXTERNAL_BPM, bpm);
    }
    passEnded_ = false;
    return fluid_player_play(player_) == FLUID_OK;
}

void CMidiPlayer::DropPlayer()
{
    if (player_ != nullptr) {
        fluid_player_stop(player_);
        delete_fluid_player(player_);
        player_ = nullptr;
    }
}

bool CMidiPlayer::Play(int plays)
{
    {
        std::lock_guard guard(mutex_);
        if (synth_ == nullptr || plays == 0) {
            return false;
        }
        if (buffer_) {
            buffer_->Stop();
        }
        fluid_synth_system_reset(synth_);
        if (!StartPlayer()) {
            DropPlayer();
            return false;
        }
        playsLeft_ = plays;
        rendered_ = heard_ = 0;
        endFrame_ = stopFrame_ = -1;
        endPosted_ = false;
        clockStart_ = std::chrono::steady_clock::now();
        if (buffer_) {
            // The first stretch is rendered before the buffer starts, so that the file is heard
            // from its first frame on.
            buffer_->SetCurrentPosition(0);
            lastCursor_ = 0;
            RenderAhead();
            buffer_->SetVolume(muted_ ? BufferLimits::VolumeMin : volume_);
            buffer_->Play(PlayFlags::Looping);
        }
        playing_.store(true);
    }
    wake_.notify_all();
    return true;
}

void CMidiPlayer::Stop()
{
    std::lock_guard guard(mutex_);
    StopLocked();
}

void CMidiPlayer::End()
{
    std::lock_guard guard(mutex_);
    const bool tell = playing_.load() && !endPosted_;
    StopLocked();
    if (tell) {
        PostEnd();
    }
}

void CMidiPlayer::StopLocked()
{
    playing_.store(false);
    DropPlayer();
    if (buffer_) {
        buffer_->Stop();
    }
    if (synth_ != nullptr) {
        fluid_synth_all_sounds_off(synth_, -1);
    }
    if (port_ != nullptr) {
        Silence();
    }
}

void CMidiPlayer::Silence()
{
    // All sound off and all notes off on every channel of the port.
    for (uint8_t channel = 0; channel < 16; ++channel) {
        const uint8_t soundOff[3] = {static_cast<uint8_t>(0xB0 | channel), 120, 0};
        const uint8_t notesOff[3] = {static_cast<uint8_t>(0xB0 | channel), 123, 0};
        port_->Send(soundOff, 3);
        port_->Send(notesOff, 3);
    }
}

bool CMidiPlayer::SetVolume(int32_t hundredthsDb)
{
    if (hundredthsDb < kLowestVolume || hundredthsDb > 0) {
        return false;
    }
    std::lock_guard guard(mutex_);
    volume_ = hundredthsDb;
    return muted_ || !buffer_ || buffer_->SetVolume(volume_);
}

bool CMidiPlayer::SetPan(int32_t hundredthsDb)
{
    if (hundredthsDb < -kWidestPan || hundredthsDb > kWidestPan) {
        return false;
    }
    std::lock_guard guard(mutex_);
    pan_ = hundredthsDb;
    return !buffer_ || buffer_->SetPan(pan_);
}

void CMidiPlayer::SetMute(bool on)
{
    std::lock_guard guard(mutex_);
    muted_ = on;
    if (buffer_) {
        buffer_->SetVolume(on ? BufferLimits::VolumeMin : volume_);
    }
    if (on && port_ != nullptr) {
        Silence();
    }
}

void CMidiPlayer::SetTempo(float bpm)
{
    std::lock_guard guard(mutex_);
    tempo_.store(bpm > 0.0f ? bpm : 0.0f);
    if (player_ != nullptr) {
        if (bpm > 0.0f) {
            fluid_player_set_tempo(player_, FLUID_PLAYER_TEMPO_EXTERNAL_BPM, bpm);
        } else {
            fluid_player_set_tempo(player_, FLUID_PLAYER_TEMPO_INTERNAL, 1.0);
        }
    }
}

int CMidiPlayer::OnTick(void* self, int tick)
{
    auto* player = static_cast<CMidiPlayer*>(self);
    if (tick >= player->file_.LastTick()) {
        player->passEnded_ = true;  // called inside Render, under the lock
    }
    return FLUID_OK;
}

int CMidiPlayer::OnEvent(void* self, fluid_midi_event_t* event)
{
    auto* player = static_cast<CMidiPlayer*>(self);
    const int type = fluid_midi_event_get_type(event);
    const int channel = fluid_midi_event_get_channel(event);
    uint8_t bytes[3] = {static_cast<uint8_t>(type | channel), 0, 0};
    size_t size = 3;
    switch (type) {
    case 0x80:
    case 0x90:
        bytes[1] = static_cast<uint8_t>(fluid_midi_event_get_key(event));
        bytes[2] = static_cast<uint8_t>(fluid_midi_event_get_velocity(event));
        if (type == 0x90 && player->muted_) {
            return FLUID_OK;  // a muted medium starts no note
        }
        break;
    case 0xA0:
    case 0xB0:
        bytes[1] = static_cast<uint8_t>(fluid_midi_event_get_control(event));
        bytes[2] = static_cast<uint8_t>(fluid_midi_event_get_value(event));
        break;
    case 0xC0:
    case 0xD0:
        bytes[1] = static_cast<uint8_t>(fluid_midi_event_get_program(event));
        size = 2;
        break;
    case 0xE0: {
        const int bend = fluid_midi_event_get_pitch(event);
        bytes[1] = static_cast<uint8_t>(bend & 0x7F);
        bytes[2] = static_cast<uint8_t>((bend >> 7) & 0x7F);
        break;
    }
    default: return FLUID_OK;  // system messages stay here
    }
    player->port_->Send(bytes, size);
    return FLUID_OK;
}

void CMidiPlayer::PassEnded()
{
    passEnded_ = false;
    if (playsLeft_ != kForever) {
        --playsLeft_;
    }
    if (playsLeft_ != 0) {
        StartPlayer();  // the next pass, from its first tick
        return;
    }
    DropPlayer();
    endFrame_ = static_cast<int64_t>(rendered_);
    stopFrame_ = endFrame_ + rate_ / 2;  // let the last notes ring out
}

void CMidiPlayer::PostEnd()
{
    endPosted_ = true;
    endsPosted_.fetch_add(1);
    if (sink_ != nullptr) {
        sink_->post(kEndMessage, kEndKind, medium_);
    }
}

void CMidiPlayer::Render(int16_t* out, uint32_t frames)
{
    for (uint32_t done = 0; done < frames; done += kBlock) {
        const uint32_t n = std::min(kBlock, frames - done);
        int16_t* at = out + static_cast<size_t>(done) * 2;
        fluid_synth_write_s16(synth_, static_cast<int>(n), at, 0, 2, at, 1, 2);
        rendered_ += n;
        if (passEnded_) {
            PassEnded();
        }
    }
}

void CMidiPlayer::RenderAhead()
{
    uint32_t play = 0;
    buffer_->GetCurrentPosition(&play, nullptr);
    const uint32_t bufferBytes = bufferFrames_ * kFrameBytes;
    heard_ += ((play + bufferBytes - lastCursor_) % bufferBytes) / kFrameBytes;
    lastCursor_ = play;
    if (endFrame_ >= 0 && heard_ >= static_cast<uint64_t>(endFrame_) && !endPosted_) {
        PostEnd();
    }
    if (stopFrame_ >= 0 && heard_ >= static_cast<uint64_t>(stopFrame_)) {
        buffer_->Stop();
        playing_.store(false);
        return;
    }
    const uint64_t ahead = rendered_ - std::min(rendered_, heard_);
    if (ahead > leadFrames_ / 2) {
        // Enough is waiting. Refills come in large steps: each lock copies the buffer, and the
        // synthesizer runs faster on long stretches (its voices stay in the cache).
        return;
    }
    const auto frames = static_cast<uint32_t>(leadFrames_ - ahead) / kBlock * kBlock;
    Render(scratch_.data(), frames);
    const uint32_t offset = static_cast<uint32_t>((rendered_ - frames) % bufferFrames_) * kFrameBytes;
    LockedRegion region;
    if (buffer_->Lock(offset, frames * kFrameBytes, region)) {
        const auto* source = reinterpret_cast<const uint8_t*>(scratch_.data());
        std::copy(source, source + region.bytes1, static_cast<uint8_t*>(region.part1));
        if (region.part2 != nullptr) {
            std::copy(source + region.bytes1, source + region.bytes1 + region.bytes2,
                      static_cast<uint8_t*>(region.part2));
        }
        buffer_->Unlock(region);
    }
}

void CMidiPlayer::KeepTime()
{
    // On a port the synthesizer only counts time: render (and drop) what the clock has passed.
    const auto elapsed = std::chrono::steady_clock::now() - clockStart_;
    const auto due = static_cast<uint64_t>(std::chrono::duration<double>(elapsed).count() * rate_);
    while (rendered_ + kBlock <= due && playing_.load()) {
        const auto frames = static_cast<uint32_t>(std::min<uint64_t>(due - rendered_, scratch_.size() / 2));
        Render(scratch_.data(), frames / kBlock * kBlock);
        if (endFrame_ >= 0 && !endPosted_) {
            playing_.store(false);
            PostEnd();
        }
    }
}

void CMidiPlayer::Work()
{
    std::unique_lock lock(mutex_);
    while (!quit_) {
        wake_.wait_for(lock, std::chrono::milliseconds(port_ != nullptr ? 2 : 5));
        if (quit_ || !playing_.load()) {
            continue;
        }
        if (buffer_) {
            RenderAhead();
        } else {
            KeepTime();
        }
    }
}

}  // namespace tessaron
