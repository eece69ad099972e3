// The time stretch of a 30-second 44100 Hz stereo file from 100 to 120 BPM and from 120 to
// 100 BPM, file to file as `tessaron-cli stretch` does it, against soundstretch making the
// same tempo change on the same file in the same run.
// Target: at least twice as fast as soundstretch (ratio = soundstretch time / ours >= 2).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/Commands.h"
#include "media/CSampleData.h"

namespace {

using namespace tessaron;
using Clock = std::chrono::steady_clock;

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// The source file, made once by sox (tones and some noise, like a loop) and removed at exit.
class ThirtySeconds {
public:
    ThirtySeconds()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaron-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        dir_ = pattern;
        path_ = (dir_ / "loop.wav").string();
        const std::string tones = (dir_ / "tones.wav").string();
        available_ = Run("which soundstretch") &&
                     Run("sox -n -r 44100 -c 2 -b 16 '" + tones + "' synth 30 sine 110 sine 277 vol 0.4") &&
                     Run("sox -n -r 44100 -c 2 -p synth 30 pinknoise vol 0.05 | sox -m '" + tones +
                         "' - '" + path_ + "'");
    }
    ~ThirtySeconds() { std::filesystem::remove_all(dir_); }

    bool Available() const { return available_; }
    const std::string& Path() const { return path_; }
    std::string Out(const char* name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
    std::string path_;
    bool available_ = false;
};

const ThirtySeconds& File()
{
    static const ThirtySeconds file;
    return file;
}

bool OursFileToFile(float from, float to)
{
    return cli::RunStretch({File().Path(), File().Out("ours.wav"), "--from", std::to_string(from), "--to",
                            std::to_string(to)}) == 0;
}

bool SoundStretch(float from, float to)
{
    // soundstretch's tempo is the change in percent of the playing speed.
    const double percent = (to / from - 1.0) * 100.0;
    return Run("soundstretch '" + File().Path() + "' '" + File().Out("theirs.wav") + "' -tempo=" +
               std::to_string(percent));
}

// The stretch alone, on PCM already in memory.
void BM_StretchInMemory(benchmark::State& state)
{
    const float from = static_cast<float>(state.range(0));
    const float to = static_cast<float>(state.range(1));
    CSampleData sample;
    if (!File().Available() || !sample.LoadFile(File().Path(), 0, 0)) {
        state.SkipWithError("sox and soundstretch are needed");
        return;
    }
    for (auto _ : state) {
        if (!sample.FitTempo(TempoMode::Stretch, 0, 0, from, to)) {
            state.SkipWithError("stretch refused");
            return;
        }
        benchmark::DoNotOptimize(sample.BufferSize());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * sample.DataSize());
}

void BM_StretchAgainstSoundStretch(benchmark::State& state)
{
    const float from = static_cast<float>(state.range(0));
    const float to = static_cast<float>(state.range(1));
    if (!File().Available()) {
        state.SkipWithError("sox and soundstretch are needed");
        return;
    }
    double ours = 0.0;
    double theirs = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const bool ok = OursFileToFile(from, to);
        const auto t1 = Clock::now();
        const bool peer = SoundStretch(from, to);
        const auto t2 = Clock::now();
        if (!ok || !peer) {
            state.SkipWithError("a stretch failed");
            return;
        }
        ours += std::chrono::duration<double>(t1 - t0).count();
        theirs += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = ours / n * 1000.0;
    state.counters["soundstretch_ms"] = theirs / n * 1000.0;
    state.counters["ratio"] = theirs / ours;
    std::printf("stretch 30 s stereo %g -> %g BPM, file to file: ours %.1f ms, soundstretch %.1f ms, "
                "ratio %.2f (target >= 2.00)\n",
                double(from), double(to), ours / n * 1000.0, theirs / n * 1000.0, theirs / ours);
}

BENCHMARK(BM_StretchInMemory)->Args({100, 120})->Args({120, 100})->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StretchAgainstSoundStretch)
    ->Args({100, 120})
    ->Args({120, 100})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
