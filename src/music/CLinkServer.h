#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <thread>

namespace tessaron {

// The companion link's listening end: a local stream socket named "Tessaron Communication" in
// the user's runtime folder, reachable by the same user only. Each connection carries frames
// (32-bit command, 32-bit record size, record, little-endian); each frame is answered with a
// 32-bit result from the handler. One program instance owns the socket: a second one finds it
// answering and leaves it alone.
class CLinkServer {
public:
    static constexpr const char* kSocketName = "Tessaron Communication";
    using Handler = std::function<uint32_t(uint32_t command, std::span<const uint8_t> record)>;

    explicit CLinkServer(Handler handler) : handler_(std::move(handler)) {}
    ~CLinkServer();
    CLinkServer(const CLinkServer&) = delete;
    CLinkServer& operator=(const CLinkServer&) = delete;

    // $XDG_RUNTIME_DIR/Tessaron Communication, or a private folder under /tmp without one.
    static std::string DefaultPath();

    // Listens at `path` on a thread of its own. False with Error() when another instance is
    // listening there or the socket cannot be made.
    bool Start(const std::string& path = DefaultPath());
    void Stop();
    bool Running() const { return listenFd_ >= 0; }
    const std::string& Error() const { return error_; }
    const std::string& Path() const { return path_; }

private:
    void Serve();
    void ServeConnection(int fd);

    Handler handler_;
    std::string path_;
    std::string error_;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    std::thread thread_;
};

// The client's side: sends one frame and waits for its answer. False with `error` set when
// nobody listens or the exchange breaks.
bool SendLinkFrame(const std::string& path, uint32_t command, std::span<const uint8_t> record, uint32_t& answer,
                   std::string& error);

}  // namespace tessaron
