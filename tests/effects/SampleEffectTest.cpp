#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

#include "effects/LevelEffects.h"
#include "effects/PcmTestBuffer.h"
#include "effects/SampleEffect.h"

namespace tessaron {
namespace {

using test::Format;
using test::PcmTestBuffer;

// Parameters that make each effect change a noisy signal; delays are whole frames at 44100 Hz
// in every format (441 Hz is 100 frames, 10 ms is 441 frames).
EffectParameters ParametersFor(SampleEffect effect)
{
    switch (effect) {
    case SampleEffect::Gain: return {6, 0};
    case SampleEffect::NoiseGate: return {60, 0};  // on the 16-bit scale: 8-bit values below 4
    case SampleEffect::Compression: return {3, 0};
    case SampleEffect::Expansion: return {3, 0};
    case SampleEffect::LowPass: return {2000, 0};
    case SampleEffect::HighPass: return {2000, 0};
    case SampleEffect::Comb: return {441, 0};
    case SampleEffect::Resonant: return {2000, 50};
    case SampleEffect::Delay: return {10, -6};
    case SampleEffect::Echo: return {10, -6};
    case SampleEffect::Distortion: return {30, 0};
    case SampleEffect::Metal: return {441, 0};
    default: return {};
    }
}

std::vector<int> Signal(std::size_t frames, int amplitude, unsigned seed)
{
    auto samples = test::Noise(frames, amplitude / 4, seed);
    const auto tone = test::Sine(300.0 + seed * 50, 44100, frames, amplitude * 0.7);
    for (std::size_t n = 0; n < frames; ++n) {
        samples[n] += tone[n];
    }
    return samples;
}

TEST(SampleEffect, NamesAndOffsetsMapBothWays)
{
    std::set<int> offsets;
    for (SampleEffect effect : AllSampleEffects()) {
        EXPECT_EQ(EffectFromName(EffectName(effect)), effect);
        EXPECT_EQ(EffectAtOffset(static_cast<int>(effect)), effect);
        offsets.insert(static_cast<int>(effect));
    }
    EXPECT_EQ(offsets, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 9, 15, 16, 17, 18, 21}));
    EXPECT_EQ(EffectFromName("noise-gate"), SampleEffect::NoiseGate);
    EXPECT_EQ(EffectFromName("low-pass"), SampleEffect::LowPass);
    EXPECT_EQ(EffectFromName("Gain"), std::nullopt);
    EXPECT_EQ(EffectAtOffset(8), std::nullopt);
    EXPECT_EQ(EffectParameterCount(SampleEffect::Resonant), 2);
    EXPECT_EQ(EffectParameterCount(SampleEffect::Reverse), 0);
}

TEST(SampleEffect, DoNothingOffsetsChangeNothingAndUnknownOffsetsFail)
{
    PcmTestBuffer pcm(Format(2, 16), Signal(400, 20000, 1));
    const auto before = pcm.Bytes();
    for (int offset : {8, 10, 11, 12, 13, 14, 19, 20}) {
        EXPECT_TRUE(ApplyEffectAtOffset(pcm.View(), offset, {5, 5}, {0, 0})) << offset;
    }
    EXPECT_FALSE(ApplyEffectAtOffset(pcm.View(), -1, {}, {0, 0}));
    EXPECT_FALSE(ApplyEffectAtOffset(pcm.View(), kEffectCommandCount, {}, {0, 0}));
    EXPECT_EQ(pcm.Bytes(), before);
    EXPECT_TRUE(ApplyEffectAtOffset(pcm.View(), 18, {}, {0, 0}));
    EXPECT_NE(pcm.Bytes(), before);
}

TEST(SampleEffect, DialogParametersAreConvertedAndEndZeroMeansTheWholeBuffer)
{
    const auto samples = Signal(500, 20000, 2);
    PcmTestBuffer viaCommand(Format(1, 16), samples);
    PcmTestBuffer direct(Format(1, 16), samples);
    ASSERT_TRUE(ApplyEffect(viaCommand.View(), SampleEffect::Gain, {-6, 0}, {0, 0}));
    ASSERT_TRUE(Gain(direct.View(), -60, {0, 1000}));
    EXPECT_EQ(viaCommand.Bytes(), direct.Bytes());

    ASSERT_TRUE(ApplyEffect(viaCommand.View(), SampleEffect::Compression, {4, 0}, {0, 1 << 30}));
    ASSERT_TRUE(Dynamics(direct.View(), -4, {0, 1000}));
    EXPECT_EQ(viaCommand.Bytes(), direct.Bytes());
}

