#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/CObject.h"
#include "media/CFade.h"

namespace tessaron {

class CAction;
class IMediaObserver;
class CSoundDevice;
class CMidiService;

// Base of every medium of a song: names and file, playing settings, play state, colours,
// tag texts, fades and the medium's own events. Behaviour that differs by kind is virtual,
// with a harmless default here.
class CMedia : public CObject {
    TESSARON_DECLARE_CLASS(CMedia)
public:
    static constexpr uint32_t kValidMark = 0x97543214u;
    static constexpr int kPaletteSize = 23;

    // Kind codes.
    static constexpr int kKindMusic = 1;
    static constexpr int kKindSample = 6;
    static constexpr int kKindMidi = 7;

    // Bits of `flags`.
    static constexpr int32_t kFlagLoop = 1 << 0;
    static constexpr int32_t kFlagHold = 1 << 4;
    static constexpr int32_t kFlagOptionA = 1 << 5;
    static constexpr int32_t kFlagOptionB = 1 << 6;
    static constexpr int32_t kFlagOptionC = 1 << 7;
    static constexpr int32_t kFlagResynchro = 1 << 8;
    static constexpr int32_t kFlagPrimary = 1 << 9;
    static constexpr int32_t kFlagTimeStretch = 1 << 10;

    // Play state codes (low byte of `state`) and the armed bit.
    static constexpr int32_t kStatePlaying = 2;
    static constexpr int32_t kStateStopped = 3;
    static constexpr int32_t kStatePlayingB = 5;
    static constexpr int32_t kStatePlayingC = 6;
    static constexpr int32_t kStateReset = 13;
    static constexpr int32_t kStateArmed = 1 << 9;

    struct Colours {
        uint32_t back, text, mark;
    };

    CMedia();
    CMedia(const std::string& path, const std::string& name, int sampleRate, int lengthMs, const std::string& artist,
           const std::string& genre, float tempo, int startOffset, int volume, int pan);
    ~CMedia() override;

    // 1..
    virtual void ResetSettings();
    virtual bool IsPlaying() const;
    virtual bool IsStopped() const;
    virtual bool IsArmed() const;
    virtual void SetArmed(bool armed);
    virtual bool IsDeviceStopped() const { return !IsDevicePlaying(); }
    virtual bool IsArmedNow() const { return IsArmed(); }
    virtual bool IsDevicePlaying() const { return IsPlaying(); }
    virtual void SetLoop(bool loop);
    virtual void Unmute() {}
    virtual void Mute() {}
    virtual void Store(CArchive& archive);
    virtual void Load(CArchive& archive);
    virtual bool OpenForInfo(int flag, const std::string& path);
    virtual void ReleaseData() {}
    // The MIDI service that MIDI media play through; given before Open.
    virtual void SetMidiService(CMidiService*) {}
    virtual bool Open(CSoundDevice* device, float tempo);
    virtual void Close();
    virtual bool Play();
    virtual void Stop();
    virtual void Reset();
    virtual void Hook(int value);
    virtual int SetPosition(int ms);
    virtual void Arm();
    virtual int GetLoopPoints(int& a, int& b) const;
    virtual int CurrentPeak(float tempo);
    virtual int MoveToDevice(CSoundDevice* device);
    virtual int Reopen(float tempo);
    virtual int ChangeTempo(float tempo);
    virtual void EstimateBeats() {}
    virtual void TempoFromBeats() {}
    virtual void SetTempoPercent(double percent, bool recompute);
    virtual bool SetTempoTarget(double target);
    virtual void SetGainDb(int gain);
    virtual void ApplyVolume() {}
    virtual void SetVolume(int volume);
    virtual void SendVolume(int) {}
    virtual int GetVolumeLevel() const { return 0; }
    virtual void ApplyPan() {}
    virtual void SetPan(int pan);
    virtual void SendPan(int) {}
    virtual void ApplyPitch() {}
    virtual void SetPitch(int semitones);
    virtual void SetPitchFloat(float) {}
    virtual int GetPosition() const { return GetPositionBytes(); }
    virtual int GetAbsolutePositionCopy() const { return GetAbsolutePosition(); }
    virtual int GetPositionBytes() const { return position; }
    virtual int GetAbsolutePosition() const { return position + startOffset; }
    virtual std::string Text1() const { return {}; }
    virtual std::string Text2() const { return {}; }
    virtual void SetEqGain1(int gain) { eqGain1 = gain; }
    virtual void SetEqGain3(int gain) { eqGain3 = gain; }
    virtual void SetEqGain2(int gain) { eqGain2 = gain; }
    virtual void SetOptionA(bool on) { optionA = on; }
    virtual void SetOptionC(bool on) { optionC = on; }
    virtual void SetOptionB(bool on) { optionB = on; }
    virtual void CopyPlaySettings(const CMedia& other);
    virtual void SetExtraValue2(int value) { extraValue2 = value; }
    void CallHook(int value) { Hook(value); }
    virtual int GetChannels() const { return 2; }
    virtual int GetSampleRate() const { return 44100; }
    virtual int GetBitsPerSample() const { return 16; }
    virtual int GetBlockAlign() const { return 4; }
    virtual int GetFormatTag() const { return 0; }
    virtual const uint8_t* GetPcm() const { return nullptr; }
    virtual int GetPlayCursor() const { return 0; }
    virtual int GetBytesPerSecond() const { return 176400; }
    virtual int GetDataSize() const { return 0; }
    virtual int GetDuration() const { return 0; }
    // The rate the data is meant to play at: its own, unless it was fitted to a tempo by rate.
    virtual int GetPlaybackRate() const { return GetSampleRate(); }
    virtual int GetLoopData(int& out) const;
    virtual void SetRunValue2(int value) { runValue2 = value; }

