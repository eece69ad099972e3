#include "audiofile/CStreamReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "audiofile/FilePaths.h"
#include "audiofile/FileTypes.h"

namespace tessaron {

namespace {

constexpr int64_t kPieceBytes = 0x40000;  // a large read is decoded in pieces of 256 KiB
constexpr int kMaxChannels = 64;

}  // namespace

CStreamReader::~CStreamReader() { CloseFile(); }

bool CStreamReader::OpenDecoder(const std::string& path)
{
    CloseFile();
    ClearError();
    path_ = path;
    mpeg_.reset();
    dataSize_ = readPos_ = duration_ = 0;
    atEnd_ = false;
    fileSize_ = GetFileSize(path);
    if (IsNetworkPath(path)) {
        return Fail(ReaderError::CannotOpen);
    }
    // Regular files only: opening a named pipe would wait for a writer.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return Fail(ReaderError::CannotOpen);
    }
    SF_INFO info{};
    file_.reset(sf_open(path.c_str(), SFM_READ, &info));
    if (!file_) {
        return Fail(ReaderError::CannotOpen);
    }
    const int64_t bytesPerSecond = int64_t{info.samplerate} * info.channels * 2;
    if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1 || bytesPerSecond > INT32_MAX ||
        info.frames < 0) {
        CloseFile();
        return Fail(ReaderError::CannotOpen);
    }
    // Decoded codecs (Vorbis, Opus, MP3) above full scale saturate instead of wrapping around.
    sf_command(file_.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // libsndfile hands float samples to a 16-bit read unscaled (0.5 becomes 0), so those
    // files are read as float and converted here.
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    floatSource_ = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;

    CWaveFormat format;
    format.formatTag = static_cast<uint16_t>(WaveFormatTag::Pcm);
    format.channels = static_cast<uint16_t>(info.channels);
    format.samplesPerSec = static_cast<uint32_t>(info.samplerate);
    format.blockAlign = static_cast<uint16_t>(info.channels * 2);
    format.avgBytesPerSec = static_cast<uint32_t>(bytesPerSecond);
    format.bitsPerSample = 16;
    SetFormat(format);

    const int64_t lengthMs = std::min<int64_t>(info.frames / info.samplerate * 1000 +
                                                   info.frames % info.samplerate * 1000 / info.samplerate,
                                               INT32_MAX);
    duration_ = static_cast<int32_t>(lengthMs);
    dataSize_ = static_cast<int32_t>(RoundToFrames(std::min<int64_t>(lengthMs * bytesPerSecond / 1000, INT32_MAX)));
    if (IsMpegFile(path)) {
        mpeg_ = CMpegHeader::FindInFile(path);
    }
    return true;
}

bool CStreamReader::OpenForRead(const std::string& path) { return OpenDecoder(path); }
bool CStreamReader::ParseHeader(const std::string& path) { return OpenDecoder(path); }

void CStreamReader::CloseFile() { file_.reset(); }

bool CStreamReader::SeekToEnd()
{
    readPos_ = dataSize_;
    atEnd_ = true;
    return IsOpen();
}

sf_count_t CStreamReader::DecodePiece(uint8_t* destination, sf_count_t frames)
{
    const size_t samples = static_cast<size_t>(frames * channels_);
    sf_count_t got = 0;
    if (floatSource_) {
        floats_.resize(samples);
        shorts_.resize(samples);
        got = sf_readf_float(file_.get(), floats_.data(), frames);
        for (size_t i = 0; i < static_cast<size_t>(std::max<sf_count_t>(got, 0) * channels_); ++i) {
            shorts_[i] = static_cast<short>(std::clamp(std::lrint(floats_[i] * 32768.0f), -32768L, 32767L));
        }
    } else if (reinterpret_cast<uintptr_t>(destination) % alignof(short) == 0) {
        return sf_readf_short(file_.get(), reinterpret_cast<short*>(destination), frames);
    } else {
        // libsndfile writes whole shorts; an odd destination address gets them through a copy.
        shorts_.resize(samples);
        got = sf_readf_short(file_.get(), shorts_.data(), frames);
    }
    if (got > 0) {
        std::memcpy(destination, shorts_.data(), static_cast<size_t>(got * blockAlign_));
    }
    return got;
}

int64_t CStreamReader::Decode(uint8_t* destination, int64_t frames)
{
    const int64_t pieceFrames = std::max<int64_t>(1, kPieceBytes / blockAlign_);
    int64_t done = 0;
    while (done < frames) {
        const int64_t want = std::min(pieceFrames, frames - done);
        const sf_count_t got = DecodePiece(destination + done * blockAlign_, want);
        if (got <= 0) {
            break;
        }
        done += got;
        if (got < want) {
            break;
        }
    }
    return done;
}

