#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "effects/EffectLevels.h"
#include "effects/LevelEffects.h"
#include "effects/PcmTestBuffer.h"

namespace tessaron {
namespace {

using test::Format;
using test::PcmTestBuffer;

TEST(EffectLevels, LevelAndGainHelpers)
{
    EXPECT_EQ(LevelDb(0), 0.0);
    EXPECT_DOUBLE_EQ(LevelDb(10), 20.0);
    EXPECT_DOUBLE_EQ(LevelDb(-10), 20.0);
    EXPECT_NEAR(LevelDb(32767), 90.3, 0.01);
    EXPECT_NEAR(DbGain(60), 1.995, 0.001);
    EXPECT_DOUBLE_EQ(DbGain(0), 1.0);
    EXPECT_TRUE(std::isfinite(DbGain(1e9)));  // a zero sample times it must stay zero
    EXPECT_EQ(0.0 * DbGain(1e9), 0.0);
}

TEST(Gain, SixDecibelsNearlyDoublesTruncatesAndClips)
{
    PcmTestBuffer pcm(Format(1, 16), {20000, 1000, -1000, -20000, 0});
    ASSERT_TRUE(Gain(pcm.View(), 60, {0, 10}));
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{32767, 1995, -1995, -32768, 0}));

    PcmTestBuffer quieter(Format(1, 16), {1000, -1000});
    ASSERT_TRUE(Gain(quieter.View(), -60, {0, 4}));
    EXPECT_EQ(quieter.Channel(0), (std::vector<int>{501, -501}));
}

TEST(Gain, EightBitSamplesAreSignedBytesClippedToTheirRange)
{
    PcmTestBuffer pcm(Format(1, 8), {100, -100, 10, -1});
    EXPECT_EQ(pcm.Bytes()[3], 0xFF);  // −1 stored as a signed byte
    ASSERT_TRUE(Gain(pcm.View(), 60, {0, 4}));
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{127, -128, 19, -1}));
}

TEST(NoiseGate, SilencesSamplesBelowTheThresholdLevel)
{
    PcmTestBuffer pcm(Format(2, 16), {9, 10, -9, -10, 1, 30000, 0, -11});
    ASSERT_TRUE(NoiseGate(pcm.View(), 20, {0, 16}));
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(pcm.Channel(1), (std::vector<int>{10, -10, 30000, -11}));

    // The sign of the threshold does not matter; INT_MIN must not overflow taking it.
    PcmTestBuffer negative(Format(1, 16), {9, 10});
    ASSERT_TRUE(NoiseGate(negative.View(), -20, {0, 4}));
    EXPECT_EQ(negative.Channel(0), (std::vector<int>{0, 10}));
    PcmTestBuffer huge(Format(1, 8), {127, -128});
    ASSERT_TRUE(NoiseGate(huge.View(), INT_MIN, {0, 2}));
    EXPECT_EQ(huge.Channel(0), (std::vector<int>{0, 0}));
}

TEST(Normalise, PeakOverAllChannelsReachesFullScaleExactly)
{
    PcmTestBuffer pcm(Format(2, 16), {1000, -2000, 500, 3, -1000, 0});
    ASSERT_TRUE(Normalise(pcm.View(), {0, 12}));
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{16383, 8191, -16383}));
    EXPECT_EQ(pcm.Channel(1), (std::vector<int>{-32767, 49, 0}));

    // A peak of 3 would miss full scale by one if the gain were a rounded float.
    PcmTestBuffer small(Format(1, 16), {3, 1, -3});
    ASSERT_TRUE(Normalise(small.View(), {0, 6}));
    EXPECT_EQ(small.Channel(0), (std::vector<int>{32767, 10922, -32767}));
}

TEST(Normalise, EightBitFullScaleIs127AndSilenceStaysUnchanged)
{
    PcmTestBuffer pcm(Format(1, 8), {-128, 64, 1});
    ASSERT_TRUE(Normalise(pcm.View(), {0, 3}));
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{-127, 63, 0}));

    PcmTestBuffer silent(Format(2, 16), {0, 0, 0, 0, 5, 5});
    ASSERT_TRUE(Normalise(silent.View(), {0, 8}));
    EXPECT_EQ(silent.Channel(0), (std::vector<int>{0, 0, 5}));
}

TEST(Dynamics, ExpansionScalesRisesAboveTheLimit)
{
    // Levels: 100 → 40 dB, 1000 → 60 dB, 10 → 20 dB; the factor for 6 dB is 1.995.
    PcmTestBuffer pcm(Format(1, 16), {100, 100, 1000, 1000, 10});
    ASSERT_TRUE(Dynamics(pcm.View(), 6, {0, 10}));
    // The second 1000 is compared with the written 1995 (66 dB), so it is a fall.
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{100, 100, 1995, 1000, 10}));
}

TEST(Dynamics, CompressionScalesTruncatedJumpsEitherWay)
{
    PcmTestBuffer pcm(Format(1, 16), {100, 100, 1000, 1000, 10});
    ASSERT_TRUE(Dynamics(pcm.View(), -6, {0, 10}));
    // 501 is 53.997 dB: the next jump of 6.003 truncates to 6, not above 6. The fall to 10 is 40 dB.
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{100, 100, 501, 1000, 5}));
}

TEST(Dynamics, FirstPreviousIsTheBufferStartAndTheRangeStartIsNotProcessed)
{
    PcmTestBuffer pcm(Format(2, 16), {100, 1000, 5000, 5000, 5000, 5000});
    ASSERT_TRUE(Dynamics(pcm.View(), 6, {4, 12}));
    // Range frame 1 is skipped; frame 2 is compared with frame 0 (left rises 34 dB, right 14 dB).
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{100, 5000, 9976}));
    EXPECT_EQ(pcm.Channel(1), (std::vector<int>{1000, 5000, 9976}));
}

}  // namespace
}  // namespace tessaron
