#include <gtest/gtest.h>

#include <cmath>

#include "OfflineOutput.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

// Power of everything but the tone, relative to the tone, in decibels.
double ResidualDb(const std::vector<float>& mono, double frequency, double rate)
{
    const double amplitude = ToneAmplitude(mono.data(), mono.size(), 1, frequency, rate);
    const double total = Rms(mono.data(), mono.size(), 1);
    const double rest = std::sqrt(std::max(total * total - amplitude * amplitude / 2, 1e-20));
    return 20 * std::log10(rest / (amplitude / std::sqrt(2.0)));
}

TEST(MixerResampling, BufferFrequencyMapsToTheDeviceRate)
{
    struct Case {
        uint32_t dataRate, frequency, deviceRate;
        double tone, expected;
    };
    for (const Case c : {Case{44100, 0, 48000, 1000, 1000}, Case{44100, 22050, 48000, 1000, 500},
                         Case{22050, 0, 44100, 1000, 1000}, Case{48000, 96000, 48000, 1000, 2000},
                         Case{8000, 0, 48000, 440, 440}, Case{44100, 100, 48000, 1000, 1000.0 * 100 / 44100}}) {
        OfflineOutput out(c.deviceRate);
        const WaveFormat format = WaveFormat::Pcm16(c.dataRate, 2);
        auto buffer = out.Buffer(format, SinePcm(format, c.dataRate, c.tone, 0.5));
        ASSERT_TRUE(buffer->SetFrequency(c.frequency));
        ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
        out.Render(c.deviceRate / 10);
        const auto left = Channel(out.Render(c.deviceRate), 2, 0);
        const double found = DominantFrequency(left.data(), left.size(), 1, c.deviceRate,
                                               c.expected * 0.8, c.expected * 1.2, c.expected / 200);
        EXPECT_NEAR(found, c.expected, c.expected * 0.002) << c.dataRate << " at " << c.frequency;
        EXPECT_NEAR(ToneAmplitude(left.data(), left.size(), 1, c.expected, c.deviceRate), 0.5, 0.01);
    }
}

TEST(MixerResampling, CubicInterpolationKeepsHighTonesClean)
{
    // 5 kHz at 44100 Hz to 48000 Hz: linear interpolation leaves images at about -34 dB of
    // the tone, the four-point cubic at about -46.5 dB.
    OfflineOutput out(48000);
    const WaveFormat format = WaveFormat::Pcm16(44100, 1);
    auto buffer = out.Buffer(format, SinePcm(format, 44100, 5000, 0.5));
    ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
    out.Render(4800);
    const auto left = Channel(out.Render(48000), 2, 0);
    EXPECT_LT(ResidualDb(left, 5000, 48000), -44.0);
}

TEST(MixerResampling, LoopsJoinWithoutAClickAtTheSeam)
{
    // Ten periods of 1 kHz at 44100 Hz: the seam falls between taps that wrap round.
    for (const WaveFormat& format : {WaveFormat::Pcm16(44100, 2), WaveFormat::MakePcm(44100, 1, 8)}) {
        OfflineOutput out(48000, 128);
        auto buffer = out.Buffer(format, SinePcm(format, 441, 1000, 0.8));
        ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
        out.Render(480);
        const auto left = Channel(out.Render(48000), 2, 0);
        const double sineStep = 2 * std::acos(-1.0) * 1000 / 48000 * 0.8;
        EXPECT_LT(LargestStep(left.data(), left.size(), 1), sineStep * 1.05) << format.bitsPerSample;
        EXPECT_LT(ResidualDb(left, 1000, 48000), format.bitsPerSample == 8 ? -30.0 : -60.0);
    }
}

TEST(MixerResampling, StartStopRetriggerAndVolumeChangesRamp)
{
    OfflineOutput out(48000, 64);
    const WaveFormat format = WaveFormat::Pcm16(48000, 2);
    auto constant = out.Buffer(format, ConstantPcm(format, 4800, 0.9));
    auto sine = out.Buffer(format, SinePcm(format, 4800, 200, 0.9));
    const double rampLimit = 0.9 / 40;  // a ramp of 1.5 ms moves at most this far per frame
    std::vector<float> all;
    auto record = [&](uint32_t frames) {
        const auto block = out.Render(frames);
        all.insert(all.end(), block.begin(), block.end());
    };
    constant->Play(PlayFlags::Looping);
    record(300);
    constant->SetVolume(-2000);
    record(300);
    constant->SetVolume(0);
    record(300);
    constant->Stop();
    record(300);
    EXPECT_LT(LargestStep(all.data(), all.size() / 2, 2), rampLimit);
    EXPECT_EQ(all[all.size() - 2], 0.0f) << "stopped";

    all.clear();
    sine->SetCurrentPosition(4 * 60);  // near the crest of the 200 Hz sine
    sine->Play(PlayFlags::Looping);
    record(500);
    sine->SetCurrentPosition(4 * 60);  // retrigger from the same crest crossfades
    record(500);
    sine->SetCurrentPosition(4 * 180);  // a jump to the trough as well
    record(500);
    EXPECT_LT(LargestStep(all.data(), all.size() / 2, 2), 2 * 0.9 / 40 + 0.024);
}

TEST(MixerResampling, PlayReachesTheOutputInTheNextBlock)
{
    OfflineOutput out(48000, 256);
    const WaveFormat format = WaveFormat::Pcm16(48000, 2);
    auto buffer = out.Buffer(format, ConstantPcm(format, 4800, 0.5));
    EXPECT_EQ(Peak(out.Render(256).data(), 512, 1), 0.0);
    buffer->Play();
    const auto block = out.Render(256);
    EXPECT_GT(block[0], 0.0f) << "the first frame of the next block sounds";
    EXPECT_NEAR(block[400], 0.5, 1e-3);
}

}  // namespace
}  // namespace tessaron::test
