#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "framework/COutputFile.h"

namespace tessaron {

constexpr uint32_t FourCC(const char (&id)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(id[0])) | (static_cast<uint32_t>(static_cast<uint8_t>(id[1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(id[2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(id[3])) << 24);
}

// One chunk of a RIFF file: its id, the size its header announces and where its data starts.
struct RiffChunk {
    uint32_t id = 0;
    uint32_t size = 0;
    int64_t dataOffset = 0;
};

// Buffered byte access to a RIFF file: chunk search for reading, headers and size patches
// for writing. Positions are absolute file offsets.
class CRiffFile {
public:
    bool OpenRead(const std::string& path);
    // Starts writing `path` through an output file: nothing at the path changes until Commit.
    bool OpenWrite(const std::string& path);
    // Makes the written file complete at its path (or ends the stream); false with ErrorText().
    bool Commit();
    // Closes; a write not committed is abandoned.
    void Close();
    // Whether the output is a FIFO or device, written in order without seeking back.
    bool IsStream() const { return output_ != nullptr && output_->IsStream(); }
    // Why the last open, write or commit failed, in the system's words.
    const std::string& ErrorText() const { return error_; }
    bool IsOpen() const { return file_ != nullptr; }
    int64_t FileSize() const { return fileSize_; }

    bool Seek(int64_t position);
    size_t Read(void* buffer, size_t bytes);
    bool Write(const void* data, size_t bytes);
    bool Write32(uint32_t value);
    bool Flush();

    // The first chunk with `id` among the chunks that lie between `begin` and `end`; chunk
    // headers are 8 bytes and a chunk of odd size is followed by a pad byte.
    std::optional<RiffChunk> FindChunk(uint32_t id, int64_t begin, int64_t end);
    // Writes `value` at `position` and returns to the end of the file.
    bool Patch32(int64_t position, uint32_t value);

private:
    struct Closer {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    bool FailWrite(int error);

    std::unique_ptr<FILE, Closer> file_;
    std::unique_ptr<COutputFile> output_;
    int64_t fileSize_ = 0;
    std::string error_;
};

}  // namespace tessaron
