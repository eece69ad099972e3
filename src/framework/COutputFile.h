#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaron {

// Where every file the program writes goes through, so that nothing already at the path is lost.
//  - A new or regular file is written to a temporary file beside it and renamed over it on
//    Commit: the path holds the old file or the complete new one, never a torn one. The new
//    file keeps the permissions (and, where allowed, the owner) of the file it replaces; a new
//    file follows the umask.
//  - A symbolic link is followed: its final target is replaced, the link stays.
//  - A FIFO or a character device (/dev/stdout, /dev/null) is written to directly, as a stream.
//  - A directory, a block device, a socket and a read-only file are refused.
// Temporary files are named ".tessaron-tmp-PID-..." and locked while their owner writes them;
// opening an output removes those left in its folder by a process that is gone.
class COutputFile {
public:
    static constexpr std::string_view kTemporaryPrefix = ".tessaron-tmp-";

    COutputFile() = default;
    ~COutputFile();  // an output never committed is abandoned
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // False with Error() saying why (a refusal, or the system's reason).
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    bool IsStream() const { return stream_; }
    int Descriptor() const { return fd_; }
    // The file that Commit replaces (the final target of a link), or the stream's path.
    const std::string& TargetPath() const { return target_; }
    const std::string& TemporaryPath() const { return temporary_; }

    // Writes all of `data`; false with Error() set when it cannot.
    bool Write(const void* data, size_t size);
    // Makes the output complete: syncs and renames the temporary file over the target, or
    // closes the stream. False with Error() set; the temporary file is then removed.
    bool Commit();
    // Closes and removes the temporary file; the target keeps what it held.
    void Abandon();

    // The reason of the last failure, such as "Permission denied" or "is a directory".
    const std::string& Error() const { return error_; }
    // Records a failure found by a caller that writes through Descriptor(), from errno.
    void SetErrorFromErrno(int error);

    // Removes the temporary files in `folder` whose owner process is gone; answers how many.
    static int RemoveOrphans(const std::string& folder);

private:
    bool Fail(std::string reason);
    bool OpenStream(const std::string& path);
    bool OpenTemporary(const std::string& target);

    int fd_ = -1;
    bool stream_ = false;
    std::string target_;
    std::string temporary_;
    std::string error_;
};

}  // namespace tessaron
