#include "audiofile/CRiffFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "audiofile/LittleEndian.h"

namespace tessaron {

namespace {
constexpr size_t kBufferBytes = 64 * 1024;
}

bool CRiffFile::OpenRead(const std::string& path)
{
    Close();
    // Non-blocking open, so that a named pipe given as a path cannot hang the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return false;
    }
    file_.reset(fdopen(fd, "rb"));
    if (!file_) {
        ::close(fd);
        return false;
    }
    fileSize_ = status.st_size;
    std::setvbuf(file_.get(), nullptr, _IOFBF, kBufferBytes);
    return true;
}

bool CRiffFile::OpenWrite(const std::string& path)
{
    Close();
    output_ = std::make_unique<COutputFile>();
    if (!output_->Open(path)) {
        error_ = output_->Error();
        output_.reset();
        return false;
    }
    // The stdio stream works on its own descriptor, so that closing it leaves the output's.
    const int copy = dup(output_->Descriptor());
    file_.reset(copy >= 0 ? fdopen(copy, output_->IsStream() ? "wb" : "w+b") : nullptr);
    if (!file_) {
        const int error = errno;
        if (copy >= 0) {
            ::close(copy);
        }
        output_.reset();
        return FailWrite(error);
    }
    std::setvbuf(file_.get(), nullptr, _IOFBF, kBufferBytes);
    fileSize_ = 0;
    error_.clear();
    return true;
}

bool CRiffFile::FailWrite(int error)
{
    error_ = std::strerror(error);
    return false;
}

bool CRiffFile::Commit()
{
    if (!output_ || !file_) {
        return FailWrite(EBADF);
    }
    int error = std::fflush(file_.get()) == 0 ? 0 : errno;
    if (std::fclose(file_.release()) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        output_.reset();
        return FailWrite(error);
    }
    const bool committed = output_->Commit();
    if (!committed) {
        error_ = output_->Error();
    }
    output_.reset();
    return committed;
}

void CRiffFile::Close()
{
    file_.reset();
    output_.reset();
    fileSize_ = 0;
}

bool CRiffFile::Seek(int64_t position)
{
    return file_ && position >= 0 && fseeko(file_.get(), static_cast<off_t>(position), SEEK_SET) == 0;
}

size_t CRiffFile::Read(void* buffer, size_t bytes)
{
    return file_ ? std::fread(buffer, 1, bytes, file_.get()) : 0;
}

bool CRiffFile::Write(const void* data, size_t bytes)
{
    if (!file_) {
        return FailWrite(EBADF);
    }
    return std::fwrite(data, 1, bytes, file_.get()) == bytes || FailWrite(errno);
}

bool CRiffFile::Write32(uint32_t value)
{
    uint8_t bytes[4];
    le::Put32(bytes, value);
    return Write(bytes, sizeof bytes);
}

bool CRiffFile::Flush()
{
    if (!file_) {
        return FailWrite(EBADF);
    }
    return std::fflush(file_.get()) == 0 || FailWrite(errno);
}

std::optional<RiffChunk> CRiffFile::FindChunk(uint32_t id, int64_t begin, int64_t end)
{
    int64_t position = begin;
    while (position + 8 <= end) {
        uint8_t header[8];
        if (!Seek(position) || Read(header, sizeof header) != sizeof header) {
            return std::nullopt;
        }
        RiffChunk chunk{le::Get32(header), le::Get32(header + 4), position + 8};
        if (chunk.id == id) {
            return chunk;
        }
        position = chunk.dataOffset + chunk.size + (chunk.size & 1);
    }
    return std::nullopt;
}

bool CRiffFile::Patch32(int64_t position, uint32_t value)
{
    return Seek(position) && Write32(value) && file_ && fseeko(file_.get(), 0, SEEK_END) == 0;
}

}  // namespace tessaron
