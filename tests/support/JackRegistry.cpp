#include "support/JackRegistry.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/sem.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaron::test {
namespace {

// The layout jackd2 writes: a header, then eight rows of a process ID and a name.
constexpr std::uint32_t kMagic = 0x4a41434b;  // "JACK"
constexpr int kServerRows = 8;
constexpr std::size_t kHeaderBytes = 24;
constexpr key_t kRegistryLockKey = 0x282929;

std::int32_t ReadInt(const unsigned char* at)
{
    std::int32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// JACK's registry lock: a System V semaphore taken with undo, so a crash never leaves it held.
class RegistryLock {
public:
    RegistryLock() : semaphore_(::semget(kRegistryLockKey, 1, 0))
    {
        locked_ = semaphore_ >= 0 && Change(-1);
    }
    ~RegistryLock()
    {
        if (locked_) {
            Change(1);
        }
    }
    RegistryLock(const RegistryLock&) = delete;
    RegistryLock& operator=(const RegistryLock&) = delete;

private:
    bool Change(short by) const
    {
        sembuf operation{0, by, SEM_UNDO};
        return ::semop(semaphore_, &operation, 1) == 0;
    }
    int semaphore_;
    bool locked_ = false;
};

}  // namespace

int ReclaimDeadJackServers()
{
    const int fd = ::shm_open("/jack-shm-registry", O_RDWR, 0);
    if (fd < 0) {
        return errno == ENOENT ? 0 : -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || static_cast<std::size_t>(info.st_size) < kHeaderBytes) {
        ::close(fd);
        return -1;
    }
    void* mapped = ::mmap(nullptr, kHeaderBytes, PROT_READ, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
        ::close(fd);
        return -1;
    }
    const auto* header = static_cast<const unsigned char*>(mapped);
    const bool known = ReadInt(header) == static_cast<std::int32_t>(kMagic);
    const std::int32_t headerLength = ReadInt(header + 16);
    ::munmap(mapped, kHeaderBytes);
    const std::size_t rowBytes = known && headerLength > static_cast<std::int32_t>(kHeaderBytes)
                                     ? (static_cast<std::size_t>(headerLength) - kHeaderBytes) / kServerRows
                                     : 0;
    if (rowBytes < sizeof(std::int32_t) || static_cast<std::size_t>(headerLength) > static_cast<std::size_t>(info.st_size)) {
        ::close(fd);
        return -1;
    }

    mapped = ::mmap(nullptr, static_cast<std::size_t>(headerLength), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED) {
        return -1;
    }
    auto* rows = static_cast<unsigned char*>(mapped) + kHeaderBytes;
    int cleared = 0;
    {
        RegistryLock lock;
        for (int i = 0; i < kServerRows; ++i) {
            unsigned char* row = rows + static_cast<std::size_t>(i) * rowBytes;
            const pid_t pid = ReadInt(row);
            if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) {
                std::memset(row, 0, rowBytes);
                ++cleared;
            }
        }
    }
    ::munmap(mapped, static_cast<std::size_t>(headerLength));
    return cleared;
}

}  // namespace tessaron::test
