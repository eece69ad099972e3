#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "AllocationGuard.h"
#include "OfflineOutput.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

// The audio thread (here a thread pulling the offline device like a callback) neither
// allocates nor frees while control threads start, stop, edit, duplicate and release 64
// voices. Run under ThreadSanitizer this also checks the hand-over between the threads.
TEST(RealTimeSafety, CallbackThreadAllocatesNothingWhile64VoicesStartAndStop)
{
    OfflineOutput out(48000, 128);
    const WaveFormat stereo = WaveFormat::Pcm16(44100, 2);
    const WaveFormat mono8 = WaveFormat::MakePcm(22050, 1, 8);
    std::vector<std::unique_ptr<CSoundBuffer>> voices;
    for (int i = 0; i < 64; ++i) {
        const WaveFormat& format = i % 2 ? stereo : mono8;
        voices.push_back(out.Buffer(format, SinePcm(format, 2000 + 10 * i, 300 + 7 * i, 0.01)));
        ASSERT_NE(voices.back(), nullptr);
    }

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    float peaks = 0.0f;
    std::atomic<double> loudest{0.0};
    std::thread audio([&] {
        std::vector<float> block(128 * 2);  // allocated before the guard is armed
        ArmAllocationGuard();
        while (!stop.load()) {
            out.device.Pull(block.data(), 128);
            double peak = 0;
            for (float v : block) {
                peak = std::max(peak, double(std::fabs(v)));
            }
            if (peak > loudest.load()) {
                loudest.store(peak);
            }
            blocks.fetch_add(1);
        }
        DisarmAllocationGuard();
    });

    for (int round = 0; round < 40; ++round) {
        for (size_t i = 0; i < voices.size(); ++i) {
            CSoundBuffer& voice = *voices[i];
            if ((i + round) % 3 == 0) {
                voice.Stop();
            } else {
                voice.SetCurrentPosition(0);
                voice.Play((i % 2) ? PlayFlags::Looping : 0);
            }
            voice.SetVolume(-static_cast<int32_t>((i * 37 + round) % 3000));
            voice.SetPan(static_cast<int32_t>(i * 300 % 20000) - 10000);
            voice.SetFrequency(i % 4 == 0 ? 0 : 8000 + 500 * static_cast<uint32_t>(i));
            voice.GetStatus();
            voice.GetCurrentPosition(nullptr, nullptr);
            peaks = std::max(peaks, voice.TakePeak());  // the meters read while the callback writes
        }
        // Edits publish new memory; released duplicates retire theirs.
        OfflineOutput::Write(*voices[round % 64], 0, SinePcm(voices[round % 64]->GetFormat(), 500, 900, 0.01));
        auto duplicate = voices[round % 64]->Duplicate();
        ASSERT_NE(duplicate, nullptr);
        duplicate->Play(PlayFlags::Looping);
        const long seen = blocks.load();
        while (blocks.load() < seen + 2) {
            std::this_thread::yield();
        }
        duplicate.reset();
        out.device.Mixer()->Collect();
    }
    stop.store(true);
    audio.join();

    EXPECT_EQ(TakeGuardedAllocations(), 0);
    EXPECT_GT(blocks.load(), 80);
    EXPECT_GT(loudest.load(), 0.01) << "the voices were heard";
    EXPECT_GT(peaks, 0.005f) << "the voices' levels were published";
    voices.clear();
    out.device.Mixer()->Collect();
}

TEST(RealTimeSafety, GuardCountsAllocationsOfArmedThreads)
{
    TakeGuardedAllocations();
    ArmAllocationGuard();
    int* volatile p = new int(3);
    delete p;
    DisarmAllocationGuard();
    EXPECT_EQ(TakeGuardedAllocations(), 2);
}

}  // namespace
}  // namespace tessaron::test
