#include <gtest/gtest.h>

#include <climits>

#include "effects/LevelEffects.h"
#include "effects/PcmTestBuffer.h"

namespace tessaron {
namespace {

using test::Format;
using test::PcmTestBuffer;

TEST(Gain, SixDecibelsNearlyDoublesTruncatesAndClipsIn8And16Bits)
{
    PcmTestBuffer pcm(Format(1, 16), {20000, 1000, -1000, -20000, 0});
    ASSERT_TRUE(Gain(pcm.View(), 60, {0, 10}));
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{32767, 1995, -1995, -32768, 0}));

    PcmTestBuffer bytes(Format(1, 8), {100, -100, 10, -1});
    EXPECT_EQ(bytes.Bytes()[3], 0x7F);  // −1: unsigned, with silence at 128
    ASSERT_TRUE(Gain(bytes.View(), 60, {0, 4}));
    EXPECT_EQ(bytes.Channel(0), (std::vector<int>{127, -128, 19, -1}));

    // A gain beyond any double keeps silence silent instead of making NaN.
    PcmTestBuffer huge(Format(1, 16), {0, 1});
    ASSERT_TRUE(Gain(huge.View(), INT_MAX, {0, 4}));
    EXPECT_EQ(huge.Channel(0), (std::vector<int>{0, 32767}));
}

TEST(NoiseGate, SilencesSamplesBelowTheThresholdLevel)
{
    // LevelDb(10) = 20 is not below 20.
    PcmTestBuffer pcm(Format(2, 16), {9, 10, -9, -10, 1, 30000, 0, -11});
    ASSERT_TRUE(NoiseGate(pcm.View(), 20, {0, 16}));
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(pcm.Channel(1), (std::vector<int>{10, -10, 30000, -11}));

    PcmTestBuffer negative(Format(1, 16), {9, 10});
    ASSERT_TRUE(NoiseGate(negative.View(), -20, {0, 4}));
    EXPECT_EQ(negative.Channel(0), (std::vector<int>{0, 10}));
    PcmTestBuffer huge(Format(1, 8), {127, -128});  // |INT_MIN| must not overflow
    ASSERT_TRUE(NoiseGate(huge.View(), INT_MIN, {0, 2}));
    EXPECT_EQ(huge.Channel(0), (std::vector<int>{0, 0}));
}

TEST(Normalise, PeakOverAllChannelsReachesFullScaleExactly)
{
    PcmTestBuffer pcm(Format(2, 16), {1000, -2000, 500, 3, -1000, 0});
    ASSERT_TRUE(Normalise(pcm.View(), {0, 12}));
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{16383, 8191, -16383}));
    EXPECT_EQ(pcm.Channel(1), (std::vector<int>{-32767, 49, 0}));

    // A peak of 3 would miss full scale by one with a rounded floating-point gain.
    PcmTestBuffer small(Format(1, 16), {3, 1, -3});
    ASSERT_TRUE(Normalise(small.View(), {0, 6}));
    EXPECT_EQ(small.Channel(0), (std::vector<int>{32767, 10922, -32767}));

    PcmTestBuffer bytes(Format(1, 8), {-128, 64, 1});
    ASSERT_TRUE(Normalise(bytes.View(), {0, 3}));
    EXPECT_EQ(bytes.Channel(0), (std::vector<int>{-127, 63, 0}));

    PcmTestBuffer silent(Format(2, 16), {0, 0, 0, 0, 5, 5});
    ASSERT_TRUE(Normalise(silent.View(), {0, 8}));
    EXPECT_EQ(silent.Channel(0), (std::vector<int>{0, 0, 5}));
}

TEST(Dynamics, ExpansionAndCompressionCompareWithThePreviousWrittenLevel)
{
    // Levels: 100 → 40 dB, 1000 → 60 dB, 10 → 20 dB; the factor for 6 dB is 1.995.
    PcmTestBuffer expanded(Format(1, 16), {100, 100, 1000, 1000, 10});
    ASSERT_TRUE(Dynamics(expanded.View(), 6, {0, 10}));
    // The second 1000 follows the written 1995 (66 dB): a fall, left alone.
    EXPECT_EQ(expanded.Channel(0), (std::vector<int>{100, 100, 1995, 1000, 10}));

    PcmTestBuffer compressed(Format(1, 16), {100, 100, 1000, 1000, 10});
    ASSERT_TRUE(Dynamics(compressed.View(), -6, {0, 10}));
    // 501 is 53.997 dB: the next jump of 6.003 truncates to 6, not above 6; the fall to 10 counts.
    EXPECT_EQ(compressed.Channel(0), (std::vector<int>{100, 100, 501, 1000, 5}));
}

TEST(Dynamics, FirstPreviousIsTheBufferStartAndTheRangeStartIsNotProcessed)
{
    PcmTestBuffer pcm(Format(2, 16), {100, 1000, 5000, 5000, 5000, 5000});
    ASSERT_TRUE(Dynamics(pcm.View(), 6, {4, 12}));
    // Frame 2 is compared with frame 0 (left rises 34 dB, right 14 dB), not with frame 1.
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{100, 5000, 9976}));
    EXPECT_EQ(pcm.Channel(1), (std::vector<int>{1000, 5000, 9976}));
}

}  // namespace
}  // namespace tessaron
