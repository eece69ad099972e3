#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audioout/SoundBufferDesc.h"
#include "audioout/WaveFormat.h"

namespace tessaron {

class CEnvelope;
class CMediaReader;
class CSoundBuffer;
class CSoundDevice;
class CWaveFormat;
class SoundBlock;

// How a sample follows the song tempo.
enum class TempoMode : int32_t { None = 0, Stretch = 1, Rate = 2 };

// The sound of one sample: the PCM its reader decoded and the output buffer that holds and
// plays it. The buffer is created static, with volume, pan and frequency controls; the device's
// mixer plays it, so starting a sample costs one command.
//
// The sound is held once: the decoded bytes become an immutable block that the buffer plays as
// it is. Only a sound that differs from the decoded one (stretched, edited, effected) is a second
// block; a revert or a move to another device shares the block again instead of copying it.
//
// Byte positions and sizes refer to the buffer's PCM; times are ms. 8-bit sound is unsigned as
// in WAV files (128 is silence); sample values read from it are centred on 0.
//
// Called on the thread that owns the sample (user interface or scheduler, which serialise their
// calls); the mixer plays the buffer on its own thread.
class CSampleData {
public:
    // Bits of BufferFlags(): ask for a hardware or a software buffer.
    static constexpr int32_t kAskHardware = 1 << 2;
    static constexpr int32_t kAskSoftware = 1 << 3;
    // Lag range and window of the time stretch. The range spans the periods of sounds down to
    // 55 Hz, so that splices repeat or drop whole periods: one fixed lag would shift the pitch
    // of most tones by up to 5%.
    static constexpr int kStretchWindow = 444;
    static constexpr int kStretchMinLag = 222;
    static constexpr int kStretchMaxLag = 1024;

    CSampleData();
    ~CSampleData();
    CSampleData(const CSampleData&) = delete;
    CSampleData& operator=(const CSampleData&) = delete;

    // Loading: a reader holds the PCM between two times (0, 0: all of it).
    bool LoadFile(const std::string& path, int32_t startMs, int32_t endMs);
    // PCM already in memory (copied), opened on the device; fitted by rate to newTempo unless 0.
    bool LoadMemory(CSoundDevice* device, const void* pcm, int32_t size, const CWaveFormat& format,
                    float tempo, float newTempo);
    // Creates the buffer on what the data holds (a pending stretch included), without a copy.
    // On failure the reader is deleted.
    bool Open(CSoundDevice* device);
    // A new buffer of `bytes` of silence, rewound; the old one (stopped) goes only once the new
    // one exists.
    bool CreateBuffer(CSoundDevice* device, int32_t bytes, int32_t ms);
    // Puts into the buffer from 0: the float working copy when present, else the stretched
    // block, else the decoded PCM. The whole buffer's worth is published without a copy.
    bool Fill(int32_t bytes);
    // Planar floats (-1..1) that replace the PCM at the next Fill; `right` is used for stereo.
    void SetFloatCopy(std::vector<float> left, std::vector<float> right);

    // Transport and controls. Volume -1000..0 and pan -1000..1000 in tenths of a dB.
    bool Play();
    void Stop();
    void Rewind();
    void SetPlayCursor(int32_t bytes);
    int32_t PlayCursor() const;
    int SetVolume(int32_t volume);
    int SetPan(int32_t pan);
    bool AddVolume(int32_t delta);
    bool AddPan(int32_t delta);
    // Hz in 100..100000, or 0 for the data's own rate; anything else is not sent. The value
    // sent is kept and used by the next Play.
    bool SetFrequency(int32_t hertz);
    void SetTempoPercent(double percent);
    void SetDuplicatePitch(int32_t semitones);
    void SetDuplicatePitchFine(int32_t cents);
    bool IsPlaying() const;
    void SetLoop(bool loop) { loop_ = loop; }

    // Tempo fitting from oldTempo to newTempo: None restores the data's own length, Rate
    // changes the playback frequency, Stretch changes the length keeping the pitch. a and b are
    // the medium's stretch settings, passed along and unused. Fails, changing nothing, when a
    // tempo is 0 or the stretched buffer cannot be made.
    bool FitTempo(TempoMode mode, int32_t a, int32_t b, float oldTempo, float newTempo);
    void SetTempoMode(TempoMode mode) { tempoMode_ = mode; }

    // Largest magnitude of `frames` samples read from a position, skipping ahead where the level
    // falls; channel -1 is the mean of the channels.
    int32_t Peak(int32_t position, int32_t frames, int32_t channel) const;
    // One sample value of PCM: at `position` (0 when beyond the data) for channel 0, the next
    // one for any other channel, their mean for -1; 0 for bit depths other than 8 and 16.
    static int32_t Sample(int32_t position, int32_t channel, int32_t size, const uint8_t* data, int32_t bits);

    // Edits of the buffer. Positions are rounded down to a multiple of 4; a range with
    // start > end or end beyond the buffer is refused. Length changes make a new buffer, which
    // plays on if the old one played.
    bool CopyRange(uint8_t* destination, int32_t start, int32_t end) const;
    bool InsertAt(int32_t position, const uint8_t* block, int32_t size);
    bool DeleteRange(int32_t start, int32_t end);
    bool CropTo(int32_t start, int32_t end);
    bool Silence(int32_t start, int32_t end);
    // A new buffer with the decoded PCM again.
    bool Revert();
    // The buffer's sound becomes the decoded PCM, so that saving writes the edited sound.
    bool Commit();
    // The buffer's sound becomes `size` bytes of `bytes` (an undo, an effect made elsewhere);
    // it plays on if it played.
    bool ReplaceSound(const uint8_t* bytes, int32_t size);
    // One sample effect by command offset over bytes [start, end) of the buffer.
    bool ApplyEffect(int offset, int p1, int p2, int32_t start, int32_t end);

