// Resident memory after opening 100 MiB of samples (50 WAV files of 2 MiB, 44100 Hz stereo) into
// output buffers, above the resident memory of the program with its output device and nothing
// loaded. Target: under 1.2 x 100 MiB, that is the sound held once. The same run prints what the
// samples say they hold, which the song counts against its memory limit.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "audioout/CSoundDevice.h"
#include "audioout/SoftwareMixer.h"
#include "media/CSamples.h"

namespace {

using namespace tessaron;

constexpr int kFiles = 50;
constexpr uint32_t kFileBytes = 2 * 1024 * 1024;
constexpr double kTotal = double(kFiles) * kFileBytes;

void Put16(std::ofstream& out, uint16_t v) { out.put(char(v & 0xFF)).put(char(v >> 8)); }
void Put32(std::ofstream& out, uint32_t v)
{
    Put16(out, uint16_t(v & 0xFFFF));
    Put16(out, uint16_t(v >> 16));
}

// Resident bytes of this process now.
double ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

class Files {
public:
    Files()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaron-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        dir_ = pattern;
        std::vector<int16_t> pcm(kFileBytes / 2);
        for (int i = 0; i < kFiles; ++i) {
            paths_.push_back((dir_ / ("m" + std::to_string(i) + ".wav")).string());
            std::ofstream out(paths_.back(), std::ios::binary);
            out.write("RIFF", 4);
            Put32(out, 36 + kFileBytes);
            out.write("WAVEfmt ", 8);
            Put32(out, 16);
            Put16(out, 1);
            Put16(out, 2);
            Put32(out, 44100);
            Put32(out, 44100 * 4);
            Put16(out, 4);
            Put16(out, 16);
            out.write("data", 4);
            Put32(out, kFileBytes);
            for (size_t s = 0; s < pcm.size(); ++s) {
                pcm[s] = int16_t((s * (i + 3) * 29) % 30000 - 15000);
            }
            out.write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(kFileBytes));
        }
    }
    ~Files() { std::filesystem::remove_all(dir_); }

    const std::vector<std::string>& Paths() const { return paths_; }

private:
    std::filesystem::path dir_;
    std::vector<std::string> paths_;
};

void BM_ResidentMemoryOfHundredMegabytesOfSamples(benchmark::State& state)
{
    const Files files;
    CSoundDevice device(AudioApi::Offline);
    if (!device.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo) || !device.StartPrimary()) {
        state.SkipWithError("no offline device");
        return;
    }
    for (auto _ : state) {
        const double empty = ResidentBytes();
        std::vector<std::unique_ptr<CSamples>> samples;
        int64_t held = 0;
        for (const std::string& path : files.Paths()) {
            auto sample = std::make_unique<CSamples>();
            sample->filePath = path;
            sample->tempo = 100.0f;
            if (!sample->Open(&device, 100.0f)) {
                state.SkipWithError("a sample did not open");
                return;
            }
            held += sample->MemoryHeld();
            samples.push_back(std::move(sample));
        }
        float block[512];
        device.Pull(block, 256);  // a callback passes, so replaced blocks may go
        device.Mixer()->Collect();
        const double loaded = ResidentBytes() - empty;
        state.counters["resident_mb"] = loaded / 1048576.0;
        state.counters["ratio"] = loaded / kTotal;
        state.counters["counted_mb"] = double(held) / 1048576.0;
        std::printf("100 MiB of samples open: resident %.1f MiB above the empty program, %.2f x the sound "
                    "(target < 1.2); the samples count %.1f MiB\n",
                    loaded / 1048576.0, loaded / kTotal, double(held) / 1048576.0);
    }
}

BENCHMARK(BM_ResidentMemoryOfHundredMegabytesOfSamples)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
