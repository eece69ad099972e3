#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sndfile.h>

#include "audiofile/CMediaReader.h"
#include "audiofile/CMpegHeader.h"

namespace tessaron {

// Decodes every file that libsndfile reads (MP3, FLAC, Ogg Vorbis, Opus, AIFF, AU and the WAV
// variants that CWaveReader leaves alone) into 16-bit PCM with the file's channels and rate.
// Lengths count whole milliseconds; the data size follows from the length.
class CStreamReader : public CMediaReader {
public:
    CStreamReader() : CMediaReader(ReaderKind::Stream) {}
    ~CStreamReader() override;

    bool OpenForRead(const std::string& path) override;
    bool ParseHeader(const std::string& path) override;
    // Releases the decoder; the sound already loaded stays.
    void CloseFile() override;
    bool SeekToEnd() override;
    int32_t Read(void* buffer, int32_t bytes) override;
    bool SeekMs(int32_t ms) override;
    bool Open(const std::string& path, int32_t startMs, int32_t endMs) override;
    std::string SizeText() const override;
    std::string FormatText() const override;
    CFormatInfo FormatInfo() const override;

    bool IsOpen() const { return file_ != nullptr; }
    int64_t FileSize() const { return fileSize_; }
    int32_t Position() const { return readPos_; }
    const std::optional<CMpegHeader>& MpegHeader() const { return mpeg_; }

private:
    struct Closer {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };

    bool OpenDecoder(const std::string& path);
    int64_t Decode(uint8_t* destination, int64_t frames);
    sf_count_t DecodePiece(uint8_t* destination, sf_count_t frames);
    bool SeekFrame(int64_t frame);

    std::vector<short> shorts_;  // scratch for conversions and skipped frames
    std::vector<float> floats_;
    bool floatSource_ = false;
    std::unique_ptr<SNDFILE, Closer> file_;
    std::string path_;
    int64_t fileSize_ = 0;
    std::optional<CMpegHeader> mpeg_;
};

}  // namespace tessaron
