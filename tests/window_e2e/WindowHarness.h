#pragma once

// What the end-to-end tests of the program window share: a private X server, the commands that
// drive it, and a fixture that starts the real `tessaron` on a song in a home folder of its own,
// types into its window and listens to its JACK output.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "JackCapture.h"
#include "support/OutputSignals.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"

namespace tessaron::test {

using namespace std::chrono_literals;

inline std::string Output(const std::string& command) { return CommandOutput(command); }

inline bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// A private X server for this test, stopped with it.
class XServer {
public:
    XServer()
    {
        // Xvfb picks a free display itself and writes its number once it accepts connections;
        // choosing one here raced with other servers and with Xvfb's own start. Without
        // -noreset the server resets whenever its last client (an xdotool search) leaves, and
        // refuses a program that connects meanwhile.
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            return;
        }
        ::fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
        pid_ = SpawnQuietly({"/usr/bin/Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0",
                             "1280x800x24", "-nolisten", "tcp", "-noreset"});
        ::close(pipeFds[1]);
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
            pollfd ready{pipeFds[0], POLLIN, 0};
            if (::poll(&ready, 1, 100) > 0) {
                char text[16];
                const ssize_t got = ::read(pipeFds[0], text, sizeof text);
                if (got <= 0) {
                    break;
                }
                number.append(text, static_cast<size_t>(got));
                if (number.find('\n') != std::string::npos) {
                    break;
                }
            } else if (!Running()) {
                break;
            }
        }
        ::close(pipeFds[0]);
        while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) {
            number.pop_back();
        }
        if (!number.empty() && Running()) {
            name_ = ":" + number;
        } else {
            Stop();
        }
    }
    ~XServer() { Stop(); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
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

// The first shown window whose name matches `pattern` (xdotool's regular expression), waited
// for up to `seconds`; empty when none appeared. Only mapped windows count: a window that
// exists but is not yet (or no longer) on the screen takes no focus and no keys.
inline std::string WaitForWindow(const std::string& pattern, double seconds,
                                 const std::function<bool()>& hopeless = [] { return false; })
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        const std::string window = Output("xdotool search --onlyvisible --name '" + pattern + "'");
        if (!window.empty()) {
            return window.substr(0, window.find('\n'));
        }
        if (std::chrono::steady_clock::now() >= end || hopeless()) {
            return {};
        }
        std::this_thread::sleep_for(50ms);
    }
}

// Waits up to `seconds` until no shown window matches `pattern`.
inline bool WaitForWindowGone(const std::string& pattern, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!Output("xdotool search --onlyvisible --name '" + pattern + "'").empty()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// The real program in a home of its own on a private X server. Tests choose the sound server
// (the ctest fixture's through UseFixtureJackServer, or a PrivateJackServer) before Start.
class ProgramWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(x_.Name().empty()) << "Xvfb did not start";
        ::setenv("DISPLAY", x_.Name().c_str(), 1);
        ::setenv("HOME", dir_.file("home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", dir_.file("home/.config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", dir_.file("run").c_str(), 1);
        ::setenv("TESSARON_AUDIO_API", "jack", 1);
        std::filesystem::create_directories(dir_.file("home/.config/Quorvel"));
        std::filesystem::create_directories(dir_.file("run"));
        std::filesystem::permissions(dir_.file("run"), std::filesystem::perms::owner_all);
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "-- the windows on the screen:\n"
                      << Output("xdotool search --name . getwindowname %@") << "\n";
        }
        if (pid_ > 0 && ::kill(pid_, 0) == 0) {
            ::kill(pid_, SIGTERM);
            WaitForExit(pid_, 5.0);
        }
        if (HasFailure()) {
            std::cerr << "-- the program's errors:\n" << Errors();
        }
    }

    std::string SettingsFile() const { return dir_.file("home/.config/Quorvel/Tessaron.conf"); }

    void WriteSettings(const std::string& lines) const
    {
        std::ofstream seed(SettingsFile());
        seed << "[Settings]\n" << lines;
    }

    // Starts the program on `song` (a .tsn in the test's folder) and answers its window once
    // it is shown, empty when none appeared.
    std::string Start(const std::string& song)
    {
        const std::string title = "^" + std::filesystem::path(song).stem().string() + " - Tessaron$";
        std::string window;
        // Under a sanitizer on a loaded machine the program has been seen to find the private X
        // server refusing it for a moment; that is the harness's trouble, not the program's, so
        // such a start is tried once more.
        for (int attempt = 0; attempt < 2 && window.empty(); ++attempt) {
            pid_ = SpawnWithErrors({std::string(TESSARON_BINARY_DIR) + "/tessaron", song}, dir_.file("errors.txt"));
            window = WaitForWindow(title, 20.0, [this] { return Errors().find("could not connect to display") != std::string::npos; });
            if (window.empty() && Errors().find("could not connect to display") != std::string::npos) {
                std::cerr << "the program could not reach the X server " << x_.Name() << "; starting it again\n";
                WaitForExit(pid_, 5.0);
                std::this_thread::sleep_for(1s);
                continue;
            }
            break;
        }
        if (!window.empty()) {
            std::this_thread::sleep_for(300ms);  // the first paint and the layout
        }
        return window;
    }

    // What the program wrote on stderr so far.
    std::string Errors() const
    {
        std::ifstream log(dir_.file("errors.txt"));
        return std::string((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    }

    // Types `key` (xdotool's name, "ctrl+space") into `window`.
    void Key(const std::string& window, const std::string& key)
    {
        Xdotool(window, "key --clearmodifiers --window " + window + " " + key);
    }

    // Focuses `window`, then runs xdotool with `what`.
    void Xdotool(const std::string& window, const std::string& what)
    {
        ASSERT_TRUE(Shell("xdotool windowfocus --sync " + window));
        ASSERT_TRUE(Shell("xdotool " + what)) << what;
    }

    // Ctrl+Q, and the program ends by itself.
    void Quit(const std::string& window)
    {
        Key(window, "ctrl+q");
        EXPECT_EQ(WaitForExit(pid_, 10.0), 0) << "the program did not end on Ctrl+Q";
        pid_ = -1;
    }

    // Connects the capture to the program's output once its client appears.
    static bool ConnectCapture(JackCapture& capture, double seconds = 10.0)
    {
        return capture.ConnectWithin("Tessaron", seconds);
    }

    // Listens to the program for `time` of the server's sound (a server that runs slow still
    // delivers it); answers the left channel.
    static std::vector<float> Listen(JackCapture& capture, std::chrono::milliseconds time)
    {
        capture.Start();
        const auto frames = static_cast<size_t>(capture.Rate() * static_cast<double>(time.count()) / 1000.0);
        capture.WaitForFrames(frames, 4.0 * static_cast<double>(time.count()) / 1000.0 + 2.0);
        capture.Stop();
        return Channel(capture.Frames(), 2, 0);
    }

    TempDir dir_;
    XServer x_;
    pid_t pid_ = -1;
};

}  // namespace tessaron::test
