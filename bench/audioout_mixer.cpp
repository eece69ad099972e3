// The real-time mixer: how many stereo voices with rate conversion (44100 Hz data to a 48000 Hz
// device), volume and pan it mixes in 10% of one core, against the same count limited only by
// reading their PCM from memory, measured in the same run (ratio = mixed / memory limit).
// Target: at least 512 voices in 10% of a core.
// Also the latency from a play command to its first frame in the output, in frames.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "audioout/CSoundDevice.h"
#include "audioout/SoftwareMixer.h"

namespace {

using namespace tessaron;

constexpr uint32_t kDeviceRate = 48000;
constexpr uint32_t kDataRate = 44100;
constexpr uint32_t kBlock = 256;

// CPU time of this thread: other processes on the machine do not count.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec * 1e-9;
}

// Bytes per second of a plain sequential read of 16-bit PCM far larger than the caches.
double MemoryReadBytesPerSecond()
{
    static const double rate = [] {
        std::vector<uint64_t> data(16u << 20, 0x0001000100010001u);  // 128 MiB of PCM
        uint64_t sum = 0;
        const double start = ThreadSeconds();
        for (int pass = 0; pass < 4; ++pass) {
            for (uint64_t v : data) {
                sum += v;  // four samples a word
            }
        }
        const double seconds = ThreadSeconds() - start;
        benchmark::DoNotOptimize(sum);
        return 4.0 * data.size() * sizeof(uint64_t) / seconds;
    }();
    return rate;
}

// Voices that 10% of a core could feed if reading their data were all it took.
double MemoryLimitVoices()
{
    const double bytesPerVoiceSecond = double(kDataRate) * 4;  // stereo 16-bit at the data rate
    return 0.1 * MemoryReadBytesPerSecond() / bytesPerVoiceSecond;
}

struct Rig {
    CSoundDevice device{AudioApi::Offline};
    std::vector<std::unique_ptr<CSoundBuffer>> voices;
    std::vector<float> out = std::vector<float>(kBlock * 2);

    explicit Rig(int count)
    {
        device.Create(nullptr, "", kDeviceRate, 2, CSoundDevice::kSpeakerStereo);
        device.StartPrimary();
        const WaveFormat format = WaveFormat::Pcm16(kDataRate, 2);
        SoundBufferDesc desc;
        desc.flags = BufferCaps::Static | BufferCaps::CtrlFrequency | BufferCaps::CtrlVolume | BufferCaps::CtrlPan;
        desc.bufferBytes = kDataRate * format.blockAlign;  // one second each, distinct memory
        desc.format = &format;
        for (int i = 0; i < count; ++i) {
            auto voice = device.CreateSecondary(desc);
            LockedRegion region;
            voice->Lock(0, 0, region, LockFlags::EntireBuffer);
            auto* pcm = static_cast<int16_t*>(region.part1);
            for (uint32_t s = 0; s < region.bytes1 / 2; ++s) {
                pcm[s] = static_cast<int16_t>(1000 * std::sin(0.01 * s * (1 + i % 7)));
            }
            voice->Unlock(region);
            voice->SetVolume(-(i % 40) * 10);
            voice->SetPan((i % 21 - 10) * 100);
            voice->SetFrequency(i % 3 == 0 ? 0 : kDataRate + 13 * i);  // frequencies differ
            voice->Play(PlayFlags::Looping);
            voices.push_back(std::move(voice));
        }
        device.Pull(out.data(), kBlock);  // past the start ramps
    }
};

