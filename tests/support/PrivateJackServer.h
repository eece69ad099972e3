#pragma once

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "support/JackRegistry.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"

namespace tessaron::test {

// Sets (or with nullopt removes) an environment variable for this process and the programs it
// starts, and puts the old value back at the end.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, std::optional<std::string> value) : name_(std::move(name))
    {
        if (const char* old = std::getenv(name_.c_str())) {
            old_ = old;
        }
        value ? ::setenv(name_.c_str(), value->c_str(), 1) : ::unsetenv(name_.c_str());
    }
    ~ScopedEnvironment() { old_ ? ::setenv(name_.c_str(), old_->c_str(), 1) : ::unsetenv(name_.c_str()); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A JACK server of this test alone, which it may kill, stop and start again under the same
// name. While it lives, JACK is the only sound server this process and its children see.
class PrivateJackServer {
public:
    // `period`: frames per cycle at 48 kHz.
    explicit PrivateJackServer(const std::string& suffix = "", int period = 256)
        : name_("tessaron-loss-" + std::to_string(::getpid()) + suffix),
          period_(period),
          server_("JACK_DEFAULT_SERVER", name_),
          api_("TESSARON_AUDIO_API", std::nullopt),
          pulse_("PULSE_SERVER", std::nullopt),
          runtime_("XDG_RUNTIME_DIR", runtimeDir_.path().string())
    {
    }
    ~PrivateJackServer() { Stop(); }

    const std::string& Name() const { return name_; }

    bool Start()
    {
        ReclaimDeadJackServers();
        pid_ = SpawnWithErrors(
            {"/usr/bin/jackd", "-n", name_, "-d", "dummy", "-r", "48000", "-p", std::to_string(period_)}, Log());
        for (int i = 0; i < 50 && pid_ > 0; ++i) {
            if (WaitForExit(SpawnQuietly({"/usr/bin/jack_lsp"}), 5.0) == 0) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    // SIGTERM, as `kill` sends: the server tells its clients that it is going. SIGKILL would
    // leave its entry in JACK's machine-wide registry of servers, which holds only eight.
    void Stop()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGCONT);
            ::kill(pid_, SIGTERM);
            WaitForExit(pid_, 5.0);
            pid_ = -1;
        }
    }
    void Pause() const { ::kill(pid_, SIGSTOP); }
    void Resume() const { ::kill(pid_, SIGCONT); }
    void Kill()
    {
        ::kill(pid_, SIGKILL);
        WaitForExit(pid_, 5.0);
        pid_ = -1;
    }
    std::string Log() const { return runtimeDir_.file("jackd.log"); }

private:
    std::string name_;
    int period_;
    TempDir runtimeDir_;  // an empty runtime folder: no PulseAudio socket to be found
    ScopedEnvironment server_, api_, pulse_, runtime_;
    pid_t pid_ = -1;
};

}  // namespace tessaron::test
