#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/CEnvelope.h"
#include "media/CMedia.h"
#include "media/CSampleData.h"

namespace tessaron {

class CWaveFormat;

// A short sound or loop played from memory: its sound is one CSampleData whose output buffer
// the device's mixer plays. Volume, pan, pitch and tempo changes become commands to that
// buffer. Driven from the user interface and the scheduler, which serialise their calls.
class CSamples : public CMedia {
    TESSARON_DECLARE_CLASS(CSamples)
public:
    static constexpr int kMaxDuplicates = 24;

    CSamples();
    CSamples(const std::string& path, const std::string& name, int sampleRate, int lengthMs, const std::string& artist,
             const std::string& genre, float tempo, int startOffset, int volume, int pan);
    ~CSamples() override;

    void ResetSettings() override;
    void Store(CArchive& archive) override;
    void Load(CArchive& archive) override;

    bool IsDevicePlaying() const override;
    void Unmute() override;
    void Mute() override;
    bool OpenForInfo(int flag, const std::string& path) override;
    void ReleaseData() override;
    // Loads the file's range into an output buffer on `device`, fitted to the song tempo when
    // the stretch mode asks for it. A failed open leaves `loaded` 2.
    bool Open(CSoundDevice* device, float tempo) override;
    void Close() override;
    bool Play() override;
    void Stop() override;
    void Reset() override;
    int SetPosition(int ms) override;
    int CurrentPeak(float tempo) override;
    float TakeOutputPeak() override;
    int MoveToDevice(CSoundDevice* device) override;
    int Reopen(float tempo) override;
    int ChangeTempo(float tempo) override;
    void ApplySongTempo(int mode, float tempo) override;
    void EstimateBeats() override;
    void TempoFromBeats() override;
    void SetTempoPercent(double percent, bool recompute) override;
    void ApplyVolume() override;
    void SetVolume(int volume) override;
    void SendVolume(int volume) override;
    void ApplyPan() override;
    void SetPan(int pan) override;
    void SendPan(int pan) override;
    void ApplyPitch() override;
    void SetPitch(int semitones) override;
    void SetPitchFloat(float cents) override;

    // The sound as the output buffer holds it: sizes and durations are the buffer's (a time
    // stretch changes them). The playback rate is the fitted one when the tempo is followed
    // by rate, else the data's own.
    int GetChannels() const override;
    int GetSampleRate() const override;
    int GetPlaybackRate() const override;
    int GetBitsPerSample() const override;
    int GetBlockAlign() const override;
    const uint8_t* GetPcm() const override;
    int GetPlayCursor() const override;
    int GetBytesPerSecond() const override;
    int GetDataSize() const override;
    int GetDuration() const override;
    // The sound as held: once, plus a stretched or edited version while it differs.
    int64_t MemoryHeld() const override;

    // Sound handed over in memory (a copy is taken), fitted to `tempo` by rate.
    bool OpenFromMemory(CSoundDevice* device, float tempo, const void* pcm, int size, const CWaveFormat& format);

    // Pitch-shifted copies sharing the sound, for the keys of the piano: duplicate i (1..n)
    // plays i + 1 semitones up.
    bool MakeDuplicates(int count);
    bool PlayDuplicate(int index, int volume);
    void StopDuplicate(int index);
    void StopAllDuplicates();
    void DestroyDuplicates();
    int DuplicateCount() const { return static_cast<int>(duplicates_.size()); }
    const CSampleData* Duplicate(int index) const;

    // Wave editor commands. Positions are bytes of the buffer, except for Crop (ms from the
    // start of what is loaded). `command` is an effect's command number.
    bool ApplyEffect(int command, int p1, int p2, int p3, int start, int end);
    bool Silence(int start, int end);
    bool Crop(int startMs, int endMs);
    bool Insert(int position, const uint8_t* block, int size);
    bool Copy(uint8_t* destination, int start, int end) const;
    bool Cut(uint8_t* destination, int start, int end);
    bool Commit();
    // The sound becomes `size` bytes of `block`, edited and uncommitted.
    bool ReplaceSound(const uint8_t* block, int size);
    bool Revert();
    bool SaveSample(const std::string& path, int lengthMs, bool mono, std::string* error = nullptr) const;

    CSampleData* SampleData() const { return sampleData_.get(); }
    CSoundDevice* OutputDevice() const { return outputDevice_; }

    // Envelopes attached to the sample's sound, kept with the medium so that they survive
    // while the sound is not loaded.
    const std::vector<std::unique_ptr<CEnvelope>>& Attached() const { return attached_; }
    void Attach(std::unique_ptr<CEnvelope> envelope);
    void ClearAttached();

    // The two envelope blocks a companion program sent with this sample, as they came (their
    // content is the companion's; nothing here reads them). Empty for other samples.
    using HandedEnvelope = std::array<uint8_t, 28>;
    void SetHandedEnvelopes(const HandedEnvelope& first, const HandedEnvelope& second)
    {
        handedEnvelopes_ = {first, second};
    }
    const std::array<HandedEnvelope, 2>& HandedEnvelopes() const { return handedEnvelopes_; }

    int32_t stretchMode = 0;  // 0 none, 1 time stretch, 2 playback rate
    int32_t stretchOption = 0;
    int32_t stretchValue = 0;
    int32_t savedStart = -1;
    int32_t savedEnd = -1;
    int32_t edited = 0;
    int32_t uncommitted = 0;

private:
    void ResetSampleFields();
    void NewSampleData();
    void DropSampleData();
    void TakeSoundFields();
    // What every successful open ends with: the sound's fields, the end offset, the duplicates
    // (when asked) and the volume, pan and pitch sent to the new sound.
    void FinishOpen(bool remakeDuplicates);
    void Refit(TempoMode mode, float tempo);
    void MarkEdited(bool changed);
    void RemakeDuplicates();

    std::unique_ptr<CSampleData> sampleData_;
    CSoundDevice* outputDevice_ = nullptr;
    std::vector<std::unique_ptr<CSampleData>> duplicates_;
    int duplicatesWanted_ = 0;  // survives a close, so that the next open makes them again
    std::vector<std::unique_ptr<CEnvelope>> attached_;
    std::array<HandedEnvelope, 2> handedEnvelopes_{};
};

}  // namespace tessaron
