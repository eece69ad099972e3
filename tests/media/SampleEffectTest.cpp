#include <gtest/gtest.h>

#include <cmath>

#include "SampleFixtures.h"
#include "effects/SampleEffect.h"
#include "media/CSamples.h"

namespace tessaron::test {
namespace {

constexpr uint32_t kRate = 44100;

int Command(SampleEffect effect) { return kFirstEffectCommand + static_cast<int>(effect); }

// 16-bit stereo sound from given sample values, opened as a sample on an offline output.
class SampleEffects : public ::testing::Test {
protected:
    void Open(const std::vector<int16_t>& values, int channels = 2)
    {
        Bytes pcm(values.size() * 2);
        std::memcpy(pcm.data(), values.data(), pcm.size());
        sample.filePath = WriteWav(dir, "effect.wav", WaveFormat::Pcm16(kRate, uint16_t(channels)), pcm);
        ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    }
    std::vector<int16_t> Values() const { return Words(sample.GetPcm(), size_t(sample.GetDataSize())); }

    TempDir dir;
    OfflineDevice output;
    CSamples sample;
};

TEST_F(SampleEffects, GainClipsAndNoiseGateKeepsLevelTwenty)
{
    Open({20000, 10000, -20000, 5000, 9, -9, 10, -10});
    ASSERT_TRUE(sample.ApplyEffect(Command(SampleEffect::Gain), 6, 0, 0, 0, 8));
    const double g = std::pow(10.0, 60 / 200.0);
    std::vector<int16_t> expected = {32767, int16_t(10000 * g), -32768, int16_t(5000 * g), 9, -9, 10, -10};
    EXPECT_EQ(Values(), expected) << "the range ends at byte 8: two frames";
    EXPECT_EQ(sample.edited, 1);
    EXPECT_EQ(sample.uncommitted, 1);
    ASSERT_TRUE(sample.ApplyEffect(Command(SampleEffect::NoiseGate), 20, 0, 0, 0, 0));
    expected = {32767, int16_t(10000 * g), -32768, int16_t(5000 * g), 0, 0, 10, -10};
    EXPECT_EQ(Values(), expected);
}

TEST_F(SampleEffects, CombAddsTheSoundOneHundredFramesEarlier)
{
    std::vector<int16_t> values(2 * 400);
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<int16_t>(i % 2 == 0 ? i : -int(i));
    }
    Open(values);
    ASSERT_TRUE(sample.ApplyEffect(Command(SampleEffect::Comb), 441, 0, 0, 0, 0));
    const auto after = Values();
    for (size_t i = 0; i < values.size(); ++i) {
        const int earlier = i >= 200 ? values[i - 200] : 0;
        ASSERT_EQ(after[i], values[i] + earlier) << i;
    }
}

TEST_F(SampleEffects, ReverseAndDoNothingOffsets)
{
    Open({1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(sample.ApplyEffect(Command(SampleEffect::Reverse), 0, 0, 0, 4, 16));
    EXPECT_EQ(Values(), (std::vector<int16_t>{1, 2, 7, 8, 5, 6, 3, 4}));
    CSamples fresh;
    fresh.filePath = sample.filePath;
    ASSERT_TRUE(fresh.Open(&output.device, 100.0f));
    for (int offset : {8, 19}) {
        fresh.edited = 0;
        EXPECT_TRUE(fresh.ApplyEffect(kFirstEffectCommand + offset, 5, 5, 0, 0, 0));
        EXPECT_EQ(Words(fresh.GetPcm(), 16), (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_EQ(fresh.edited, 1);
    }
    CSamples closed;
    EXPECT_FALSE(closed.ApplyEffect(Command(SampleEffect::Gain), 6, 0, 0, 0, 0));
}

TEST_F(SampleEffects, EightBitSoundIsTreatedAsCentredOnSilence)
{
    const WaveFormat format = WaveFormat::MakePcm(kRate, 1, 8);
    sample.filePath = WriteWav(dir, "eight.wav", format, {148, 108, 128, 255});
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    ASSERT_TRUE(sample.ApplyEffect(Command(SampleEffect::Gain), 6, 0, 0, 0, 0));
    const double g = std::pow(10.0, 60 / 200.0);
    const Bytes expected = {uint8_t(128 + int(20 * g)), uint8_t(128 - int(20 * g)), 128, 255};
    EXPECT_EQ(Bytes(sample.GetPcm(), sample.GetPcm() + 4), expected);
}

// The effect changes what the output plays, not only what the editor shows.
TEST_F(SampleEffects, GainIsHeardThroughTheMixer)
{
    const WaveFormat format = WaveFormat::Pcm16(kRate, 2);
    sample.filePath = WriteWav(dir, "sine.wav", format, SinePcm(format, kRate, 441, 0.5));
    sample.SetLoop(true);
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    ASSERT_TRUE(sample.ApplyEffect(Command(SampleEffect::Gain), -20, 0, 0, 0, 0));
    ASSERT_TRUE(sample.Play());
    const auto left = Channel(output.Render(kRate / 5), 2, 0);
    EXPECT_NEAR(ToneAmplitude(left.data(), left.size(), 1, 441, kRate), 0.05, 0.002);
}

}  // namespace
}  // namespace tessaron::test
