#include "cli/LibraryChatter.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <sys/wait.h>
#include <unistd.h>

namespace tessaron::cli {

namespace {

// How the libraries' own lines begin.
constexpr std::string_view kChatter[] = {
    "[src/libmpg123/",                    // the MP3 decoder inside libsndfile
    "Note: Illegal Audio-MPEG-Header",    // the same, resynchronising
    "Note: Trying to resync",
    "Note: Skipped ",
    "ALSA lib ",                          // alsa-lib's error handler
    "Cannot connect to server",           // libjack when no server runs
    "jack server is not running",
    "JackShmReadWritePtr",
    "Cannot open shm",
};

bool IsChatter(std::string_view line)
{
    for (std::string_view start : kChatter) {
        if (line.starts_with(start)) {
            return true;
        }
    }
    return false;
}

void WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

[[noreturn]] void Filter(int in, int out)
{
    // Ctrl+C reaches the whole process group; the filter ends when the tool's stderr closes.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        pending.append(buffer, static_cast<size_t>(n));
        size_t start = 0;
        for (size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n', start)) {
            const std::string_view line(pending.data() + start, end + 1 - start);
            if (!IsChatter(line)) {
                WriteAll(out, line.data(), line.size());
            }
            start = end + 1;
        }
        pending.erase(0, start);
        // A partial line that waits for its end is passed on as it is (a progress line).
        if (!pending.empty() && pending.find('\r') != std::string::npos) {
            WriteAll(out, pending.data(), pending.size());
            pending.clear();
        }
    }
    if (!IsChatter(pending)) {
        WriteAll(out, pending.data(), pending.size());
    }
    _exit(0);
}

}  // namespace

std::unique_ptr<LibraryChatterFilter> LibraryChatterFilter::Start()
{
    const char* verbose = std::getenv("TESSARON_VERBOSE");
    if (verbose != nullptr && *verbose != '\0' && std::strcmp(verbose, "0") != 0) {
        return nullptr;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        return nullptr;
    }
    const int original = dup(STDERR_FILENO);
    if (original < 0) {
        close(fds[0]);
        close(fds[1]);
        return nullptr;
    }
    std::fflush(stderr);
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        close(original);
        return nullptr;
    }
    if (child == 0) {
        close(fds[1]);
        close(STDERR_FILENO);
        close(STDOUT_FILENO);
        close(STDIN_FILENO);
        Filter(fds[0], original);
    }
    close(fds[0]);
    if (isatty(original) != 0) {
        setenv("TESSARON_STDERR_TERMINAL", "1", 1);  // before any thread: setenv is not thread-safe
    }
    dup2(fds[1], STDERR_FILENO);
    close(fds[1]);
    return std::unique_ptr<LibraryChatterFilter>(new LibraryChatterFilter(child, original));
}

LibraryChatterFilter::~LibraryChatterFilter()
{
    // Giving stderr back closes the filter's input; it ends once it has passed everything on.
    std::fflush(stderr);
    dup2(original_, STDERR_FILENO);
    close(original_);
    waitpid(filter_, nullptr, 0);
}

}  // namespace tessaron::cli
