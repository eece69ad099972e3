// The music engine streaming a 44.1 kHz stereo MP3 with the equaliser on:
//  - the worker's CPU share of one core while it keeps the output fed in real time, printed
//    beside sox decoding the same file to /dev/null in the same run (target: under 2%);
//  - time from Start to the first frame the output can play (target: under one period, 50 ms);
//  - heap held by one playing music medium (target: the streaming buffer and a fixed overhead,
//    never the whole file).
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "SweepMp3.h"
#include "audioout/CSoundDevice.h"
#include "music/CMusicEngine.h"

namespace {

using namespace tessaron;
using Clock = std::chrono::steady_clock;

const bench::SweepMp3& File()
{
    static const bench::SweepMp3 file(120);
    return file;
}

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void Equalise(CMusicEngine& engine)
{
    engine.SetEqualiser(true, 30, 1, -20, 1, 10, 1);
}

// Ten seconds of real-time playing on an offline device pulled every 10 ms on this thread: the
// rest of the process's CPU time is the worker's.
void BM_MusicWorkerCpuAgainstSox(benchmark::State& state)
{
    if (!File().Available()) {
        state.SkipWithError("sox and lame are needed to make the MP3");
        return;
    }
    constexpr int kSeconds = 10;
    for (auto _ : state) {
        CSoundDevice device(AudioApi::Offline);
        device.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo);
        device.StartPrimary();
        CMusicEngine engine;
        if (!engine.Open(File().Path(), &device, nullptr)) {
            state.SkipWithError("the engine did not open the MP3");
            return;
        }
        Equalise(engine);
        std::vector<float> block(441 * 2);
        const double processBefore = ProcessCpuSeconds();
        const double mineBefore = ThreadCpuSeconds();
        engine.Start();
        auto next = Clock::now();
        for (int i = 0; i < kSeconds * 100; ++i) {
            device.Pull(block.data(), 441);
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
        }
        engine.Stop();
        const double worker = (ProcessCpuSeconds() - processBefore) - (ThreadCpuSeconds() - mineBefore);
        const double workerShare = worker / kSeconds * 100.0;

        // sox decoding the whole file, as a share of one core per second of sound.
        const double childBefore = ChildrenCpuSeconds();
        bench::SoxDecode(File().Path());
        const double sox = ChildrenCpuSeconds() - childBefore;
        const double soxShare = sox / 120.0 * 100.0;
        state.counters["worker_cpu_percent"] = workerShare;
        state.counters["sox_decode_cpu_percent"] = soxShare;
        state.counters["worker_over_sox"] = soxShare > 0 ? workerShare / soxShare : 0.0;
        std::printf("worker %.2f%% of one core (decode, equaliser, buffer copies); sox decoding alone %.2f%%; "
                    "ratio %.2f\n",
                    workerShare, soxShare, soxShare > 0 ? workerShare / soxShare : 0.0);
    }
}
BENCHMARK(BM_MusicWorkerCpuAgainstSox)->Iterations(1)->Unit(benchmark::kSecond);

// Start primes the whole buffer on the caller's thread: the output's next pull has sound.
void BM_MusicPlayToFirstFrame(benchmark::State& state)
{
    if (!File().Available()) {
        state.SkipWithError("sox and lame are needed to make the MP3");
        return;
    }
    CSoundDevice device(AudioApi::Offline);
    device.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo);
    device.StartPrimary();
    std::vector<float> block(64 * 2);
    double worst = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CMusicEngine engine;
        engine.Open(File().Path(), &device, nullptr);
        engine.Seek(30000);  // in the middle, where the sweep is loud
        Equalise(engine);
        state.ResumeTiming();
        const auto begin = Clock::now();
        engine.Start();
        bool sound = false;
        while (!sound) {
            device.Pull(block.data(), 64);
            for (float v : block) {
                sound = sound || v != 0.0f;
            }
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        worst = std::max(worst, ms);
        state.PauseTiming();
        engine.Close();
        state.ResumeTiming();
    }
    state.counters["worst_ms"] = worst;
    state.counters["period_ms"] = CMusicEngine::kPeriodMs;
}
BENCHMARK(BM_MusicPlayToFirstFrame)->Iterations(20)->Unit(benchmark::kMillisecond);

// Heap in use before the medium opens and while it plays.
void BM_MusicMemoryPerPlayingMedium(benchmark::State& state)
{
    if (!File().Available()) {
        state.SkipWithError("sox and lame are needed to make the MP3");
        return;
    }
    CSoundDevice device(AudioApi::Offline);
    device.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo);
    device.StartPrimary();
    std::vector<float> block(441 * 2);
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        {
            CMusicEngine engine;
            engine.Open(File().Path(), &device, nullptr);
            Equalise(engine);
            engine.Start();
            for (int i = 0; i < 100; ++i) {
                device.Pull(block.data(), 441);
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            const double held = double(mallinfo2().uordblks - before);
            state.counters["held_bytes"] = held;
            state.counters["buffer_bytes"] = engine.BufferBytes();
            state.counters["file_pcm_bytes"] = engine.DataSize();
            std::printf("held %.0f bytes while playing: buffer %u bytes, the whole file would be %d bytes\n", held,
                        engine.BufferBytes(), engine.DataSize());
        }
    }
}
BENCHMARK(BM_MusicMemoryPerPlayingMedium)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
