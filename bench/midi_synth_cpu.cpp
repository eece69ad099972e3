// CPU of the built-in synthesizer playing a 16-channel General MIDI file (written here: 20 s, an
// instrument of each family and the drums) on a private JACK dummy server, against the
// `fluidsynth` program rendering the same file with the same SoundFont (`fluidsynth -F`), both in
// this run. Compared per second of sound, with the program's start-up (that of an empty file)
// taken off fluidsynth's time and what the open output costs when idle taken off ours. Target:
// at most 1.2 times fluidsynth's CPU. Skipped when jackd, fluidsynth or a General MIDI SoundFont
// is missing.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audioout/CSoundDevice.h"
#include "midi/CMidiFile.h"
#include "midi/CMidiPlayer.h"
#include "midi/MidiTestFiles.h"
#include "support/PrivateJackServer.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"


namespace {

using namespace tessaron;
using namespace std::chrono_literals;

constexpr int kRate = 48000;
constexpr int kSeconds = 20;
constexpr int kRounds = 3;  // the least CPU of each side is taken: the machine may be busy
constexpr uint16_t kDivision = 96;  // ticks per quarter note, at 120 BPM

// Sixteen channels, each an instrument of its own General MIDI family (channel 10 the drums),
// playing eighth notes in parts that overlap: some 40 to 60 voices at once.
test::Bytes SixteenChannelSong()
{
    std::vector<test::Bytes> tracks;
    tracks.push_back(test::Track({{0, test::TempoEvent(120.0)}}));
    const uint32_t eighth = kDivision / 2;
    const uint32_t eighths = kSeconds * 4;  // 2 beats a second
    for (uint8_t channel = 0; channel < 16; ++channel) {
        std::vector<test::TrackEvent> events;
        if (channel != 9) {
            events.push_back({0, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(channel * 8)}});
        }
        // Sustained families (strings, pads, organs) hold two eighths; the others one.
        const bool sustained = channel == 2 || channel == 6 || channel == 11 || channel == 12;
        const uint32_t length = sustained ? 2 * eighth : eighth;
        for (uint32_t step = 0; step < eighths; step += sustained ? 2 : 1) {
            uint8_t note = 0;
            if (channel == 9) {
                static constexpr uint8_t kDrums[4] = {36, 42, 38, 42};  // kick, hat, snare, hat
                note = kDrums[step % 4];
            } else {
                static constexpr uint8_t kScale[8] = {0, 2, 4, 5, 7, 9, 11, 12};
                note = static_cast<uint8_t>(36 + (channel % 4) * 12 + kScale[(step + channel) % 8]);
            }
            const auto velocity = static_cast<uint8_t>(70 + (step * 7 + channel * 3) % 50);
            const uint8_t on = static_cast<uint8_t>(0x90 | channel);
            // A second note a third above on the melodic channels: chords.
            events.push_back({0, {on, note, velocity}});
            if (channel != 9) {
                events.push_back({0, {on, static_cast<uint8_t>(note + 4), velocity}});
            }
            events.push_back({length, {static_cast<uint8_t>(0x80 | channel), note, 0}});
            if (channel != 9) {
                events.push_back({0, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(note + 4), 0}});
            }
        }
        // All sound off at the end: fluidsynth renders until the last voice has died, and ours
        // half a second after the last event; neither should spend the comparison on long tails.
        events.push_back({0, {static_cast<uint8_t>(0xB0 | channel), 120, 0}});
        tracks.push_back(test::Track(events));
    }
    return test::MidiFile(1, kDivision, tracks);
}

double CpuSeconds(const rusage& usage)
{
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ProcessCpu()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage);
}

// fluidsynth renders `midi` into a raw file as fast as it can; answers its CPU seconds and the
// seconds of sound it wrote, or a negative CPU time when it failed.
struct Render {
    double cpu = -1.0;
    double seconds = 0.0;
};

Render FluidsynthRender(const std::string& font, const std::string& midi, const std::string& out)
{
    const pid_t pid = test::SpawnQuietly({"/usr/bin/fluidsynth", "-n", "-i", "-q", "-r", std::to_string(kRate), "-T", "raw",
                                    "-O", "s16", "-F", out, font, midi});
    Render render;
    int status = 0;
    rusage usage{};
    if (pid <= 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return render;
    }
    std::error_code error;
    const auto bytes = std::filesystem::file_size(out, error);
    render.cpu = CpuSeconds(usage);
    render.seconds = error ? 0.0 : static_cast<double>(bytes) / (4.0 * kRate);  // 16-bit stereo
    return render;
}

