#include "audiofile/CMediaReader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace tessaron {

CMediaReader::~CMediaReader() = default;

bool CMediaReader::OpenForRead(const std::string&) { return false; }
bool CMediaReader::ParseHeader(const std::string&) { return false; }
void CMediaReader::CloseFile() {}
bool CMediaReader::SeekToEnd() { return true; }
int32_t CMediaReader::Read(void*, int32_t) { return 0; }
bool CMediaReader::FinishWrite() { return false; }
int32_t CMediaReader::Write(const void*, int32_t) { return 0; }
bool CMediaReader::CreateForWrite(const std::string&, const CWaveFormat&, int64_t) { return false; }
bool CMediaReader::SeekMs(int32_t) { return false; }
bool CMediaReader::Open(const std::string&, int32_t, int32_t) { return false; }

CFormatInfo CMediaReader::FormatInfo() const
{
    CFormatInfo info;
    info.channels = channels_;
    info.bitsPerSample = format_.bitsPerSample;
    info.bytesPerSecond = bytesPerSecond_;
    return info;
}

void CMediaReader::TruncateMs(int32_t ms)
{
    if (ms >= 0 && ms < duration_ - 10) {
        dataSize_ = static_cast<int32_t>(RoundToFrames(int64_t{ms} * bytesPerSecond_ / 1000));
    }
}

int32_t CMediaReader::DurationMs(int64_t bytes, int32_t bytesPerSecond)
{
    if (bytesPerSecond <= 0) {
        return 0;
    }
    const double seconds = static_cast<double>(bytes) / bytesPerSecond + 0.0004999;
    return static_cast<int32_t>(std::min(seconds * 1000.0, static_cast<double>(INT32_MAX)));
}

std::string CMediaReader::MakeSizeText(int64_t kilobytes, int32_t ms)
{
    char text[96];
    if (ms < 9999) {
        std::snprintf(text, sizeof text, "%lld k  /  %d ms", static_cast<long long>(kilobytes), ms);
    } else {
        const int32_t seconds = ms / 1000;
        std::snprintf(text, sizeof text, "%lld k  /  %2.2d:%2.2d:%2.2d.%3.3d", static_cast<long long>(kilobytes),
                      seconds / 3600, seconds % 3600 / 60, seconds % 60, ms % 1000);
    }
    return text;
}

bool CMediaReader::Fail(ReaderError error)
{
    errorCode_ = error;
    failed_ = true;
    return false;
}

void CMediaReader::ClearError()
{
    errorCode_ = ReaderError::None;
    failed_ = false;
}

void CMediaReader::SetFormat(const CWaveFormat& format)
{
    format_ = format;
    blockAlign_ = format.blockAlign;
    bytesPerSecond_ = static_cast<int32_t>(std::min<uint32_t>(format.avgBytesPerSec, INT32_MAX));
    sampleRate_ = static_cast<int32_t>(std::min<uint32_t>(format.samplesPerSec, INT32_MAX));
    channels_ = format.channels;
    formatTag_ = format.formatTag;
}

int64_t CMediaReader::RoundToFrames(int64_t bytes) const
{
    const int64_t frame = blockAlign_ > 0 ? blockAlign_ : 1;
    return bytes - bytes % frame;
}

bool CMediaReader::AllocateData(int64_t bytes)
{
    if (bytes < 0 || bytes > kMaxDataBytes) {
        return Fail(ReaderError::OutOfMemory);
    }
    // Not value-initialised: the block is filled right away, and clearing 100 MiB costs time.
    data_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes > 0 ? bytes : 1)]);
    if (!data_) {
        loadedSize_ = 0;
        return Fail(ReaderError::OutOfMemory);
    }
    return true;
}

bool CMediaReader::CopyData(const void* source, int64_t bytes)
{
    if (bytes < 0 || bytes > kMaxDataBytes || (bytes > 0 && source == nullptr)) {
        return Fail(ReaderError::OutOfMemory);
    }
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[static_cast<size_t>(bytes > 0 ? bytes : 1)]);
    if (!block) {
        return Fail(ReaderError::OutOfMemory);
    }
    if (bytes > 0) {
        std::memcpy(block.get(), source, static_cast<size_t>(bytes));
    }
    data_ = std::move(block);
    return true;
}

void CMediaReader::SetLoaded(int32_t bytes, int32_t ms)
{
    loadedSize_ = bytes;
    loadedDuration_ = ms;
}

}  // namespace tessaron
