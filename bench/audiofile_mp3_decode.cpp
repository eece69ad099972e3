// Decoding a 3-minute 44100 Hz stereo MP3 into memory with the decoding reader, against sox
// decoding the same file to 16-bit PCM in the same run.
// Target: at least as fast as sox (ratio = sox time / reader time >= 1).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "audiofile/CStreamReader.h"

namespace {

using namespace tessaron;
using Clock = std::chrono::steady_clock;

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// The MP3, made once by sox and lame and removed at exit.
class ThreeMinuteMp3 {
public:
    ThreeMinuteMp3()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaron-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        dir_ = pattern;
        path_ = (dir_ / "three.mp3").string();
        const std::string wav = (dir_ / "three.wav").string();
        available_ = Run("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 180 sine 110-1760 sine 330 remix 1 2") &&
                     Run("lame --quiet -b 192 '" + wav + "' '" + path_ + "'");
        std::filesystem::remove(wav);
    }
    ~ThreeMinuteMp3() { std::filesystem::remove_all(dir_); }

    bool Available() const { return available_; }
    const std::string& Path() const { return path_; }

private:
    std::filesystem::path dir_;
    std::string path_;
    bool available_ = false;
};

const ThreeMinuteMp3& File()
{
    static const ThreeMinuteMp3 file;
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

bool SoxDecode(const std::string& path)
{
    return Run("sox -q '" + path + "' -t raw -e signed-integer -b 16 /dev/null");
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
        if (!SoxDecode(File().Path())) {
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
        SoxDecode(File().Path());
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
