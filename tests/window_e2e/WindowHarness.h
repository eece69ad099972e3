#pragma once

// What the end-to-end tests of the program window share: a private X server, commands run
// for their output, and the real program started on a song with its JACK output captured.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "support/ProcessSpawn.h"

namespace tessaron::test::window {

// What a command prints, trimmed; empty when it fails.
inline std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            text += buffer;
        }
        ::pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

inline bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// A private X server, stopped with the object.
class XServer {
public:
    XServer()
    {
        using namespace std::chrono_literals;
        for (int attempt = 0; attempt < 20 && pid_ < 0; ++attempt) {
            const int display = 300 + (::getpid() * 7 + attempt * 37 + 11) % 600;
            if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) {
                continue;
            }
            pid_ = SpawnQuietly({"/usr/bin/Xvfb", ":" + std::to_string(display), "-screen", "0", "1280x800x24",
                                 "-nolisten", "tcp"});
            for (int i = 0; i < 100 && pid_ > 0; ++i) {
                if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) {
                    name_ = ":" + std::to_string(display);
                    return;
                }
                std::this_thread::sleep_for(50ms);
            }
            Stop();
        }
    }
    ~XServer() { Stop(); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    const std::string& Name() const { return name_; }

private:
    void Stop()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            WaitForExit(pid_, 5.0);
            pid_ = -1;
        }
    }
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace tessaron::test::window