bool CStreamReader::SeekFrame(int64_t frame)
{
    if (sf_seek(file_.get(), frame, SEEK_SET) == frame) {
        return true;
    }
    // libsndfile 1.2 misses some positions in the last page of an Ogg Vorbis file: land a
    // little earlier (or at the start) and decode forward to the frame.
    for (const int64_t back : {int64_t{16384}, frame}) {
        const int64_t start = std::max<int64_t>(0, frame - back);
        if (sf_seek(file_.get(), start, SEEK_SET) != start) {
            continue;
        }
        std::vector<uint8_t> skipped(static_cast<size_t>(std::min<int64_t>(frame - start, 4096) * blockAlign_));
        int64_t left = frame - start;
        while (left > 0) {
            const int64_t got = Decode(skipped.data(), std::min<int64_t>(left, 4096));
            if (got <= 0) {
                break;
            }
            left -= got;
        }
        if (left == 0) {
            return true;
        }
    }
    return false;
}

int32_t CStreamReader::Read(void* buffer, int32_t bytes)
{
    if (!IsOpen() || atEnd_ || bytes <= 0 || blockAlign_ <= 0) {
        return 0;
    }
    const int64_t wanted = RoundToFrames(std::min<int64_t>(bytes, dataSize_ - readPos_));
    const int64_t frames = wanted > 0 ? Decode(static_cast<uint8_t*>(buffer), wanted / blockAlign_) : 0;
    const int32_t delivered = static_cast<int32_t>(frames * blockAlign_);
    readPos_ += delivered;
    if (delivered < RoundToFrames(bytes)) {
        atEnd_ = true;
        if (delivered < wanted) {
            readPos_ = dataSize_;  // the decoder reported the end of the stream
        }
    }
    return delivered;
}

bool CStreamReader::SeekMs(int32_t ms)
{
    if (!IsOpen() || ms < 0 || ms > duration_) {
        return false;
    }
    const int64_t frame = int64_t{ms} * sampleRate_ / 1000;
    if (!SeekFrame(frame)) {
        return Fail(ReaderError::CannotSeek);
    }
    readPos_ = static_cast<int32_t>(std::min<int64_t>(frame * blockAlign_, dataSize_));
    atEnd_ = false;
    return true;
}

bool CStreamReader::Open(const std::string& path, int32_t startMs, int32_t endMs)
{
    const bool whole = startMs == 0 && endMs == 0;
    if (!whole && (startMs < 0 || endMs <= startMs)) {
        CloseFile();
        return Fail(ReaderError::OutOfMemory);
    }
    if (!OpenDecoder(path)) {
        return false;
    }
    const int64_t wanted = whole ? dataSize_ : RoundToFrames(int64_t{bytesPerSecond_} * (endMs - startMs) / 1000);
    // Refused before anything is allocated.
    if (wanted > kMaxDataBytes) {
        CloseFile();
        return Fail(ReaderError::CannotOpen);
    }
    if (startMs > 0 && !SeekMs(startMs)) {
        CloseFile();
        return Fail(ReaderError::CannotSeek);
    }
    const int64_t size = std::min<int64_t>(wanted, dataSize_ - readPos_);
    if (!AllocateData(size)) {
        CloseFile();
        return false;
    }
    const int32_t got = size > 0 ? Read(Data(), static_cast<int32_t>(size)) : 0;
    if (whole && got < dataSize_) {
        // Some decoders only estimate the length (MP3 without an encoder tag): what was
        // decoded is the length.
        dataSize_ = got;
        duration_ = DurationOf(got);
    }
    SetLoaded(got, got == wanted ? (whole ? duration_ : endMs - startMs) : DurationOf(got));
    CloseFile();
    return true;
}

std::string CStreamReader::SizeText() const { return MakeSizeText((fileSize_ >> 10) & 0x3FFFFF, duration_); }

std::string CStreamReader::FormatText() const
{
    char text[128];
    if (mpeg_) {
        std::snprintf(text, sizeof text, "Mpeg%s Layer%d %s %dKbps %dBits %d", mpeg_->VersionText().c_str(), mpeg_->layer,
                      mpeg_->ChannelModeWord(), mpeg_->bitRateKbps, format_.bitsPerSample, sampleRate_);
    } else {
        std::snprintf(text, sizeof text, "%dbits %d %s", format_.bitsPerSample, sampleRate_,
                      channels_ == 1 ? "mono" : "stereo");
    }
    return text;
}

CFormatInfo CStreamReader::FormatInfo() const
{
    CFormatInfo info = CMediaReader::FormatInfo();
    info.mpeg = mpeg_;
    return info;
}

}  // namespace tessaron
