#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "support/ProcessSpawn.h"

// What the end-to-end tests of the program window share: a private X server, the commands
// that drive it, and the settings file the program writes.
namespace tessaron::test {

using namespace std::chrono_literals;

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

// A private X server for this test, stopped with it.
class XServer {
public:
    XServer()
    {
        for (int attempt = 0; attempt < 20 && pid_ < 0; ++attempt) {
            const int display = 300 + (::getpid() + attempt * 37) % 600;
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
            if (std::filesystem::exists(socket) || std::filesystem::exists("/tmp/.X" + std::to_string(display) + "-lock")) {
                continue;
            }
            pid_ = SpawnQuietly({"/usr/bin/Xvfb", ":" + std::to_string(display), "-screen", "0", "1280x800x24",
                                 "-nolisten", "tcp"});
            for (int i = 0; i < 100 && pid_ > 0; ++i) {
                if (std::filesystem::exists(socket)) {
                    // Another program's server may have taken the display at the same moment:
                    // ours then ends at once, and the socket is not ours.
                    std::this_thread::sleep_for(200ms);
                    if (Running()) {
                        name_ = ":" + std::to_string(display);
                        return;
                    }
                    break;
                }
                std::this_thread::sleep_for(50ms);
            }
            Stop();
        }
    }
    ~XServer() { Stop(); }
    const std::string& Name() const { return name_; }

private:
    bool Running() const
    {
        int status = 0;
        return pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0;
    }
    void Stop()
    {
        if (pid_ > 0) {
            if (Running()) {
                ::kill(pid_, SIGTERM);
                WaitForExit(pid_, 5.0);
            }
            pid_ = -1;
        }
    }
    pid_t pid_ = -1;
    std::string name_;
};

// The "Settings" section of the settings file as key -> value.
inline std::map<std::string, std::string> ReadSettings(const std::string& path)
{
    std::map<std::string, std::string> values;
    std::ifstream file(path);
    std::string line;
    bool inSection = false;
    while (std::getline(file, line)) {
        if (!line.empty() && line.front() == '[') {
            inSection = line == "[Settings]";
        } else if (inSection) {
            const size_t equals = line.find('=');
            if (equals != std::string::npos) {
                values[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
    }
    return values;
}

// "X Y W H" of a window as the X server has it.
inline std::string Geometry(const std::string& window)
{
    const std::string text = Output("xdotool getwindowgeometry --shell " + window);
    std::map<std::string, std::string> values;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
        start = end + 1;
    }
    return values["X"] + " " + values["Y"] + " " + values["WIDTH"] + " " + values["HEIGHT"];
}

// A program found on the PATH (spawning does not search it).
inline std::string ToolPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin";
    for (size_t begin = 0; begin <= folders.size();) {
        size_t end = folders.find(':', begin);
        if (end == std::string::npos) {
            end = folders.size();
        }
        const std::string candidate = folders.substr(begin, end - begin) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        begin = end + 1;
    }
    return name;
}

// The first window whose name matches `pattern` (xdotool's regular expression), waited for
// up to `seconds`; empty when none appeared.
inline std::string WaitForWindow(const std::string& pattern, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        const std::string window = Output("xdotool search --name '" + pattern + "'");
        if (!window.empty()) {
            return window.substr(0, window.find('\n'));
        }
        std::this_thread::sleep_for(50ms);
    }
    return {};
}

}  // namespace tessaron::test
