// From a MIDI note arriving at the instrument's input port to the first frame of its sample at
// the output: the real `tessaron-cli live` on a private JACK dummy server (48 kHz, 128-frame
// periods). One JACK client of this process writes the notes and another hears the program's
// output, so both ends are frames of the server's one clock. 200 notes; prints the distribution
// in frames. Target: one audio period (128 frames) plus one scheduler tick (2 ms, 96 frames).
// Skipped when jackd is missing.
#include <benchmark/benchmark.h>

#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "ClickSong.h"
#include "JackOnsetEar.h"
#include "support/PrivateJackServer.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"

namespace {

using namespace tessaron;
using namespace std::chrono_literals;

constexpr uint32_t kRate = 48000;
constexpr int kPeriod = 128;
constexpr int kTickFrames = kRate * 2 / 1000;
constexpr int kDefaultNotes = 200;
constexpr int kWarmUp = 5;
constexpr uint8_t kNote = 48;  // MIDI key 24: on the two octaves of the song's keyboard

// A song of one click of a tenth of a second on note 48.
bool WriteSong(const test::TempDir& dir)
{
    return bench::WriteClickSong(dir.path().string(), 100, [](CSamples& sample) { sample.midiNote = kNote - 24; });
}

// A keyboard: writes a note on or off at a given frame of the next period and keeps that frame.
class Keyboard {
public:
    bool Open(const std::string& name)
    {
        client_ = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
        if (client_ == nullptr) {
            return false;
        }
        port_ = jack_port_register(client_, "keys", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client_, &Keyboard::Process, this);
        return port_ != nullptr && jack_activate(client_) == 0;
    }
    ~Keyboard()
    {
        if (client_ != nullptr) {
            jack_client_close(client_);
        }
    }
    std::string PortName() const { return jack_port_name(port_); }
    // Velocity 0 is a note off; `offset` is the frame within the period.
    void Send(uint8_t velocity, jack_nframes_t offset = 0)
    {
        velocity_.store(velocity);
        offset_.store(offset);
        sent_.store(false);
        request_.store(true);
    }
    bool Sent() const { return sent_.load(); }
    jack_nframes_t SentFrame() const { return frame_.load(); }

private:
    static int Process(jack_nframes_t frames, void* self)
    {
        auto& keyboard = *static_cast<Keyboard*>(self);
        void* buffer = jack_port_get_buffer(keyboard.port_, frames);
        jack_midi_clear_buffer(buffer);
        if (keyboard.request_.exchange(false)) {
            const uint8_t velocity = keyboard.velocity_.load();
            const uint8_t bytes[3] = {static_cast<uint8_t>(velocity > 0 ? 0x90 : 0x80), kNote, velocity};
            const jack_nframes_t offset = std::min(keyboard.offset_.load(), frames - 1);
            jack_midi_event_write(buffer, offset, bytes, sizeof bytes);
            keyboard.frame_.store(jack_last_frame_time(keyboard.client_) + offset);
            keyboard.sent_.store(true);
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::atomic<bool> request_{false};
    std::atomic<bool> sent_{false};
    std::atomic<uint8_t> velocity_{0};
    std::atomic<jack_nframes_t> offset_{0};
    std::atomic<jack_nframes_t> frame_{0};
};

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(500us);
    }
    return true;
}

void BM_MidiNoteToFirstFrameOnJack(benchmark::State& state)
{
    if (::access("/usr/bin/jackd", X_OK) != 0) {
        state.SkipWithError("jackd is not installed");
        return;
    }
    test::TempDir dir;
    if (!WriteSong(dir)) {
        state.SkipWithError("the song could not be written");
        return;
    }
    test::PrivateJackServer server("-midi-latency", kPeriod);
    test::ScopedEnvironment api("TESSARON_AUDIO_API", "jack");
    Keyboard keyboard;
    bench::JackOnsetEar ear;
    const std::string tag = std::to_string(::getpid());
    if (!server.Start() || !keyboard.Open("latency-keys-" + tag) || !ear.Open("latency-ear-" + tag)) {
        state.SkipWithError("no JACK dummy server could be started");
        return;
    }
    const pid_t live = test::SpawnWithErrors({std::string(TESSARON_BINARY_DIR) + "/tessaron-cli", "live",
                                              dir.file("latency.tsn"), "--midi-in", keyboard.PortName()},
                                             dir.file("live.log"));
    if (live <= 0 || !WaitFor([&] { return ear.ConnectFrom("Tessaron"); }, 10s)) {
        state.SkipWithError("the instrument did not come up");
        return;
    }
    std::this_thread::sleep_for(500ms);  // the input port connects after the output opens

    const char* asked = std::getenv("TESSARON_BENCH_NOTES");
    const int notes = asked != nullptr && std::atoi(asked) > 0 ? std::atoi(asked) : kDefaultNotes;
    std::vector<int64_t> latencies;
    int missed = 0;
    for (auto _ : state) {
        for (int note = 0; note < notes + kWarmUp; ++note) {
            WaitFor([&] { return ear.Silent(); }, 500ms);
            std::this_thread::sleep_for(10ms);
            ear.Arm();
            // Notes of a player fall anywhere in a period: spread them over it.
            keyboard.Send(127, static_cast<jack_nframes_t>(note * 37 % kPeriod));
            const bool heard = WaitFor([&] { return ear.Found(); }, 200ms) && keyboard.Sent();
            if (note >= kWarmUp) {
                // Wrapping arithmetic of JACK's 32-bit frame counter.
                const auto latency = static_cast<int32_t>(ear.FoundFrame() - keyboard.SentFrame());
                if (heard && latency >= 0) {
                    latencies.push_back(latency);
                } else {
                    ++missed;  // nothing heard, or sound before the note: not this note's
                }
            }
            std::this_thread::sleep_for(20ms);
            keyboard.Send(0);
            WaitFor([&] { return keyboard.Sent(); }, 100ms);
        }
    }
    ::kill(live, SIGTERM);
    test::WaitForExit(live, 10.0);
    if (latencies.empty()) {
        std::system(("cat " + dir.file("live.log") + " >&2").c_str());
        state.SkipWithError("no note was heard");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) {
        return static_cast<double>(latencies[static_cast<size_t>(q * static_cast<double>(latencies.size() - 1))]);
    };
    const int64_t target = kPeriod + kTickFrames;
    const auto within = std::count_if(latencies.begin(), latencies.end(), [&](int64_t v) { return v <= target; });
    const double share = static_cast<double>(within) / static_cast<double>(latencies.size());
    std::printf("MIDI note -> first frame over %zu notes (%d missed), frames at %u Hz: min %lld  median %.0f  "
                "p90 %.0f  p99 %.0f  max %lld; target %lld (period %d + tick %d), met by %.0f%%\n",
                latencies.size(), missed, kRate, static_cast<long long>(latencies.front()), at(0.5), at(0.9),
                at(0.99), static_cast<long long>(latencies.back()), static_cast<long long>(target), kPeriod,
                kTickFrames, 100.0 * share);
    std::printf("histogram (frames):");
    for (int64_t edge = 0; edge <= latencies.back(); edge += 32) {
        const auto n = std::count_if(latencies.begin(), latencies.end(),
                                     [&](int64_t v) { return v >= edge && v < edge + 32; });
        if (n > 0) {
            std::printf("  %lld-%lld: %ld", static_cast<long long>(edge), static_cast<long long>(edge + 31),
                        static_cast<long>(n));
        }
    }
    std::printf("\n");
    state.counters["median_frames"] = at(0.5);
    state.counters["p90_frames"] = at(0.9);
    state.counters["p99_frames"] = at(0.99);
    state.counters["max_frames"] = static_cast<double>(latencies.back());
    state.counters["target_frames"] = static_cast<double>(target);
    state.counters["within_target"] = share;
    state.counters["missed"] = missed;
}
BENCHMARK(BM_MidiNoteToFirstFrameOnJack)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