TEST(SampleEffect, ParametersWithoutMeaningAreRefusedAndExtremesDoNotOverflow)
{
    // No cutoff at or below 0 Hz; no delay below one frame or beyond the buffer.
    const std::set<SampleEffect> needDelay = {SampleEffect::Comb, SampleEffect::Delay, SampleEffect::Echo,
                                              SampleEffect::Metal};
    const auto original = Signal(300, 20000, 3);
    for (SampleEffect effect : AllSampleEffects()) {
        for (int p : {INT_MIN, -1, 0, INT_MAX}) {
            const bool filter = effect == SampleEffect::LowPass || effect == SampleEffect::HighPass;
            const bool refused = needDelay.contains(effect) || (filter && p <= 0);
            PcmTestBuffer pcm(Format(1, 16), original);
            EXPECT_EQ(ApplyEffect(pcm.View(), effect, {p, p}, {0, 0}), !refused) << EffectName(effect) << " " << p;
            if (refused) {
                EXPECT_EQ(pcm.Channel(0), original) << EffectName(effect) << " " << p;
            }
        }
    }
}

TEST(SampleEffect, UnusableBuffersAreRefused)
{
    std::vector<std::uint8_t> none;
    std::vector<std::uint8_t> bytes(64, 1);
    for (SampleEffect effect : AllSampleEffects()) {
        const auto parameters = ParametersFor(effect);
        EXPECT_FALSE(ApplyEffect(PcmView(none, Format(2, 16)), effect, parameters, {0, 0}));
        EXPECT_FALSE(ApplyEffect(PcmView(bytes, Format(2, 24)), effect, parameters, {0, 0}));
        EXPECT_FALSE(ApplyEffect(PcmView(bytes, Format(3, 16)), effect, parameters, {0, 0}));
        EXPECT_FALSE(ApplyEffect(PcmView(bytes, Format(1, 16, 0)), effect, parameters, {0, 0}));
    }
    EXPECT_EQ(bytes, std::vector<std::uint8_t>(64, 1));
}

struct FormatCase {
    int channels;
    int bits;
};

class EveryEffectInEveryFormat : public ::testing::TestWithParam<std::tuple<SampleEffect, FormatCase>> {};

TEST_P(EveryEffectInEveryFormat, ChangesOnlyTheRange)
{
    const auto [effect, format] = GetParam();
    const int amplitude = format.bits == 16 ? 12000 : 60;
    PcmTestBuffer pcm(Format(format.channels, format.bits), Signal(3000 * format.channels, amplitude, 4));
    const auto before = pcm.Bytes();
    const std::int64_t start = 4 * 300;
    const std::int64_t end = pcm.ByteOf(2600);
    ASSERT_TRUE(ApplyEffect(pcm.View(), effect, ParametersFor(effect), {start, end}));
    const auto& after = pcm.Bytes();
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + start, before.begin()));
    EXPECT_TRUE(std::equal(after.begin() + end, after.end(), before.begin() + end));
    EXPECT_FALSE(std::equal(after.begin() + start, after.begin() + end, before.begin() + start));
}

INSTANTIATE_TEST_SUITE_P(
    All, EveryEffectInEveryFormat,
    ::testing::Combine(::testing::ValuesIn(AllSampleEffects().begin(), AllSampleEffects().end()),
                       ::testing::Values(FormatCase{1, 8}, FormatCase{2, 8}, FormatCase{1, 16}, FormatCase{2, 16})),
    [](const auto& info) {
        std::string name(EffectName(std::get<0>(info.param)));
        std::erase(name, '-');
        const FormatCase format = std::get<1>(info.param);
        return name + (format.channels == 1 ? "_mono" : "_stereo") + std::to_string(format.bits);
    });

class EveryEffectInStereo : public ::testing::TestWithParam<std::tuple<SampleEffect, int>> {};

TEST_P(EveryEffectInStereo, ChannelsMatchTwoMonoRuns)
{
    const auto [effect, bits] = GetParam();
    const int amplitude = bits == 16 ? 12000 : 60;
    auto left = Signal(3000, amplitude, 5);
    auto right = Signal(3000, amplitude, 6);
    left[7] = amplitude * 2;  // equal peaks: normalise takes one gain for both channels
    right[9] = -amplitude * 2;
    PcmTestBuffer stereo(Format(2, bits), test::Interleave(left, right));
    PcmTestBuffer leftOnly(Format(1, bits), left);
    PcmTestBuffer rightOnly(Format(1, bits), right);
    const auto parameters = ParametersFor(effect);
    ASSERT_TRUE(ApplyEffect(stereo.View(), effect, parameters, {0, 0}));
    ASSERT_TRUE(ApplyEffect(leftOnly.View(), effect, parameters, {0, 0}));
    ASSERT_TRUE(ApplyEffect(rightOnly.View(), effect, parameters, {0, 0}));
    EXPECT_EQ(stereo.Channel(0), leftOnly.Channel(0));
    EXPECT_EQ(stereo.Channel(1), rightOnly.Channel(0));
}

INSTANTIATE_TEST_SUITE_P(
    All, EveryEffectInStereo,
    ::testing::Combine(::testing::ValuesIn(AllSampleEffects().begin(), AllSampleEffects().end()),
                       ::testing::Values(8, 16)),
    [](const auto& info) {
        std::string name(EffectName(std::get<0>(info.param)));
        std::erase(name, '-');
        return name + "_" + std::to_string(std::get<1>(info.param));
    });

}  // namespace
}  // namespace tessaron