void BM_MixVoices(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    Rig rig(count);
    const double memoryVoices = MemoryLimitVoices();
    for (auto _ : state) {
        rig.device.Pull(rig.out.data(), kBlock);
        benchmark::DoNotOptimize(rig.out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock * count);  // voice-frames
    // Seconds of one core per voice-frame, from the measured time per block.
    state.counters["voices_in_10pct_core"] = benchmark::Counter(
        double(kBlock) * count * state.iterations() * 0.1 / kDeviceRate, benchmark::Counter::kIsRate);
    state.counters["memory_limit_voices"] = memoryVoices;
}
BENCHMARK(BM_MixVoices)->Arg(64)->Arg(256)->Arg(512)->Arg(1024)->Unit(benchmark::kMicrosecond);

// The ratio in one line: mixed voices per 10% of a core over the memory-read limit.
void BM_MixVoicesRatioToMemory(benchmark::State& state)
{
    Rig rig(512);
    const double memoryVoices = MemoryLimitVoices();
    int64_t blocks = 0;
    const double start = ThreadSeconds();
    for (auto _ : state) {
        rig.device.Pull(rig.out.data(), kBlock);
        ++blocks;
        benchmark::DoNotOptimize(rig.out.data());
    }
    const double seconds = ThreadSeconds() - start;
    const double secondsPerVoiceFrame = seconds / (double(blocks) * kBlock * 512);
    const double voices = 0.1 / (kDeviceRate * secondsPerVoiceFrame);
    state.counters["voices_in_10pct_core"] = voices;
    state.counters["memory_limit_voices"] = memoryVoices;
    state.counters["ratio"] = voices / memoryVoices;
}
BENCHMARK(BM_MixVoicesRatioToMemory)->Unit(benchmark::kMicrosecond);

void BM_MemoryRead(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(MemoryReadBytesPerSecond());
    }
    state.counters["GB_per_s"] = MemoryReadBytesPerSecond() / 1e9;
    state.counters["memory_limit_voices_10pct"] = MemoryLimitVoices();
}
BENCHMARK(BM_MemoryRead)->Iterations(1);

// Frames from a play command sent between two callbacks to the first frame of it heard.
void BM_PlayLatency(benchmark::State& state)
{
    const auto block = static_cast<uint32_t>(state.range(0));
    CSoundDevice device(AudioApi::Offline);
    device.Create(nullptr, "", kDeviceRate, 2, CSoundDevice::kSpeakerStereo);
    device.StartPrimary();
    const WaveFormat format = WaveFormat::Pcm16(kDeviceRate, 2);
    SoundBufferDesc desc;
    desc.flags = BufferCaps::Static;
    desc.bufferBytes = kDeviceRate * format.blockAlign;
    desc.format = &format;
    auto buffer = device.CreateSecondary(desc);
    LockedRegion region;
    buffer->Lock(0, 0, region, LockFlags::EntireBuffer);
    auto* pcm = static_cast<int16_t*>(region.part1);
    std::fill(pcm, pcm + region.bytes1 / 2, int16_t{8000});
    buffer->Unlock(region);
    std::vector<float> out(size_t(block) * 2);
    double frames = 0;
    double worst = 0;
    for (auto _ : state) {
        buffer->Stop();
        buffer->SetCurrentPosition(0);
        for (int i = 0; i < 2; ++i) {
            device.Pull(out.data(), block);  // the fade-out of the last round
        }
        buffer->Play();
        uint32_t heard = 0;
        for (bool found = false; !found;) {
            device.Pull(out.data(), block);
            for (uint32_t f = 0; f < block && !found; ++f) {
                found = out[2 * f] != 0.0f;
                heard += found ? 0 : 1;
            }
        }
        frames += heard;
        worst = std::max<double>(worst, heard);
    }
    state.counters["latency_frames"] = frames / state.iterations();
    state.counters["worst_frames"] = worst;
    state.counters["block_frames"] = block;
}
BENCHMARK(BM_PlayLatency)->Arg(128)->Arg(256)->Arg(1024);

// Cost on the control thread of one play command.
void BM_PlayCommand(benchmark::State& state)
{
    Rig rig(1);
    CSoundBuffer& voice = *rig.voices.front();
    int64_t n = 0;
    for (auto _ : state) {
        voice.Play(PlayFlags::Looping);
        if (++n % 1024 == 0) {
            state.PauseTiming();
            rig.device.Pull(rig.out.data(), kBlock);  // drain the queue
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_PlayCommand);

}  // namespace
