// From a key pressed on the X server to the first frame of its sample at the output: the real
// `tessaron` on a private Xvfb and a JACK dummy server (48 kHz, 128-frame periods), the key
// sent through the XTest extension (as a keyboard would), the output watched by a JACK client
// of this process. 200 presses; prints the distribution. Target: one audio period (2.67 ms)
// plus one scheduler tick (2 ms). Skipped when jackd, Xvfb or xdotool is missing.
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ClickSong.h"
#include "JackOnsetEar.h"
#include "support/ProcessSpawn.h"

// Last: its macros (None, True, ...) would clash with names of ours.
#include <X11/Xlib.h>

extern char** environ;

namespace {

using namespace tessaron;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr uint32_t kRate = 48000;
constexpr uint32_t kPeriod = 128;
constexpr int kDefaultPresses = 200;
constexpr int kWarmUp = 5;

// A child process with its output thrown away, ended (SIGTERM) with the object.
class Child {
public:
    explicit Child(std::vector<std::string> args)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool Running() const { return pid_ > 0 && ::kill(pid_, 0) == 0; }

private:
    pid_t pid_ = -1;
};

// The first line a command prints.
std::string Output(const std::string& command)
{
    const std::string text = test::CommandOutput(command);
    return text.substr(0, text.find('\n'));
}

bool Installed(const char* program) { return !Output(std::string("command -v ") + program).empty(); }

// A song of one click of half a second on the key Q.
bool WriteSong(const fs::path& folder)
{
    return bench::WriteClickSong(folder.string(), 500, [](CSamples& sample) { sample.pcKey = 'Q'; });
}

using FakeKey = int (*)(Display*, unsigned int, int, unsigned long);

void BM_KeyToFirstFrameOnJack(benchmark::State& state)
{
    for (const char* program : {"jackd", "Xvfb", "xdotool"}) {
        if (!Installed(program)) {
            state.SkipWithError((std::string(program) + " is not installed").c_str());
            return;
        }
    }
    void* xtest = ::dlopen("libXtst.so.6", RTLD_NOW);
    auto fakeKey = xtest ? reinterpret_cast<FakeKey>(::dlsym(xtest, "XTestFakeKeyEvent")) : nullptr;
    if (fakeKey == nullptr) {
        state.SkipWithError("the XTest library is missing");
        return;
    }
    const fs::path folder = fs::temp_directory_path() / ("tessaron-latency-" + std::to_string(::getpid()));
    fs::create_directories(folder / "home/.config");
    fs::create_directories(folder / "run");
    fs::permissions(folder / "run", fs::perms::owner_all);
    if (!WriteSong(folder)) {
        state.SkipWithError("the song could not be written");
        return;
    }
    const std::string server = "tessaron-latency-" + std::to_string(::getpid());
    const std::string display = ":" + std::to_string(200 + ::getpid() % 500);
    ::setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("HOME", (folder / "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder / "home/.config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (folder / "run").c_str(), 1);
    ::setenv("TESSARON_AUDIO_API", "jack", 1);
    Child jackd({"jackd", "-n", server, "-d", "dummy", "-r", std::to_string(kRate), "-p", std::to_string(kPeriod)});
    Child xvfb({"Xvfb", display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    bench::JackOnsetEar probe;
    bool ready = false;
    for (int i = 0; i < 100 && !ready; ++i) {
        std::this_thread::sleep_for(50ms);
        ready = fs::exists("/tmp/.X11-unix/X" + display.substr(1)) && probe.Open("tessaron-latency-probe");
    }
    if (!ready) {
        state.SkipWithError("jackd or Xvfb did not start");
        return;
    }
    Child program({std::string(TESSARON_BINARY_DIR) + "/tessaron", (folder / "latency.tsn").string()});
    std::string window;
    for (int i = 0; i < 200 && window.empty(); ++i) {
        std::this_thread::sleep_for(50ms);
        window = Output("xdotool search --name '^latency - Tessaron$'");
    }
    bool connected = false;
    for (int i = 0; i < 100 && !connected && !window.empty(); ++i) {
        connected = probe.ConnectFrom("Tessaron");
        std::this_thread::sleep_for(20ms);
    }
    Display* x = XOpenDisplay(display.c_str());
    if (window.empty() || !connected || x == nullptr) {
        state.SkipWithError("the program did not come up");
        return;
    }
    std::this_thread::sleep_for(500ms);
    XSetInputFocus(x, static_cast<Window>(std::stoul(window)), RevertToParent, CurrentTime);
    XSync(x, False);
    const unsigned int key = XKeysymToKeycode(x, XStringToKeysym("q"));

    // TESSARON_BENCH_PRESSES asks for fewer presses (a quick look).
    const char* asked = std::getenv("TESSARON_BENCH_PRESSES");
    const int kPresses = asked != nullptr && std::atoi(asked) > 0 ? std::atoi(asked) : kDefaultPresses;
    std::vector<double> latencies;
    int missed = 0;
    for (auto _ : state) {
        for (int press = 0; press < kPresses + kWarmUp; ++press) {
            for (int i = 0; i < 40 && !probe.Silent(); ++i) {
                std::this_thread::sleep_for(5ms);
            }
            std::this_thread::sleep_for(20ms);
            probe.Arm();
            const jack_time_t sent = probe.Now();
            fakeKey(x, key, True, 0);
            XFlush(x);
            for (int i = 0; i < 400 && !probe.Found(); ++i) {
                std::this_thread::sleep_for(500us);
            }
            if (press >= kWarmUp) {
                // Sound found before the key was sent is the last press's tail: not this key's.
                const auto latency = static_cast<int64_t>(probe.FoundTime()) - static_cast<int64_t>(sent);
                if (probe.Found() && latency >= 0) {
                    latencies.push_back(static_cast<double>(latency) / 1000.0);
                } else {
                    ++missed;
                }
            }
            std::this_thread::sleep_for(30ms);
            fakeKey(x, key, False, 0);
            XFlush(x);
        }
    }
    XCloseDisplay(x);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    if (latencies.empty()) {
        state.SkipWithError("no key was heard");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) { return latencies[static_cast<size_t>(q * static_cast<double>(latencies.size() - 1))]; };
    const double target = 1000.0 * kPeriod / kRate + 2.0;
    const auto within = std::count_if(latencies.begin(), latencies.end(), [&](double v) { return v <= target; });
    std::printf("key -> first frame over %zu presses (%d missed): min %.2f  p10 %.2f  median %.2f  p90 %.2f  "
                "p99 %.2f  max %.2f ms; target %.2f ms (period %.2f + tick 2.00), met by %.0f%%\n",
                latencies.size(), missed, latencies.front(), at(0.10), at(0.5), at(0.9), at(0.99), latencies.back(),
                target, 1000.0 * kPeriod / kRate, 100.0 * static_cast<double>(within) / static_cast<double>(latencies.size()));
    std::printf("histogram (ms):");
    for (double edge = 0.0; edge < std::min(latencies.back() + 1.0, 50.0); edge += 1.0) {
        const auto n = std::count_if(latencies.begin(), latencies.end(), [&](double v) { return v >= edge && v < edge + 1.0; });
        if (n > 0) {
            std::printf("  %.0f-%.0f: %ld", edge, edge + 1.0, static_cast<long>(n));
        }
    }
    std::printf("\n");
    state.counters["median_ms"] = at(0.5);
    state.counters["p90_ms"] = at(0.9);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = latencies.back();
    state.counters["target_ms"] = target;
    state.counters["missed"] = missed;
}
BENCHMARK(BM_KeyToFirstFrameOnJack)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
