#include "framework/COutputFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaron {

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit
constexpr size_t kMaxNameInTemporary = 80;

std::string FolderOf(const std::string& path)
{
    const size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut == 0 ? 1 : cut);
}

std::string NameOf(const std::string& path)
{
    const size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Follows symbolic links to the path they finally name, which need not exist yet (a link to
// a file still to be written).
bool FinalTarget(std::string path, std::string& target, int& error)
{
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0) {
            if (errno == ENOENT) {
                target = path;
                return true;
            }
            error = errno;
            return false;
        }
        if (!S_ISLNK(status.st_mode)) {
            target = path;
            return true;
        }
        std::string link(4096, '\0');
        const ssize_t length = readlink(path.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<size_t>(length) >= link.size()) {
            error = length < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        link.resize(static_cast<size_t>(length));
        path = link.starts_with('/') ? link : FolderOf(path) + "/" + link;
    }
    error = ELOOP;
    return false;
}

// Whether process `pid` still runs (or exists under another user).
bool ProcessAlive(pid_t pid) { return kill(pid, 0) == 0 || errno == EPERM; }

}  // namespace

COutputFile::~COutputFile() { Abandon(); }

bool COutputFile::Fail(std::string reason)
{
    error_ = std::move(reason);
    return false;
}

void COutputFile::SetErrorFromErrno(int error) { error_ = std::strerror(error); }

bool COutputFile::Open(const std::string& path)
{
    Abandon();
    error_.clear();
    if (path.empty()) {
        return Fail("no file name given");
    }
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            return Fail("is a folder; give a file name");
        }
        if (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)) {
            return OpenStream(path);
        }
        if (!S_ISREG(status.st_mode)) {
            return Fail("is neither a file, a FIFO nor a character device; refused");
        }
    } else if (errno != ENOENT) {
        return Fail(std::strerror(errno));
    }
    std::string target;
    int error = 0;
    if (!FinalTarget(path, target, error)) {
        return Fail(std::strerror(error));
    }
    if (lstat(target.c_str(), &status) == 0) {
        // Permission bits say what the user meant even where the process could write anyway.
        if ((status.st_mode & 0222) == 0) {
            return Fail("the file is read-only");
        }
        if (access(target.c_str(), W_OK) != 0) {
            return Fail(std::strerror(errno));
        }
    }
    RemoveOrphans(FolderOf(target));
    return OpenTemporary(target);
}

bool COutputFile::OpenStream(const std::string& path)
{
    // No truncation: a device or pipe has nothing to truncate, and a FIFO blocks here until
    // its reader comes, as a shell redirection would.
    fd_ = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
        return Fail(std::strerror(errno));
    }
    struct stat status {};
    if (fstat(fd_, &status) != 0 || !(S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode))) {
        Abandon();
        return Fail("changed while being opened; refused");
    }
    stream_ = true;
    target_ = path;
    return true;
}

bool COutputFile::OpenTemporary(const std::string& target)
{
    const std::string folder = FolderOf(target);
    const std::string name = NameOf(target).substr(0, kMaxNameInTemporary);
    std::random_device random;
    char unique[32];
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::snprintf(unique, sizeof unique, "%ld-%08x-", static_cast<long>(getpid()), random());
        std::string temporary = folder + "/" + std::string(kTemporaryPrefix) + unique + name;
        // 0666 so that the umask decides, as for any new file.
        const int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno == EEXIST) {
            continue;
        }
        if (fd < 0) {
            return Fail(std::strerror(errno));
        }
        flock(fd, LOCK_EX | LOCK_NB);  // held until closed: tells the cleaners the owner lives
        struct stat previous {};
        if (stat(target.c_str(), &previous) == 0 && S_ISREG(previous.st_mode)) {
            // The new file takes the place of the old one with its permissions and owner.
            fchmod(fd, previous.st_mode & 07777);
            if (fchown(fd, previous.st_uid, previous.st_gid) != 0) {
                // Only a privileged process may give a file away; the file stays ours.
            }
        }
        fd_ = fd;
        stream_ = false;
        target_ = target;
        temporary_ = std::move(temporary);
        return true;
    }
    return Fail("no free temporary name in " + folder);
}

bool COutputFile::Write(const void* data, size_t size)
{
    if (fd_ < 0) {
        return Fail("not open for writing");
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = write(fd_, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Fail(std::strerror(n < 0 ? errno : EIO));
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool COutputFile::Commit()
{
    if (fd_ < 0) {
        return Fail("not open for writing");
    }
    if (stream_) {
        const bool closed = close(fd_) == 0;
        const int error = errno;
        fd_ = -1;
        return closed || error == EINTR || Fail(std::strerror(error));
    }
    int error = fsync(fd_) == 0 ? 0 : errno;
    if (close(fd_) != 0 && error == 0) {
        error = errno;
    }
    fd_ = -1;
    if (error == 0 && rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        Abandon();
        return Fail(std::strerror(error));
    }
    temporary_.clear();
    // The rename itself lasts once the folder is synced.
    const int folder = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

void COutputFile::Abandon()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
    stream_ = false;
}

int COutputFile::RemoveOrphans(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(kTemporaryPrefix)) {
            continue;
        }
        std::string_view rest = name.substr(kTemporaryPrefix.size());
        long pid = 0;
        size_t digits = 0;
        while (digits < rest.size() && digits < 10 && rest[digits] >= '0' && rest[digits] <= '9') {
            pid = pid * 10 + (rest[digits] - '0');
            ++digits;
        }
        if (digits == 0 || digits >= rest.size() || rest[digits] != '-' || pid <= 0 || pid == getpid() ||
            ProcessAlive(static_cast<pid_t>(pid))) {
            continue;
        }
        // The owner's lock settles a reused process id: a file still locked is being written.
        const int fd = openat(dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat status {};
        if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            unlinkat(dirfd(dir), entry->d_name, 0) == 0) {
            ++removed;
        }
        close(fd);
    }
    closedir(dir);
    return removed;
}

}  // namespace tessaron