void BM_SynthesizerCpuAgainstFluidsynth(benchmark::State& state)
{
    const std::string font = CMidiPlayer::DefaultSoundFont();
    if (font.empty() || ::access("/usr/bin/jackd", X_OK) != 0 || ::access("/usr/bin/fluidsynth", X_OK) != 0) {
        state.SkipWithError("needs jackd, fluidsynth and a General MIDI SoundFont");
        return;
    }
    test::TempDir dir;
    const test::Bytes song = SixteenChannelSong();
    test::WriteFile(dir.file("sixteen.mid"), song);
    test::WriteFile(dir.file("empty.mid"), test::MidiFile(0, kDivision, {test::Track({})}));
    test::PrivateJackServer server("-synth-cpu");
    test::ScopedEnvironment api("TESSARON_AUDIO_API", "jack");
    if (!server.Start()) {
        state.SkipWithError("no JACK dummy server could be started");
        return;
    }
    auto file = CMidiFile::Parse(song.data(), song.size());
    CSoundDevice device(AudioApi::Jack);
    if (!file || !device.OpenDefault(nullptr)) {
        state.SkipWithError("the file or the JACK output could not be opened");
        return;
    }
    CMidiPlayer player(std::move(*file), "", nullptr, 0);
    if (!player.OpenOnDevice(device)) {
        state.SkipWithError("the synthesizer could not be opened");
        return;
    }

    double oursCpu = 1e9, oursSeconds = 1.0, idleCpu = 1e9;
    Render fluid, empty;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            // What the open output costs without the synthesizer playing.
            const double idleFrom = ProcessCpu();
            std::this_thread::sleep_for(2s);
            idleCpu = std::min(idleCpu, (ProcessCpu() - idleFrom) / 2.0);

            const double cpuFrom = ProcessCpu();
            const auto from = std::chrono::steady_clock::now();
            player.Play(1);
            while (player.IsPlaying()) {
                std::this_thread::sleep_for(20ms);
            }
            const double cpu = ProcessCpu() - cpuFrom;
            if (cpu < oursCpu) {
                oursCpu = cpu;
                oursSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
            }
            const Render full = FluidsynthRender(font, dir.file("sixteen.mid"), dir.file("sixteen.raw"));
            const Render none = FluidsynthRender(font, dir.file("empty.mid"), dir.file("empty.raw"));
            if (full.cpu >= 0.0 && (fluid.cpu < 0.0 || full.cpu < fluid.cpu)) {
                fluid = full;
            }
            if (none.cpu >= 0.0 && (empty.cpu < 0.0 || none.cpu < empty.cpu)) {
                empty = none;
            }
        }
    }
    device.Close();
    if (fluid.cpu < 0.0 || empty.cpu < 0.0 || fluid.seconds <= empty.seconds) {
        state.SkipWithError("fluidsynth did not render the file");
        return;
    }
    // The output runs for every medium of the song: the synthesizer's share is what playing adds.
    const double oursPerSecond = oursCpu / oursSeconds - idleCpu;
    const double fluidPerSecond = std::max(fluid.cpu - empty.cpu, 1e-6) / (fluid.seconds - empty.seconds);
    const double ratio = oursPerSecond / fluidPerSecond;
    std::printf("16-channel General MIDI file, %d s: ours %.3f CPU s over %.2f s of sound, less the idle output's "
                "%.4f per s: %.4f per s; fluidsynth -F %.3f CPU s over %.2f s, less an empty file's %.3f s over "
                "%.2f s: %.4f per s; ratio %.2f (%.2f with our idle output), target 1.20\n",
                kSeconds, oursCpu, oursSeconds, idleCpu, oursPerSecond, fluid.cpu, fluid.seconds, empty.cpu,
                empty.seconds, fluidPerSecond, ratio, (oursPerSecond + idleCpu) / fluidPerSecond);
    state.counters["ours_cpu_per_s"] = oursPerSecond;
    state.counters["idle_output_cpu_per_s"] = idleCpu;
    state.counters["fluidsynth_cpu_per_s"] = fluidPerSecond;
    state.counters["ratio"] = ratio;
    state.counters["ratio_with_idle_output"] = (oursPerSecond + idleCpu) / fluidPerSecond;
}
BENCHMARK(BM_SynthesizerCpuAgainstFluidsynth)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
