#include "audiofile/CWaveReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "audiofile/LittleEndian.h"

namespace tessaron {

namespace {

constexpr int64_t kRiffHeaderBytes = 12;
// What a RIFF size field can describe, less the headers in front of the sound.
constexpr int64_t kMaxWrittenBytes = 0xFFFFFFFFLL - 1024;

}  // namespace

CWaveReader::~CWaveReader() { CloseFile(); }

void CWaveReader::Reset()
{
    CloseFile();
    ClearError();
    format_ = CWaveFormat{};
    SetFormat(format_);
    dataSize_ = readPos_ = duration_ = 0;
    atEnd_ = false;
    fmtSize_ = 0;
    dataStart_ = -1;
    written_ = 0;
    announced_ = 0;
    tooLong_ = false;
}

bool CWaveReader::ParseHeader(const std::string& path)
{
    Reset();
    if (!file_.OpenRead(path)) {
        return Fail(ReaderError::CannotOpen);
    }
    uint8_t riff[kRiffHeaderBytes];
    if (file_.Read(riff, sizeof riff) != sizeof riff || le::Get32(riff) != FourCC("RIFF") ||
        le::Get32(riff + 8) != FourCC("WAVE")) {
        return Fail(ReaderError::NotRiffWave);
    }
    // Chunks are looked for inside the RIFF chunk, or up to the end of the file when its
    // size cannot be right (writers that died before patching it leave 0).
    const int64_t fileSize = file_.FileSize();
    const int64_t riffEnd = 8 + int64_t{le::Get32(riff + 4)};
    const int64_t end = (riffEnd >= kRiffHeaderBytes + 8 && riffEnd <= fileSize) ? riffEnd : fileSize;

    const auto fmt = file_.FindChunk(FourCC("fmt "), kRiffHeaderBytes, end);
    if (!fmt) {
        return Fail(ReaderError::ChunkNotFound);
    }
    if (!ReadFormat(*fmt)) {
        return false;
    }
    const auto data = file_.FindChunk(FourCC("data"), kRiffHeaderBytes, end);
    if (!data) {
        return Fail(ReaderError::ChunkNotFound);
    }
    if (!file_.Seek(data->dataOffset)) {
        return Fail(ReaderError::CannotSeek);
    }
    dataStart_ = data->dataOffset;
    readPos_ = 0;
    // A chunk that announces more than the file holds is cut to what is there.
    const int64_t present = std::min<int64_t>(data->size, std::max<int64_t>(0, fileSize - dataStart_));
    dataSize_ = static_cast<int32_t>(RoundToFrames(std::min<int64_t>(present, INT32_MAX)));
    duration_ = DurationOf(dataSize_);
    return true;
}

bool CWaveReader::ReadFormat(const RiffChunk& chunk)
{
    uint8_t basic[CWaveFormat::kPcmRecordSize];
    if (chunk.size < sizeof basic || file_.Read(basic, sizeof basic) != sizeof basic) {
        return Fail(ReaderError::CannotRead);
    }
    CWaveFormat format = CWaveFormat::FromBasicBytes(basic);
    // The extra size is read only inside the chunk: a 16-byte non-PCM chunk has no extra bytes.
    if (!format.IsPcm() && chunk.size >= CWaveFormat::kRecordSize) {
        uint8_t extraSize[2];
        if (file_.Read(extraSize, sizeof extraSize) != sizeof extraSize) {
            return Fail(ReaderError::CannotRead);
        }
        const uint16_t size = le::Get16(extraSize);
        if (size > chunk.size - CWaveFormat::kRecordSize) {
            return Fail(ReaderError::CannotRead);
        }
        format.extra.resize(size);
        if (file_.Read(format.extra.data(), size) != size) {
            return Fail(ReaderError::CannotRead);
        }
    }
    // Writers often put 2 into the block align of 16-bit stereo.
    if (format.IsPcm() && format.channels == 2 && format.bitsPerSample != 8) {
        format.blockAlign = 4;
    }
    if (format.blockAlign == 0) {
        format.blockAlign = format.IsPcm() ? static_cast<uint16_t>(format.channels * ((format.bitsPerSample + 7) / 8)) : 1;
    }
    if (format.blockAlign == 0) {
        format.blockAlign = 1;
    }
    SetFormat(format);
    return true;
}

bool CWaveReader::IsDeliverable() const
{
    return format_.IsPcm() && (format_.bitsPerSample == 8 || format_.bitsPerSample == 16) &&
           (format_.channels == 1 || format_.channels == 2) && bytesPerSecond_ > 0;
}

bool CWaveReader::OpenForRead(const std::string& path)
{
    if (!ParseHeader(path)) {
        return false;
    }
    return IsDeliverable() || Fail(ReaderError::NotRiffWave);
}

void CWaveReader::CloseFile()
{
    file_.Close();
    writing_ = false;
}

bool CWaveReader::SeekToEnd()
{
    if (file_.IsOpen() && dataStart_ >= 0) {
        file_.Seek(dataStart_ + dataSize_);
        readPos_ = dataSize_;
    }
    return true;
}

int32_t CWaveReader::Read(void* buffer, int32_t bytes)
{
    if (!file_.IsOpen() || writing_ || atEnd_ || bytes <= 0 || dataStart_ < 0) {
        return 0;
    }
    const int32_t wanted = std::min(bytes, dataSize_ - readPos_);
    const int32_t got = wanted > 0 ? static_cast<int32_t>(file_.Read(buffer, static_cast<size_t>(wanted))) : 0;
    readPos_ += got;
    if (got < bytes) {
        atEnd_ = true;
    }
    return got;
}

bool CWaveReader::SeekMs(int32_t ms)
{
    if (!file_.IsOpen() || writing_ || dataStart_ < 0 || ms < 0 || ms > duration_) {
        return false;
    }
    int64_t offset = int64_t{ms} * bytesPerSecond_ / 1000;
    offset = std::min<int64_t>(offset - offset % 4, dataSize_);
    if (!file_.Seek(dataStart_ + offset)) {
        return Fail(ReaderError::CannotSeek);
    }
    readPos_ = static_cast<int32_t>(offset);
    atEnd_ = false;
    return true;
}

bool CWaveReader::Open(const std::string& path, int32_t startMs, int32_t endMs)
{
    const bool whole = startMs == 0 && endMs == 0;
    if (!whole && (startMs < 0 || endMs <= startMs)) {
        Reset();
        return Fail(ReaderError::OutOfMemory);
    }
    if (!OpenForRead(path)) {
        return false;
    }
    int64_t wanted = dataSize_;
    if (!whole) {
        wanted = RoundToFrames(int64_t{bytesPerSecond_} * (endMs - startMs) / 1000);
        if (!SeekMs(startMs)) {
            return Fail(ReaderError::OutOfMemory);
        }
    }
    // Never more than the file holds after the start.
    const int64_t size = std::min<int64_t>(wanted, dataSize_ - readPos_);
    if (size > kMaxDataBytes) {
        return Fail(ReaderError::CannotOpen);
    }
    if (!AllocateData(size)) {
        return false;
    }
    const int32_t got = size > 0 ? static_cast<int32_t>(file_.Read(Data(), static_cast<size_t>(size))) : 0;
    readPos_ += got;
    if (whole) {
        SetLoaded(got, got == dataSize_ ? duration_ : DurationOf(got));
    } else {
        SetLoaded(got, got == wanted ? endMs - startMs : DurationOf(got));
    }
    // The sound is in memory; the file handle is not needed any more.
    file_.Close();
    return true;
}

std::string CWaveReader::SizeText() const { return MakeSizeText(dataSize_ / 1024, duration_); }

std::string CWaveReader::FormatText() const
{
    char text[96];
    std::snprintf(text, sizeof text, "%s %s  %d Bits  %d", format_.FormatName().c_str(),
                  channels_ == 1 ? "Mono" : "Stereo", format_.bitsPerSample, sampleRate_);
    return text;
}

bool CWaveReader::CreateForWrite(const std::string& path, const CWaveFormat& format, int64_t dataBytes)
{
    Reset();
    if (dataBytes < 0) {
        dataBytes = 0;
    }
    if (dataBytes > kMaxWrittenBytes) {
        return Fail(ReaderError::CannotWrite);
    }
    if (!file_.OpenWrite(path)) {
        return Fail(ReaderError::CannotOpen);
    }
    SetFormat(format);
    const std::vector<uint8_t> record = format.Bytes();
    fmtSize_ = format.IsPcm() ? static_cast<int32_t>(CWaveFormat::kPcmRecordSize) : static_cast<int32_t>(record.size());
    const int32_t fmtPad = fmtSize_ & 1;
    const uint8_t zero = 0;
    dataSizeField_ = kRiffHeaderBytes + 8 + fmtSize_ + fmtPad + 4;
    dataStart_ = dataSizeField_ + 4;
    announced_ = dataBytes;
    // The header announces the final sizes, so that a stream that cannot be patched later is
    // complete when the announced bytes have been written.
    const bool ok = file_.Write32(FourCC("RIFF")) &&
                    file_.Write32(static_cast<uint32_t>(dataBytes + (dataBytes & 1) + fmtSize_ + fmtPad + 20)) &&
                    file_.Write32(FourCC("WAVE")) && file_.Write32(FourCC("fmt ")) &&
                    file_.Write32(static_cast<uint32_t>(fmtSize_)) && file_.Write(record.data(), static_cast<size_t>(fmtSize_)) &&
                    (fmtPad == 0 || file_.Write(&zero, 1)) && file_.Write32(FourCC("data")) &&
                    file_.Write32(static_cast<uint32_t>(dataBytes));
    if (!ok) {
        CloseFile();
        return Fail(ReaderError::CannotWrite);
    }
    writing_ = true;
    return true;
}

int32_t CWaveReader::Write(const void* data, int32_t bytes)
{
    if (!writing_ || bytes <= 0) {
        return 0;
    }
    if (written_ + bytes > kMaxWrittenBytes) {
        tooLong_ = true;
        Fail(ReaderError::CannotWrite);
        return 0;
    }
    if (!file_.Write(data, static_cast<size_t>(bytes))) {
        Fail(ReaderError::CannotWrite);
        return 0;
    }
    written_ += bytes;
    return bytes;
}

bool CWaveReader::CompleteChunks()
{
    const uint8_t zero = 0;
    const int64_t pad = written_ & 1;
    bool ok = pad == 0 || file_.Write(&zero, 1);
    if (file_.IsStream()) {
        // What went out cannot be patched: the header was right only if all of it came.
        ok = ok && written_ == announced_ && file_.Flush();
    } else {
        ok = ok && file_.Patch32(dataSizeField_, static_cast<uint32_t>(written_)) &&
             file_.Patch32(4, static_cast<uint32_t>(dataStart_ + written_ + pad - 8)) && file_.Flush();
    }
    writing_ = false;
    dataSize_ = static_cast<int32_t>(std::min<int64_t>(written_, INT32_MAX));
    duration_ = DurationOf(dataSize_);
    return ok || Fail(ReaderError::CannotWrite);
}

bool CWaveReader::FinishWrite()
{
    if (!writing_) {
        return false;
    }
    const bool ok = CompleteChunks() && file_.Commit();
    CloseFile();
    return ok || Fail(ReaderError::CannotWrite);
}

bool CWaveReader::Close(int64_t bytes)
{
    if (!writing_) {
        return false;
    }
    bool ok = CompleteChunks();
    // A caller that wrote fewer bytes than it meant to announces only what is there.
    const int64_t announced = std::clamp<int64_t>(bytes, 0, written_);
    const int64_t fmtPad = fmtSize_ & 1;
    if (!file_.IsStream()) {
        ok = ok && file_.Patch32(4, static_cast<uint32_t>(announced + fmtSize_ + fmtPad + 20 + (announced & 1))) &&
             file_.Patch32(dataSizeField_, static_cast<uint32_t>(announced)) && file_.Flush();
    } else {
        ok = ok && announced == written_;
    }
    ok = ok && file_.Commit();
    dataSize_ = static_cast<int32_t>(announced);
    duration_ = DurationOf(dataSize_);
    CloseFile();
    return ok || Fail(ReaderError::CannotWrite);
}

int64_t CWaveReader::MaxDataBytes() { return kMaxWrittenBytes; }

std::string CWaveReader::WriteErrorText() const
{
    if (!file_.ErrorText().empty()) {
        return file_.ErrorText();
    }
    return tooLong_ ? "more sound than a WAV file can hold (4 GiB)" : "cannot write the file";
}

bool CWaveReader::WrapMemory(const void* pcm, int32_t size, const CWaveFormat& format)
{
    Reset();
    if (size < 0 || size > kMaxDataBytes || (size > 0 && pcm == nullptr)) {
        return Fail(ReaderError::CannotOpen);
    }
    SetFormat(format);
    if (!CopyData(pcm, size)) {
        return false;
    }
    dataSize_ = size;
    duration_ = DurationOf(size);
    SetLoaded(size, duration_);
    return true;
}

bool CWaveReader::ReplaceData(const void* pcm, int32_t size, int32_t ms)
{
    if (!CopyData(pcm, size)) {
        return false;
    }
    SetLoaded(size, ms);
    return true;
}

}  // namespace tessaron
