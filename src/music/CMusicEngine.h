#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audiofile/CMediaReader.h"
#include "audioout/WaveFormat.h"
#include "music/MusicProcessor.h"

namespace tessaron {

class CSoundBuffer;
class CSoundDevice;

// Plays one long audio file by streaming it: a worker thread decodes ahead of the play cursor
// of a looping sound buffer (and of an optional monitor buffer on a second device) every
// period, processing the samples on the way (gain, channel mode, effect filter, equaliser).
// Speed changes change the buffers' frequency. At the end of a file that does not loop, the
// buffered sound plays out as silence follows it, and the device's window hears message 1052
// once, naming the end cookie. In analysis mode there is no buffer: Read decodes on demand.
//
// Threads: the user interface and the scheduler call everything here; the worker fills under
// the engine's lock; the audio thread only reads the blocks that a fill published. The worker
// is never the audio thread.
class CMusicEngine {
public:
    static constexpr int kBufferMs = 500;
    static constexpr int kPeriodMs = 50;
    static constexpr int kOpticalBufferMs = 2000;
    static constexpr int kOpticalPeriodMs = 400;
    static constexpr int kMinBufferMs = 50;
    static constexpr int kMaxBufferMs = 19200;
    static constexpr int kSkipFrames = 20480;  // frames thrown away by a Read with skip
    // Streaming buffer: frequency, pan and volume control, global focus, precise play cursor.
    static constexpr uint32_t kBufferFlags = 0x180E0;
    // Posted to the device's window when playback has run out (the song's "medium ended").
    static constexpr uint32_t kEndMessage = 1052;

    explicit CMusicEngine(bool analysisMode = false);
    ~CMusicEngine();
    CMusicEngine(const CMusicEngine&) = delete;
    CMusicEngine& operator=(const CMusicEngine&) = delete;

    // A second device that plays the same stream (pre-listening); before Open.
    void SetMonitorDevice(CSoundDevice* device) { monitorDevice_ = device; }
    // Opens `path` with the WAV reader for WAV paths, else the decoding reader, and (unless in
    // analysis mode) makes the sound buffers on `device`. `cookie` is the second parameter of
    // the end message.
    bool Open(const std::string& path, CSoundDevice* device, const void* cookie);
    // Reads only what describes the file (format, length), for information.
    bool ReadHeader(const std::string& path);
    // Stops the worker and releases the buffers and the reader.
    void Close();

    // Fills the buffer ahead so that Start plays at once; answers whether it is ready.
    bool Prepare();
    // Plays from where decoding stands (the start position after Open or Stop); resumes a pause.
    bool Start();
    // Stops the worker and the buffers; the next Start plays from the start offset again.
    void Stop();
    bool Pause(bool on);
    // Moves decoding to `ms` of the file; a playing stream sounds from there within a period.
    bool Seek(int32_t ms);
    // Analysis mode only: decodes up to `bytes` (whole frames) into `destination`, after
    // throwing away kSkipFrames frames when `skip` is set; answers the bytes delivered.
    int32_t Read(void* destination, int32_t bytes, bool skip);

    void SetNetworkStream(bool on) { networkStream_ = on; }
    // Speed by the buffers' frequency: rate x (1 + percent / 100), applied within 100..100000 Hz.
    bool SetTempoPercent(double percent);
    double TempoPercent() const { return tempoPercent_; }
    bool SetFrequency(uint32_t hertz);
    uint32_t Frequency() const;
    bool SetGainDb(int db);
    void SetEqualiser(bool on, int gain1, int design1, int gain2, int design2, int gain3, int design3);
    void SetEqualiserOn(bool on);
    void SetEffect(bool first, int design1, bool second, int design2, bool third, int design3);
    bool SetChannelMode(int mode);
    void SetBypass(bool on);
    void SetLoop(bool loop) { loop_.store(loop); }
    bool Loop() const { return loop_.load(); }
    // 50..19200 ms; the sound waiting to be played is carried into the new buffers.
    bool SetBufferLength(int ms);
    void SetStartOffset(int ms);
    void SetEndOffset(int ms);
    // Where decoding starts when opened.
    void SetStartPosition(int ms) { startPositionMs_.store(ms < 0 ? 0 : ms); }
    bool SetVolume(int32_t hundredthsDb);
    int32_t Volume() const { return volume_.load(); }
    // The loudest sample the stream put out since the last call, 0..1 (the level meter's feed).
    float TakePeak();
    bool SetPan(int32_t hundredthsDb);
    int32_t Pan() const { return pan_.load(); }
    void SetArmed(bool armed) { armed_.store(armed); }
    bool IsArmed() const { return armed_.load(); }
    void SetMode(int mode) { mode_ = mode; }
    int Mode() const { return mode_; }
    void SetExtraValue(int value) { extraValue_ = value; }

