#pragma once

#include <memory>
#include <string>
#include <vector>

#include "media/CMedia.h"

namespace tessaron {

class CMusicEngine;
class CSoundDevice;

// A long music file streamed from disk by one CMusicEngine, made on Open and destroyed on
// Close. Settings live in the CMedia fields and reach the engine at once when it exists, or at
// the next Open. Queries are answered by the engine when there is one.
// Driven from the user interface and the scheduler, which serialise their calls.
class CMusic : public CMedia {
    TESSARON_DECLARE_CLASS(CMusic)
public:
    static constexpr int kTempoPercentMin = -95;
    static constexpr int kTempoPercentMax = 125;
    static constexpr int kPitchMin = -2400;  // hundredths of a semitone
    static constexpr int kPitchMax = 2400;
    static constexpr int kBandGainMin = -100;  // tenths of a decibel
    static constexpr int kBandGainMax = 100;
    static constexpr int kGainDbMin = -20;
    static constexpr int kGainDbMax = 20;

    CMusic();
    CMusic(const std::string& path, const std::string& name, int sampleRate, int lengthMs, const std::string& artist,
           const std::string& genre, float tempo, int startOffset, int volume, int pan);
    ~CMusic() override;

    void ResetSettings() override;
    void Store(CArchive& archive) override;
    void Load(CArchive& archive) override;

    bool IsPlaying() const override;
    bool IsStopped() const override;
    bool IsArmed() const override;
    void SetArmed(bool armed) override;
    void SetLoop(bool loop) override;
    void Unmute() override;
    void Mute() override;
    bool OpenForInfo(int flag, const std::string& path) override;
    void ReleaseData() override;
    bool Open(CSoundDevice* device, float tempo) override;
    void Close() override;
    bool Play() override;
    void Stop() override;
    void Reset() override;
    int SetPosition(int ms) override;
    void Arm() override;
    int GetLoopPoints(int& a, int& b) const override;
    void SetTempoPercent(double percent, bool recompute) override;
    bool SetTempoTarget(double target) override;
    void SetGainDb(int gain) override;
    void ApplyVolume() override;
    void SetVolume(int volume) override;
    void SendVolume(int volume) override;
    int GetVolumeLevel() const override;
    float TakeOutputPeak() override;
    void ApplyPan() override;
    void SetPan(int pan) override;
    void ApplyPitch() override;
    void SetPitch(int semitones) override;
    void SetPitchFloat(float cents) override;
    void SetEqGain1(int gain) override;
    void SetEqGain2(int gain) override;
    void SetEqGain3(int gain) override;
    void SetOptionA(bool on) override;
    void SetOptionB(bool on) override;
    void SetOptionC(bool on) override;
    void SetExtraValue2(int value) override;
    int GetChannels() const override;
    int GetSampleRate() const override;
    int GetBitsPerSample() const override;
    int GetBlockAlign() const override;
    int GetBytesPerSecond() const override;
    int GetDataSize() const override;
    int GetDuration() const override;
    int GetPosition() const override;
    int GetPositionBytes() const override;
    std::string TakeOpenFailureText() override;

    // Kind-specific services.
    int Prepare(int flag);
    void SetEqualiserOn(bool on);
    bool EqualiserOn() const { return equaliserOn_; }
    void BypassOn();
    void BypassOff();
    bool SetChannelMode(int mode);
    int ChannelMode() const { return channelMode_; }
    // Pitch in hundredths of a semitone, -2400..2400.
    bool SetPitchCents(int cents);
    // The buffer length of the next Open: `bufferLengthText` read at the medium's tempo.
    int BufferLengthMs() const;
    // The engine's services; 0 without an engine.
    int BufferLength() const;
    bool SetBufferLength(int ms);
    int ThreadPeriod() const;
    int PositionMs() const;
    int PlayedPositionMs() const;
    int TakePositionChanged();
    int ResumePosition() const { return resumePosition_; }
    bool IsMuted() const { return muted_; }
    bool IsNetworkStream() const { return networkStream_; }
    CMusicEngine* Engine() const { return engine_.get(); }
    CSoundDevice* Device() const { return device_; }
    // Frequency of the buffers for the sample rate, tempo percent and pitch; 0 when out of range.
    int PlaybackFrequency() const;

    // Marker positions in ms; the song file keeps only their number.
    std::vector<int32_t> markers;

private:
    bool HasOpenEngine() const;
    void ApplyEffects();
    void ApplyEqualiser();
    void TakeFormatInfo();

    std::unique_ptr<CMusicEngine> engine_;
    CSoundDevice* device_ = nullptr;
    bool networkStream_ = false;
    bool muted_ = false;
    bool equaliserOn_ = false;
    int channelMode_ = 0;
    int resumePosition_ = 0;
    std::string openFailure_;
};

}  // namespace tessaron
