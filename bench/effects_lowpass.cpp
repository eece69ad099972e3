// The 128-tap low pass on 30 s of 16-bit stereo at 44.1 kHz against sox's sinc low pass of the
// same length on the same file, both timed in each iteration. Prints sox time / our time.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "effects/FirFilter.h"
#include "effects/FirKernel.h"

extern char** environ;

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kSeconds = 30;
constexpr int kCutoff = 5000;
constexpr std::size_t kHeaderBytes = 44;

using Clock = std::chrono::steady_clock;

// Two tones and noise, different per channel, never clipping.
std::vector<std::uint8_t> TestSignal()
{
    std::mt19937 random(42);
    std::uniform_int_distribution<int> noise(-3000, 3000);
    std::vector<std::uint8_t> pcm;
    pcm.reserve(std::size_t{kRate} * kSeconds * kChannels * 2);
    for (int n = 0; n < kRate * kSeconds; ++n) {
        for (int channel = 0; channel < kChannels; ++channel) {
            const double t = static_cast<double>(n) / kRate;
            const double tone = 9000 * std::sin(2 * std::numbers::pi * (220 + 110 * channel) * t) +
                                6000 * std::sin(2 * std::numbers::pi * 9000 * t);
            const auto value = static_cast<std::int16_t>(tone + noise(random));
            pcm.push_back(static_cast<std::uint8_t>(value & 0xFF));
            pcm.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        }
    }
    return pcm;
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Minimal canonical 44-byte PCM WAV: RIFF, fmt (16 bytes), data.
void WriteWav(const std::filesystem::path& path, const std::vector<std::uint8_t>& pcm)
{
    std::vector<std::uint8_t> header;
    const auto size = static_cast<std::uint32_t>(pcm.size());
    const std::uint32_t blockAlign = kChannels * 2;
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    PutLe(header, 36 + size, 4);
    header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(header, 16, 4);
    PutLe(header, 1, 2);  // PCM
    PutLe(header, kChannels, 2);
    PutLe(header, kRate, 4);
    PutLe(header, kRate * blockAlign, 4);
    PutLe(header, blockAlign, 2);
    PutLe(header, 16, 2);
    header.insert(header.end(), {'d', 'a', 't', 'a'});
    PutLe(header, size, 4);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    out.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size()));
}

// The data of a file that WriteWav wrote.
std::vector<std::uint8_t> ReadWavData(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> pcm(std::filesystem::file_size(path) - kHeaderBytes);
    in.seekg(kHeaderBytes);
    in.read(reinterpret_cast<char*>(pcm.data()), static_cast<std::streamsize>(pcm.size()));
    return pcm;
}

void RunSox(const std::filesystem::path& in, const std::filesystem::path& out)
{
    // -D: no dither, so sox does the filter and the format conversion only. -a 53: the stop band
    // of a Hamming window. 128 taps like ours.
    std::vector<std::string> args = {"sox", "-D", in.string(), out.string(), "sinc", "-a", "53",
                                     "-" + std::to_string(kCutoff), "-n", "128"};
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sox", nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start sox");
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("sox failed");
    }
}

double Rms(const std::vector<std::uint8_t>& pcm)
{
    double sum = 0;
    for (std::size_t at = 0; at + 1 < pcm.size(); at += 2) {
        const auto value = static_cast<std::int16_t>(pcm[at] | (pcm[at + 1] << 8));
        sum += static_cast<double>(value) * value;
    }
    return std::sqrt(sum / static_cast<double>(pcm.size() / 2));
}

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void BM_LowPass128AgainstSox(benchmark::State& state)
{
    const auto dir = std::filesystem::temp_directory_path() / ("tessaron-bench-lowpass-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const auto input = dir / "in.wav";
    const std::vector<std::uint8_t> signal = TestSignal();
    WriteWav(input, signal);
    const tessaron::PcmFormat format{kRate, kChannels, 16};

    double oursMs = 0, oursFileMs = 0, soxMs = 0;
    for (auto _ : state) {
        // In memory: the effect as the sample editor runs it on a locked buffer.
        std::vector<std::uint8_t> pcm = signal;
        const auto t0 = Clock::now();
        tessaron::FirFilter(tessaron::PcmView(pcm, format), tessaron::FirKind::LowPass, kCutoff, {0, 0x7FFFFFFF});
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(pcm.data());

        // File to file, like sox: read the data, filter, write a WAV.
        const auto t2 = Clock::now();
        std::vector<std::uint8_t> fromFile = ReadWavData(input);
        tessaron::FirFilter(tessaron::PcmView(fromFile, format), tessaron::FirKind::LowPass, kCutoff,
                            {0, 0x7FFFFFFF});
        WriteWav(dir / "ours.wav", fromFile);
        const auto t3 = Clock::now();

        RunSox(input, dir / "sox.wav");
        const auto t4 = Clock::now();

        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        oursMs += Ms(t1 - t0);
        oursFileMs += Ms(t3 - t2);
        soxMs += Ms(t4 - t3);
    }
    // Both must be the same kind of filter: equal output level within a few percent.
    const double oursRms = Rms(ReadWavData(dir / "ours.wav"));
    const double soxRms = Rms(ReadWavData(dir / "sox.wav"));
    std::filesystem::remove_all(dir);
    if (std::fabs(oursRms - soxRms) > 0.05 * soxRms) {
        state.SkipWithError("sox's output level differs from ours: not an equivalent filter");
    }

    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = oursMs / n;
    state.counters["ours_file_ms"] = oursFileMs / n;
    state.counters["sox_ms"] = soxMs / n;
    state.counters["sox_over_ours"] = soxMs / oursMs;
    state.counters["sox_over_ours_file"] = soxMs / oursFileMs;
    std::printf("low pass, 128 taps, 30 s stereo: ours %.1f ms (file to file %.1f ms), sox %.1f ms; "
                "sox/ours = %.2f (file to file %.2f); output RMS ours %.0f, sox %.0f\n",
                oursMs / n, oursFileMs / n, soxMs / n, soxMs / oursMs, soxMs / oursFileMs, oursRms, soxRms);
}

BENCHMARK(BM_LowPass128AgainstSox)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// The convolution alone in each vector version, over as many outputs as the 30 s of stereo:
// what a processor without the widest unit would see.
void BM_LowPassKernel(benchmark::State& state)
{
    const auto isa = static_cast<tessaron::FirIsa>(state.range(0));
    if (!tessaron::FirIsaSupported(isa)) {
        state.SkipWithError("not supported by this processor");
        return;
    }
    const tessaron::FirTaps taps = tessaron::DesignFir(tessaron::FirKind::LowPass, 2.0 * kCutoff / kRate);
    constexpr std::size_t kChunk = 4096;
    std::vector<double> window(tessaron::kFirTaps + kChunk, 0.5);
    std::vector<double> out(kChunk);
    const std::size_t outputs = std::size_t{kRate} * kSeconds * kChannels;
    for (auto _ : state) {
        for (std::size_t done = 0; done < outputs; done += kChunk) {
            tessaron::FirConvolve(isa, taps, window.data(), out.data(), kChunk);
            benchmark::DoNotOptimize(out.data());
        }
    }
}

BENCHMARK(BM_LowPassKernel)
    ->ArgName("isa")
    ->Arg(static_cast<int>(tessaron::FirIsa::Sse2))
    ->Arg(static_cast<int>(tessaron::FirIsa::Avx2))
    ->Arg(static_cast<int>(tessaron::FirIsa::Avx512))
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