    bool IsOpened() const { return opened_.load(); }
    bool IsPlaying() const { return playing_.load() != 0; }
    bool IsPaused() const { return paused_.load() != 0; }
    bool IsEnded() const { return ended_.load(); }
    bool IsAnalysis() const { return analysis_; }
    bool IsMp3() const { return mp3_; }
    bool WorkerRunning() const { return workerRunning_.load(); }

    const WaveFormat& Format() const { return format_; }
    int SampleRate() const { return static_cast<int>(format_.samplesPerSec); }
    int Channels() const { return format_.channels; }
    int BitsPerSample() const { return format_.bitsPerSample; }
    int BlockAlign() const { return format_.blockAlign; }
    int BytesPerSecond() const { return static_cast<int>(format_.avgBytesPerSec); }
    int DataSize() const { return dataSize_; }
    int LengthMs() const { return lengthMs_; }
    int StartOffset() const { return startOffset_; }
    int EndOffset() const { return endOffset_; }
    CFormatInfo FormatInfo() const { return info_; }
    std::string FormatText() const;
    int BufferLength() const { return bufferMs_.load(); }
    int ThreadPeriod() const { return periodMs_.load(); }
    uint32_t BufferBytes() const { return bufferBytes_.load(); }
    int TailLength() const { return tailLength_; }
    // Decoded bytes delivered since the start position, and that position in ms of the file.
    int32_t PositionBytes() const { return positionBytes_.load(); }
    int32_t PositionMs() const;
    // What is sounding about now: the position less the buffer's length, never below 0.
    int32_t PlayedPositionMs() const;
    // Whether the position moved since the last call; clears it.
    bool TakePositionChanged() { return positionChanged_.exchange(0) != 0; }
    int GetLoopPoints(int& start, int& end) const;

private:
    bool OpenReader(const std::string& path);
    bool CreateBuffers(uint32_t bytes);
    void ApplyControls(CSoundBuffer& buffer) const;
    uint32_t BytesForMs(int ms) const;
    void LimitPeriod();
    void RewindLocked();
    bool RestartLocked();
    bool PrimeLocked();
    bool FillLocked();
    uint32_t FillRegion(uint8_t* destination, uint32_t bytes);
    bool WriteToBuffers(uint32_t offset, const uint8_t* data, uint32_t bytes);
    void EndPlaybackLocked();
    void StopWorker();
    void WorkerLoop();
    uint32_t RangeEndBytes() const;

    const bool analysis_;
    std::recursive_mutex lock_;  // buffers, reader, cursors, position, filters

    std::unique_ptr<CMediaReader> reader_;
    CSoundDevice* mainDevice_ = nullptr;
    // Applies `change` to the main and the monitor buffer, whichever exist; true when every one took it.
    template <typename Change>
    bool OnEachBuffer(Change change)
    {
        bool ok = true;
        for (CSoundBuffer* buffer : {main_.get(), monitor_.get()}) {
            if (buffer != nullptr) {
                ok = change(*buffer) && ok;
            }
        }
        return ok;
    }

    std::unique_ptr<CSoundBuffer> main_;
    CSoundDevice* monitorDevice_ = nullptr;
    std::unique_ptr<CSoundBuffer> monitor_;
    WaveFormat format_;
    CFormatInfo info_;
    uint32_t writeCursor_ = 0;
    std::atomic<int> bufferMs_{kBufferMs};
    std::atomic<uint32_t> bufferBytes_{0};
    std::atomic<int> periodMs_{kPeriodMs};
    int tailLength_ = 0;
    std::atomic<int> positionChanged_{0};
    std::atomic<int32_t> startPositionMs_{0};
    std::atomic<int32_t> positionBytes_{0};
    int startOffset_ = 0;
    int endOffset_ = 0;
    int lengthMs_ = 0;
    int dataSize_ = 0;
    std::atomic<int> stopRequest_{1};
    std::atomic<int> playing_{0};
    std::atomic<bool> opened_{false};
    std::atomic<int> paused_{0};
    std::atomic<bool> ended_{false};
    std::atomic<bool> armed_{false};
    std::atomic<bool> loop_{false};
    bool primed_ = false;  // the buffer holds the next sound from its start
    int tailCount_ = 0;
    uint32_t silenceWritten_ = 0;  // bytes of silence written since the sound ran out
    MusicProcessor processor_;
    double tempoPercent_ = 0.0;
    uint32_t frequency_ = 0;  // 0: the data's own rate
    std::atomic<int32_t> volume_{0};
    std::atomic<int32_t> pan_{0};
    std::deque<std::vector<uint8_t>> pending_;  // decoded sound to deliver before the reader's
    size_t pendingOffset_ = 0;                  // bytes of the first pending block already used
    std::vector<uint8_t> scratch_;
    bool mp3_ = false;
    bool networkStream_ = false;
    int mode_ = 13;
    int extraValue_ = 0;
    const void* cookie_ = nullptr;

    std::thread worker_;
    std::atomic<bool> workerRunning_{false};
    std::mutex wakeMutex_;
    std::condition_variable wake_;
};

}  // namespace tessaron
