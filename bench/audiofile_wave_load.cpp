// Loading a 100 MiB WAV file into memory with the WAV reader, against reading the same file
// plainly into a fresh buffer (the page cache holds it for both).
// Target: the reader keeps at least half the plain read's throughput (ratio >= 0.5).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/CWaveReader.h"

namespace {

using namespace tessaron;
using Clock = std::chrono::steady_clock;

// The test file, written once and removed at exit.
class BigWave {
public:
    BigWave()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaron-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        dir_ = pattern;
        path_ = (dir_ / "big.wav").string();
        std::vector<uint8_t> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<uint8_t>(i * 31);
        }
        CWaveReader writer;
        const int32_t bytes = CMediaReader::kMaxDataBytes;
        if (!writer.CreateForWrite(path_, CWaveReader::MakePcmFormat(false, 44100), bytes)) {
            std::abort();
        }
        for (int32_t done = 0; done < bytes; done += static_cast<int32_t>(block.size())) {
            writer.Write(block.data(), static_cast<int32_t>(block.size()));
        }
        writer.Close(bytes);
        size_ = static_cast<int64_t>(std::filesystem::file_size(path_));
    }
    ~BigWave() { std::filesystem::remove_all(dir_); }

    const std::string& Path() const { return path_; }
    int64_t Size() const { return size_; }

private:
    std::filesystem::path dir_;
    std::string path_;
    int64_t size_ = 0;
};

const BigWave& File()
{
    static const BigWave file;
    return file;
}

int64_t PlainRead(const std::string& path, int64_t size)
{
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[static_cast<size_t>(size)]);
    FILE* file = std::fopen(path.c_str(), "rb");
    const size_t got = std::fread(buffer.get(), 1, static_cast<size_t>(size), file);
    std::fclose(file);
    benchmark::DoNotOptimize(buffer.get());
    return static_cast<int64_t>(got);
}

int64_t ReaderLoad(const std::string& path)
{
    CWaveReader reader;
    if (!reader.Open(path, 0, 0)) {
        std::abort();
    }
    benchmark::DoNotOptimize(reader.Data());
    return reader.LoadedSize();
}

void BM_PlainRead(benchmark::State& state)
{
    const BigWave& file = File();
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlainRead(file.Path(), file.Size()));
    }
    state.SetBytesProcessed(state.iterations() * file.Size());
}

void BM_WaveReaderLoad(benchmark::State& state)
{
    const BigWave& file = File();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReaderLoad(file.Path()));
    }
    state.SetBytesProcessed(state.iterations() * file.Size());
}

// Both in turn within each iteration, so that the ratio compares like with like.
void BM_WaveLoadAgainstPlainRead(benchmark::State& state)
{
    const BigWave& file = File();
    double plainSeconds = 0.0;
    double readerSeconds = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        PlainRead(file.Path(), file.Size());
        const auto t1 = Clock::now();
        ReaderLoad(file.Path());
        const auto t2 = Clock::now();
        plainSeconds += std::chrono::duration<double>(t1 - t0).count();
        readerSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double megabytes = static_cast<double>(file.Size()) * static_cast<double>(state.iterations()) / 1e6;
    state.counters["plain_MBps"] = megabytes / plainSeconds;
    state.counters["reader_MBps"] = megabytes / readerSeconds;
    state.counters["ratio"] = plainSeconds / readerSeconds;  // reader throughput / plain throughput
    std::printf("WAV load: reader %.0f MB/s, plain read %.0f MB/s, ratio %.2f (target >= 0.50)\n",
                megabytes / readerSeconds, megabytes / plainSeconds, plainSeconds / readerSeconds);
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaveReaderLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaveLoadAgainstPlainRead)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
