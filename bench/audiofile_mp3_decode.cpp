// Decoding a 3-minute 44100 Hz stereo MP3 into memory with the decoding reader, against sox
// decoding the same file to 16-bit PCM in the same run.
// Target: at least as fast as sox (ratio = sox time / reader time >= 1).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "SweepMp3.h"
#include "audiofile/CStreamReader.h"

namespace {

using namespace tessaron;
using Clock = std::chrono::steady_clock;

const bench::SweepMp3& File()
{
    static const bench::SweepMp3 file(180);
    return file;
}

int32_t ReaderDecode(const std::string& path)
{
    CStreamReader reader;
    if (!reader.Open(path, 0, 0)) {
        std::abort();
    }
    benchmark::DoNotOptimize(reader.Data());
    return reader.LoadedSize();
}

void BM_StreamReaderDecodeMp3(benchmark::State& state)
{
    if (!File().Available()) {
        state.SkipWithError("sox and lame are needed to make the MP3");
        return;
    }
    int64_t bytes = 0;
    for (auto _ : state) {
        bytes += ReaderDecode(File().Path());
    }
    state.SetBytesProcessed(bytes);
}

void BM_SoxDecodeMp3(benchmark::State& state)
{
    if (!File().Available()) {
        state.SkipWithError("sox and lame are needed to make the MP3");
        return;
    }
    for (auto _ : state) {
        if (!bench::SoxDecode(File().Path())) {
            state.SkipWithError("sox failed");
            return;
        }
    }
}

void BM_Mp3DecodeAgainstSox(benchmark::State& state)
{
    if (!File().Available()) {
        state.SkipWithError("sox and lame are needed to make the MP3");
        return;
    }
    double readerSeconds = 0.0;
    double soxSeconds = 0.0;
    int32_t bytes = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bytes = ReaderDecode(File().Path());
        const auto t1 = Clock::now();
        bench::SoxDecode(File().Path());
        const auto t2 = Clock::now();
        readerSeconds += std::chrono::duration<double>(t1 - t0).count();
        soxSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["reader_ms"] = readerSeconds / n * 1000.0;
    state.counters["sox_ms"] = soxSeconds / n * 1000.0;
    state.counters["ratio"] = soxSeconds / readerSeconds;
    std::printf("MP3 decode (%d bytes of PCM): reader %.0f ms, sox %.0f ms, ratio %.2f (target >= 1.00)\n", bytes,
                readerSeconds / n * 1000.0, soxSeconds / n * 1000.0, soxSeconds / readerSeconds);
}

BENCHMARK(BM_StreamReaderDecodeMp3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SoxDecodeMp3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Mp3DecodeAgainstSox)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
