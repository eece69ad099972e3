#pragma once

#include <cstdint>
#include <string>

#include "audiofile/CMediaReader.h"
#include "audiofile/CRiffFile.h"

namespace tessaron {

// Reads and writes RIFF WAVE files. Any format tag is described; only 8- and 16-bit PCM with
// one or two channels is delivered, so that every other WAV goes to the decoding reader.
class CWaveReader : public CMediaReader {
public:
    CWaveReader() : CMediaReader(ReaderKind::Wave) {}
    ~CWaveReader() override;

    bool OpenForRead(const std::string& path) override;
    bool ParseHeader(const std::string& path) override;
    void CloseFile() override;
    bool SeekToEnd() override;
    int32_t Read(void* buffer, int32_t bytes) override;
    // Completes the chunk sizes and puts the file in place (see COutputFile); until then the
    // path keeps what it held, and a writer closed or destroyed earlier leaves it unchanged.
    bool FinishWrite() override;
    int32_t Write(const void* data, int32_t bytes) override;
    // Starts a file announcing `dataBytes` of sound; a non-PCM format keeps its extra bytes.
    bool CreateForWrite(const std::string& path, const CWaveFormat& format, int64_t dataBytes) override;
    bool SeekMs(int32_t ms) override;
    bool Open(const std::string& path, int32_t startMs, int32_t endMs) override;
    std::string SizeText() const override;
    std::string FormatText() const override;

    // Why writing failed, in the system's words where it has them ("No space left on device").
    std::string WriteErrorText() const;
    // The most sound bytes one file can hold: the RIFF sizes are 32-bit.
    static int64_t MaxDataBytes();
    // FinishWrite, then announces `bytes` of sound (never more than were written) and closes.
    bool Close(int64_t bytes);
    // Holds a copy of PCM that is already in memory.
    bool WrapMemory(const void* pcm, int32_t size, const CWaveFormat& format);
    static CWaveFormat MakePcmFormat(bool mono, uint32_t rate) { return CWaveFormat::Pcm16(mono, rate); }
    // Replaces the sound held in memory (the edited sound that a save writes).
    bool ReplaceData(const void* pcm, int32_t size, int32_t ms);

    // Whether the parsed format is PCM that this reader delivers.
    bool IsDeliverable() const;
    int32_t DataStart() const { return static_cast<int32_t>(dataStart_); }
    int32_t FmtSize() const { return fmtSize_; }

private:
    void Reset();
    bool ReadFormat(const RiffChunk& chunk);
    bool CompleteChunks();

    CRiffFile file_;
    int32_t fmtSize_ = 0;
    int64_t dataStart_ = -1;
    int64_t dataSizeField_ = 0;  // where the data chunk's size lies, while writing
    int64_t written_ = 0;
    int64_t announced_ = 0;  // the data size the header was written with
    bool writing_ = false;
    bool tooLong_ = false;
};

}  // namespace tessaron
