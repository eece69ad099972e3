#include "music/CLinkServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "music/LinkRecords.h"

namespace tessaron {

namespace {

constexpr int kReadTimeoutMs = 2000;  // a sender that stalls mid-frame is dropped

bool MakeAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size());
    return true;
}

int Connect(const std::string& path)
{
    sockaddr_un address;
    if (!MakeAddress(path, address)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

// Reads exactly `size` bytes, waiting at most the timeout for each piece.
bool ReadAll(int fd, uint8_t* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kReadTimeoutMs) <= 0) {
            return false;
        }
        const ssize_t got = ::recv(fd, data + done, size - done, 0);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t put = ::send(fd, data + done, size - done, MSG_NOSIGNAL);
        if (put <= 0) {
            if (put < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

}  // namespace

CLinkServer::~CLinkServer() { Stop(); }

std::string CLinkServer::DefaultPath()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime != nullptr && runtime[0] != '\0') {
        folder = runtime;
    } else {
        folder = "/tmp/tessaron-" + std::to_string(::getuid());
        ::mkdir(folder.c_str(), 0700);
    }
    return folder + "/" + kSocketName;
}

bool CLinkServer::Start(const std::string& path)
{
    Stop();
    error_.clear();
    path_ = path;
    // A socket that answers belongs to a running instance; one that does not is left over.
    const int other = Connect(path);
    if (other >= 0) {
        ::close(other);
        error_ = "another Tessaron is listening at " + path;
        return false;
    }
    sockaddr_un address;
    if (!MakeAddress(path, address)) {
        error_ = "the socket path is too long: " + path;
        return false;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            error_ = "something that is not a socket lies at " + path;
            return false;
        }
        ::unlink(path.c_str());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error_ = std::string("cannot make a socket: ") + std::strerror(errno);
        return false;
    }
    // Only the user may connect: the socket keeps no rights for anyone else (and each
    // connection's peer is checked as well, since the runtime folder may be shared).
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::chmod(path.c_str(), 0600) != 0 ||
        ::listen(fd, 4) != 0) {
        error_ = "cannot listen at " + path + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (::pipe2(wakeFds_, O_CLOEXEC) != 0) {
        error_ = std::string("cannot make a pipe: ") + std::strerror(errno);
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    listenFd_ = fd;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void CLinkServer::Stop()
{
    if (listenFd_ < 0) {
        return;
    }
    const uint8_t wake = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFds_[1], &wake, 1);
    if (thread_.joinable()) {
        thread_.join();
    }
    ::close(listenFd_);
    ::close(wakeFds_[0]);
    ::close(wakeFds_[1]);
    listenFd_ = -1;
    wakeFds_[0] = wakeFds_[1] = -1;
    ::unlink(path_.c_str());
}

void CLinkServer::Serve()
{
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            continue;
        }
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::getuid()) {
            ServeConnection(fd);
        }
        ::close(fd);
    }
}

void CLinkServer::ServeConnection(int fd)
{
    std::vector<uint8_t> record;
    for (;;) {
        uint8_t header[8];
        if (!ReadAll(fd, header, sizeof header)) {
            return;
        }
        const link::FrameHeader frame = link::DecodeFrameHeader(std::span<const uint8_t, 8>(header));
        if (frame.size > link::kMaxRecordBytes) {
            // Not a frame of ours: what follows cannot be trusted to be framed either.
            uint8_t refused[4] = {0, 0, 0, 0};
            WriteAll(fd, refused, sizeof refused);
            return;
        }
        record.resize(frame.size);
        if (frame.size > 0 && !ReadAll(fd, record.data(), record.size())) {
            return;
        }
        const uint32_t answer = handler_ ? handler_(frame.command, record) : 0;
        const uint8_t reply[4] = {static_cast<uint8_t>(answer), static_cast<uint8_t>(answer >> 8),
                                  static_cast<uint8_t>(answer >> 16), static_cast<uint8_t>(answer >> 24)};
        if (!WriteAll(fd, reply, sizeof reply)) {
            return;
        }
    }
}

bool SendLinkFrame(const std::string& path, uint32_t command, std::span<const uint8_t> record, uint32_t& answer,
                   std::string& error)
{
    const int fd = Connect(path);
    if (fd < 0) {
        error = "no Tessaron is listening at " + path;
        return false;
    }
    const std::vector<uint8_t> frame = link::EncodeFrame(command, record);
    uint8_t reply[4];
    // Cutting a long file takes a while; the answer comes when the command has run.
    bool ok = WriteAll(fd, frame.data(), frame.size());
    if (ok) {
        pollfd p{fd, POLLIN, 0};
        ok = ::poll(&p, 1, 60000) > 0 && ::recv(fd, reply, sizeof reply, MSG_WAITALL) == sizeof reply;
    }
    ::close(fd);
    if (!ok) {
        error = "the link broke off before an answer came";
        return false;
    }
    answer = uint32_t(reply[0]) | uint32_t(reply[1]) << 8 | uint32_t(reply[2]) << 16 | uint32_t(reply[3]) << 24;
    return true;
}

}  // namespace tessaron