    // A buffer sharing the source's memory, with its settings; `index` is kept as its pitch.
    bool MakeDuplicate(CSampleData& source, int32_t index);
    // The buffer again on another device, with the same sound, controls and play state.
    bool MoveToDevice(CSoundDevice* device);
    // Writes the buffer's sound as a 16-bit PCM WAV file (see the .cpp for the header rules).
    bool SaveSample(const std::string& path, int32_t lengthMs, bool mono, std::string* error = nullptr) const;

    // Envelopes (owned by the medium) acting on this sound.
    void Attach(CEnvelope* envelope) { attached_.push_back(envelope); }
    const std::vector<CEnvelope*>& Attached() const { return attached_; }
    void ClearAttached() { attached_.clear(); }

    // What the buffer holds: BufferSize() bytes of PCM (null without data). Valid until the
    // next change of the sound.
    const uint8_t* Pcm() const;
    // The decoded (or committed) PCM: DataSize() bytes, null without data.
    const uint8_t* SourcePcm() const;
    // Bytes of sound this sample really holds: the decoded PCM, plus the buffer's sound when it
    // differs from it, plus what waits to be put in the buffer. 0 for a duplicate, whose sound
    // is its parent's.
    int64_t HeldBytes() const;
    // The reader that decoded the file; it describes the sound but has handed its bytes over.
    const CMediaReader* Reader() const { return reader_.get(); }
    CSoundDevice* Device() const { return device_; }
    CSoundBuffer* Buffer() const { return buffer_.get(); }
    bool HasBuffer() const { return buffer_ != nullptr; }
    int32_t DataSize() const { return dataSize_; }
    int32_t BufferSize() const { return bufferSize_; }
    int32_t Duration() const { return duration_; }          // of the PCM held by the reader
    int32_t FileDuration() const { return fileDuration_; }  // of the whole file
    int32_t PlayDuration() const { return playDuration_; }  // of what the buffer holds
    int32_t SampleRate() const { return sampleRate_; }
    int32_t Channels() const { return channels_; }
    int32_t BitsPerSample() const { return format_.bitsPerSample; }
    int32_t BlockAlign() const { return format_.blockAlign; }
    int32_t BytesPerSecond() const { return static_cast<int32_t>(format_.avgBytesPerSec); }
    int32_t SourceValue1() const { return sourceValue1_; }
    int32_t SourceValue2() const { return sourceValue2_; }
    // The rate the buffer's data is meant to play at: the fitted rate in Rate mode.
    int32_t PlayRate() const;
    TempoMode GetTempoMode() const { return tempoMode_; }
    float TargetTempo() const { return targetTempo_; }
    float Ratio() const { return ratio_; }
    int32_t RateFrequency() const { return rateFrequency_; }
    int32_t BufferFlags() const { return bufferFlags_; }
    void SetBufferFlags(int32_t flags) { bufferFlags_ = flags; }
    bool InHardware() const { return inHardware_; }
    bool Rewound() const { return rewound_; }
    bool Refreshed() const { return refresh_; }
    bool Loop() const { return loop_; }
    int32_t Pitch() const { return pitch_; }
    const CSampleData* Parent() const { return parent_; }

private:
    using Block = std::shared_ptr<const SoundBlock>;

    bool TakeReader(std::unique_ptr<CMediaReader> reader);
    void TakeReaderFields();
    // A new buffer of `bytes` playing `content` (silence when null); see CreateBuffer.
    bool MakeBuffer(CSoundDevice* device, int32_t bytes, int32_t ms, Block content);
    // What a fill puts in the buffer (see Fill), BufferSize() bytes long; the float copy and
    // the stretched block are used once.
    Block TakeContent();
    bool ReplaceBuffer(Block content);
    template <typename Edit>
    bool EditBuffer(Edit edit);
    bool Stretch(float oldTempo, float newTempo, Block& out) const;
    bool RestoreOwnLength();
    int32_t BaseRate() const;

    CSoundDevice* device_ = nullptr;
    std::unique_ptr<CSoundBuffer> buffer_;
    std::unique_ptr<CMediaReader> reader_;
    bool rewound_ = false;
    bool playing_ = false;
    SoundBufferDesc bufferDesc_;
    WaveFormat format_;  // what bufferDesc_ points to
    int32_t dataSize_ = 0;
    int32_t bufferSize_ = 0;
    int32_t sourceValue1_ = 0;
    int32_t duration_ = 0;
    int32_t fileDuration_ = 0;
    int32_t playDuration_ = 0;
    int32_t sourceValue2_ = 0;
    int32_t bufferFlags_ = 2;
    bool loop_ = false;
    int32_t sampleRate_ = 0;
    int32_t channels_ = 0;
    int32_t volumeOffset_ = 0;
    int32_t panOffset_ = 0;
    bool inHardware_ = false;
    int32_t pitch_ = 0;
    const CSampleData* parent_ = nullptr;
    std::vector<CEnvelope*> attached_;
    bool refresh_ = false;
    TempoMode tempoMode_ = TempoMode::None;
    float targetTempo_ = 0.0f;
    int32_t rateFrequency_ = 0;
    int32_t frequency_ = 0;  // the last frequency sent, 0 for none since the last fit
    Block source_;     // the decoded (or committed) PCM, dataSize_ bytes
    Block stretched_;  // a stretch made before the buffer exists, waiting for Open
    std::vector<float> floatLeft_, floatRight_;
    float ratio_ = 0.0f;
};

}  // namespace tessaron
