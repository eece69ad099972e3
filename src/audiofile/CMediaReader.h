#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audiofile/CMpegHeader.h"
#include "audiofile/CWaveFormat.h"
#include "audiofile/ReaderError.h"

namespace tessaron {

// Which reader a CMediaReader is.
enum class ReaderKind : int32_t { None = 0, Wave = 4, Stream = 5 };

// What the format query answers.
struct CFormatInfo {
    int32_t channels = 0;
    int32_t bitsPerSample = 0;
    int32_t bytesPerSecond = 0;
    std::optional<CMpegHeader> mpeg;  // the file's first MPEG frame header, when it has one
};

// Opens a sound file, describes its sound by a wave format record, delivers its PCM and, for
// WAV files, writes them. Sizes are bytes of sound data, times milliseconds. A failed
// operation answers false (or 0 bytes) and leaves its reason in ErrorCode().
class CMediaReader {
public:
    // Most sound data a reader holds in memory (100 MiB).
    static constexpr int32_t kMaxDataBytes = 104857600;

    virtual ~CMediaReader();
    CMediaReader(const CMediaReader&) = delete;
    CMediaReader& operator=(const CMediaReader&) = delete;

    // The format and length, ready for sequential Read calls.
    virtual bool OpenForRead(const std::string& path);
    virtual bool ParseHeader(const std::string& path);
    // Releases the open file; the sound already loaded stays.
    virtual void CloseFile();
    virtual bool SeekToEnd();
    // Delivers up to `bytes` bytes of sound; a read shorter than asked sets AtEnd().
    virtual int32_t Read(void* buffer, int32_t bytes);
    virtual bool FinishWrite();
    virtual int32_t Write(const void* data, int32_t bytes);
    virtual bool CreateForWrite(const std::string& path, const CWaveFormat& format, int64_t dataBytes);
    virtual bool SeekMs(int32_t ms);
    // Loads the sound between two times into memory; start = end = 0 loads all of it.
    virtual bool Open(const std::string& path, int32_t startMs, int32_t endMs);
    virtual int32_t GetBytesPerSecond() const { return bytesPerSecond_; }
    virtual int32_t GetDataSize() const { return dataSize_; }
    virtual std::string SizeText() const { return ""; }
    virtual std::string FormatText() const { return ""; }
    virtual CFormatInfo FormatInfo() const;
    // Hooks for decoders that buffer, loop or change speed themselves; both readers ignore them.
    virtual void SetBlockSize(int32_t /*bytes*/) {}
    virtual void SetTempoPercent(double /*percent*/) {}
    virtual void SetNetworkStream(bool /*network*/) {}
    virtual void SetLoop(bool /*loop*/) {}
    virtual int32_t GetDuration() const { return duration_; }
    // Shortens the sound to `ms` unless that cuts less than 10 ms.
    virtual void TruncateMs(int32_t ms);

    ReaderKind Kind() const { return kind_; }
    const CWaveFormat& Format() const { return format_; }
    int32_t Channels() const { return channels_; }
    int32_t SampleRate() const { return sampleRate_; }
    int32_t BitsPerSample() const { return format_.bitsPerSample; }
    int32_t BlockAlign() const { return blockAlign_; }
    uint16_t FormatTag() const { return formatTag_; }
    int32_t ReadPos() const { return readPos_; }
    bool AtEnd() const { return atEnd_; }
    bool Failed() const { return failed_; }
    ReaderError ErrorCode() const { return errorCode_; }

    // The sound held in memory by Open, WrapMemory or ReplaceData.
    const uint8_t* Data() const { return data_.get(); }
    uint8_t* Data() { return data_.get(); }
    int32_t LoadedSize() const { return loadedSize_; }
    int32_t LoadedDuration() const { return loadedDuration_; }

    // truncate((bytes / bytes per second + 0.0004999) x 1000); 0 without a rate.
    static int32_t DurationMs(int64_t bytes, int32_t bytesPerSecond);
    // "%d k  /  %d ms" below 9999 ms, else "%d k  /  HH:MM:SS.mmm".
    static std::string MakeSizeText(int64_t kilobytes, int32_t ms);

protected:
    explicit CMediaReader(ReaderKind kind) : kind_(kind) {}

    // Records the error and answers false.
    bool Fail(ReaderError error);
    void ClearError();
    void SetFormat(const CWaveFormat& format);
    int64_t RoundToFrames(int64_t bytes) const;
    int32_t DurationOf(int64_t bytes) const { return DurationMs(bytes, bytesPerSecond_); }
    // A block for `bytes` bytes, its contents left as they are; false (error 258) when refused.
    bool AllocateData(int64_t bytes);
    // Replaces the block by a copy of `bytes` bytes at `source` (which may lie in the old block).
    bool CopyData(const void* source, int64_t bytes);
    void SetLoaded(int32_t bytes, int32_t ms);

    CWaveFormat format_;
    int32_t blockAlign_ = 0;
    int32_t bytesPerSecond_ = 0;
    int32_t dataSize_ = 0;
    int32_t readPos_ = 0;
    int32_t duration_ = 0;
    int32_t sampleRate_ = 0;
    uint16_t channels_ = 0;
    uint16_t formatTag_ = 0;
    bool atEnd_ = false;

private:
    ReaderKind kind_;
    int32_t loadedSize_ = 0;
    int32_t loadedDuration_ = 0;
    bool failed_ = false;
    ReaderError errorCode_ = ReaderError::None;
    std::unique_ptr<uint8_t[]> data_;
};

}  // namespace tessaron
