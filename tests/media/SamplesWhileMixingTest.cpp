#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "SampleFixtures.h"
#include "effects/SampleEffect.h"
#include "media/CSamples.h"

namespace tessaron::test {
namespace {

constexpr uint32_t kRate = 44100;

// The mixer pulls on its own thread, as an audio callback does, while the owning thread plays,
// stops, re-levels, re-pitches, edits and refits samples (so their buffers are replaced while
// they sound). Run under the ThreadSanitizer build, this is where a race would show.
TEST(SamplesWhileMixing, ControlThreadAndMixerThreadShareNothingUnsafely)
{
    TempDir dir;
    OfflineDevice output;
    const WaveFormat format = WaveFormat::Pcm16(kRate, 2);
    const std::string path = WriteWav(dir, "loop.wav", format, SinePcm(format, kRate / 2, 441, 0.3));
    std::vector<std::unique_ptr<CSamples>> samples;
    for (int i = 0; i < 4; ++i) {
        auto sample = std::make_unique<CSamples>();
        sample->filePath = path;
        sample->tempo = 100.0f;
        sample->stretchMode = 1 + i % 2;
        sample->SetLoop(i % 2 == 0);
        ASSERT_TRUE(sample->Open(&output.device, 100.0f));
        samples.push_back(std::move(sample));
    }
    ASSERT_TRUE(samples[0]->MakeDuplicates(12));

    std::atomic<bool> stop{false};
    std::atomic<uint64_t> pulled{0};
    std::atomic<bool> heard{false};
    std::thread mixer([&] {
        std::vector<float> block(512);
        while (!stop.load()) {
            output.device.Pull(block.data(), 256);
            for (float v : block) {
                if (v != 0.0f) {
                    heard.store(true);
                    break;
                }
            }
            pulled.fetch_add(256);
        }
    });

    for (int round = 0; round < 60; ++round) {
        for (int i = 0; i < int(samples.size()); ++i) {
            CSamples& s = *samples[size_t(i)];
            s.Play();
            s.SetVolume(-(round * 7 % 400));
            s.SetPan(round % 2 == 0 ? -300 : 300);
            s.SetPitch(round % 5);
            if (round % 10 == i) {
                s.ChangeTempo(round % 20 < 10 ? 120.0f : 100.0f);
            }
            if (round % 15 == i) {
                s.Cut(nullptr, 0, 4000);
                s.Revert();
            }
            if (round % 12 == i) {
                s.ApplyEffect(kFirstEffectCommand + 1, -1, 0, 0, 0, 0);
            }
            s.CurrentPeak(100.0f);
            s.IsDevicePlaying();
        }
        samples[0]->PlayDuplicate(1 + round % 12, -100);
        if (round % 3 == 2) {
            samples[round % 4]->Stop();
            samples[0]->StopAllDuplicates();
        }
        if (round == 30) {
            samples[3]->Reopen(110.0f);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop.store(true);
    mixer.join();
    EXPECT_GT(pulled.load(), 0u);
    EXPECT_TRUE(heard.load());
    for (auto& s : samples) {
        s->Reset();
    }
}

}  // namespace
}  // namespace tessaron::test