    // Called by the song when its tempo changes; samples refit themselves.
    virtual void ApplySongTempo(int mode, float tempo);

    void Serialize(CArchive& archive) override;

    // Non-virtual helpers.
    void SetTriggerMode(int mode) { triggerMode = mode; }
    void SetSampleRate(int rate);
    void SetFile(const std::string& path, const std::string& name, int sampleRate, int lengthMs, int64_t time);
    void ClampOffsets();
    void SetStartOffset(int ms);
    void SetEndOffset(int ms);
    int GetPlayLength() const;
    int GetTotalPlayLength() const;
    bool IsLoop() const { return (flags & kFlagLoop) != 0; }
    bool IsContinuousLoop() const { return IsLoop() && loopCount == 0; }
    bool IsHold() const { return (flags & kFlagHold) != 0; }
    void SetColourScheme(int n);
    static Colours PaletteEntry(int n);
    std::string GetFolder() const;
    void NotifyObserver(int code);

    // Display texts of the media list.
    std::string SizeText() const;
    std::string SizeAndDurationText() const;
    std::string BitRateText() const;
    std::string LoopCountText() const;
    std::string FormatText(bool shortForm = false) const;
    std::string FileTimeText() const;
    std::string PcKeyText() const;
    std::string MidiNoteText() const;
    uint32_t BitRate() const;

    // Tempo of a medium from its length and beat count; 100 when out of 40..250.
    static float TempoFromLength(int lengthMs, int beats);
    // A delay text in beats (below 16) or ms, at a tempo: 50..19200 ms, else 0; empty gives 500.
    static int DelayFromText(const std::string& text, float tempo);

    // Fields in declaration order; names as the song file and the views know them.
    std::string name;
    std::string filePath;
    std::string artist;
    std::string genre;
    int32_t volume = 0;
    int32_t gainDb = 0;
    int32_t pan = 0;
    int32_t triggerMode = 0;
    int32_t startOffset = 0;
    int32_t endOffset = 0;
    int32_t duration = 0;
    int32_t dataSize = 0;
    int32_t fileTime = 0;
    std::string year;
    std::string extraText1;
    std::string keyName;
    std::string comment;
    std::string album;
    std::string extraText2;
    std::string extraText3;
    std::string bufferLengthText;
    std::string extraText5;
    std::string extraText6;
    int32_t markerCount = 0;
    int32_t extraValue2 = 0;
    int32_t flags = 0;
    int32_t loopCount = 1;
    int32_t pitch = 0;
    int32_t sampleRate = 0;
    float tempo = 0.0f;
    double tempoPercent = 0.0;
    double tempoTarget = 0.0;
    float effectiveTempo = 100.0f;
    int32_t kind = 0;
    int32_t pcKey = 0;
    int32_t midiNote = 12;
    int32_t beatCount = 0;
    int32_t deviceIndex = 0;
    int32_t eqGain3 = 0;
    int32_t eqGain2 = 0;
    int32_t eqGain1 = 0;
    bool optionC = false;
    bool optionB = false;
    bool optionA = false;
    int32_t extraValue9 = 0;
    uint32_t backColour = 0xFF0000;
    uint32_t textColour = 0xFFFFFF;
    uint32_t markColour = 0;
    std::string extraText7;
    int32_t extraValue10 = 0;
    int32_t extraValue11 = 0;
    int32_t state = 0;
    int32_t playCount = 0;
    IMediaObserver* observer = nullptr;
    IMediaObserver* observer2 = nullptr;
    int32_t loaded = 0;
    int32_t slot = -1;
    int32_t mediumId = 0;
    int32_t runValue1 = 0;
    int32_t muteFlag = 0;
    int32_t runValue2 = 0;
    int32_t position = 0;
    std::array<uint8_t, 8> formatInfo{};  // MPEG version, layer, mode or kind, bits; bit rate
    std::string pairsText;
    std::vector<std::pair<int32_t, std::string>> pairs;
    // The medium's play, stop and close events in start order; not owned, the song keeps this list.
    std::vector<CAction*> events;
    CFade fadeIn{0, 0, 0, 0};
    CFade fadeOut{0, 0, 0, 0};
    uint32_t validMark = 0;
    int32_t runValue3 = 0, runValue4 = 0, runValue6 = 0;
    int32_t runValue5 = 1;
    std::array<int32_t, 6> runBlock{};

private:
    void RebuildPairsText();
    void ParsePairsText();
};

}  // namespace tessaron
