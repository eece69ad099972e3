#include <gtest/gtest.h>

#include <climits>

#include "effects/DelayEffects.h"
#include "effects/EffectLevels.h"
#include "effects/PcmTestBuffer.h"

namespace tessaron {
namespace {

using test::Format;
using test::PcmTestBuffer;

TEST(Comb, At441HzOnStereo44100AddsTheOriginalSample100FramesEarlier)
{
    // 176400 bytes per second / 441 = 400 bytes: 100 frames of 16-bit stereo.
    const auto left = test::Noise(350, 10000, 4);
    const auto right = test::Noise(350, 10000, 5);
    PcmTestBuffer pcm(Format(2, 16), test::Interleave(left, right));
    ASSERT_TRUE(Comb(pcm.View(), 441, {0, 1400}));
    for (int n = 0; n < 350; ++n) {
        ASSERT_EQ(pcm.At(n, 0), n >= 100 ? left[n] + left[n - 100] : left[n]) << n;
        ASSERT_EQ(pcm.At(n, 1), n >= 100 ? right[n] + right[n - 100] : right[n]) << n;
    }

    // The earlier sample may lie before the range; sums clip.
    std::vector<int> samples(300, 0);
    samples[50] = 30000;
    samples[150] = 10000;
    samples[250] = 5;
    PcmTestBuffer mono(Format(1, 16), samples);
    ASSERT_TRUE(Comb(mono.View(), 441, {2 * 150, 2 * 300}));  // 88200 / 441 = 200 bytes
    EXPECT_EQ(mono.At(150, 0), 32767);
    EXPECT_EQ(mono.At(250, 0), 10005);
    EXPECT_EQ(mono.At(50, 0), 30000);
}

TEST(Comb, RefusesDelaysOutsideTheBuffer)
{
    PcmTestBuffer pcm(Format(2, 16), test::Noise(2 * 99, 1000, 6));
    const auto before = pcm.Bytes();
    EXPECT_FALSE(Comb(pcm.View(), 441, {0, 396}));   // needs 400 bytes, the buffer holds 396
    EXPECT_FALSE(Comb(pcm.View(), 0, {0, 396}));     // no delay for 0 Hz
    EXPECT_FALSE(Comb(pcm.View(), -441, {0, 396}));
    EXPECT_FALSE(Comb(pcm.View(), INT_MAX, {0, 396}));  // below one frame
    EXPECT_FALSE(Metal(pcm.View(), 0, {0, 396}));
    EXPECT_FALSE(Delay(pcm.View(), 0, -60, {0, 396}));
    EXPECT_FALSE(Delay(pcm.View(), INT_MAX, -60, {0, 396}));
    EXPECT_FALSE(Echo(pcm.View(), -10, -60, {0, 396}));
    EXPECT_FALSE(Echo(pcm.View(), 3, -60, {0, 396}));  // 3 ms is 528 bytes
    EXPECT_EQ(pcm.Bytes(), before);
    EXPECT_TRUE(Comb(pcm.View(), 446, {0, 396}));  // 395 bytes round down to 392
}

TEST(Delay, AddsOneScaledRepeat)
{
    // 10 ms at 44100 Hz is 441 frames; −6 dB is 0.501.
    const auto samples = test::Noise(1000, 20000, 7);
    PcmTestBuffer pcm(Format(1, 16), samples);
    ASSERT_TRUE(Delay(pcm.View(), 10, -60, {0, 2000}));
    const double gain = DbGain(-60);
    for (int n = 0; n < 1000; ++n) {
        const int expected = n >= 441 ? samples[n] + static_cast<int>(samples[n - 441] * gain) : samples[n];
        ASSERT_EQ(pcm.At(n, 0), std::clamp(expected, -32768, 32767)) << n;
    }
}

TEST(Echo, RepeatsDecayEveryDelayFromAnEmptyRing)
{
    std::vector<int> samples(2000, 0);
    samples[10] = 20000;   // before the range: must not echo
    samples[100] = 10000;
    PcmTestBuffer mono(Format(1, 16, 8000), samples);
    ASSERT_TRUE(Echo(mono.View(), 50, -60, {2 * 50, 4000}));  // 400 frames
    const auto out = mono.Channel(0);
    EXPECT_EQ(out[10], 20000);
    EXPECT_EQ(out[410], 0);
    EXPECT_EQ(out[100], 10000);
    EXPECT_EQ(out[500], 5011);
    EXPECT_EQ(out[900], 2511);
    EXPECT_EQ(out[1300], 1258);
    EXPECT_EQ(out[1700], 630);
    EXPECT_EQ(out[501], 0);
}

TEST(Echo, RingHoldsClippedSamplesPerChannel)
{
    // +6 dB feedback: the ring keeps 127, not 239, so a negative sample under it stays audible.
    std::vector<int> left(40, 0);
    left[0] = 120;
    left[10] = -100;
    PcmTestBuffer pcm(Format(2, 8, 1000), test::Interleave(left, std::vector<int>(40, 0)));
    ASSERT_TRUE(Echo(pcm.View(), 10, 60, {0, 80}));  // 10 frames
    EXPECT_EQ(pcm.At(10, 0), 27);  // −100 + 127
    EXPECT_EQ(pcm.At(20, 0), 53);  // 27 × 1.995
    EXPECT_EQ(pcm.At(5, 0), 0);
    EXPECT_EQ(pcm.Channel(1), std::vector<int>(40, 0));
}

TEST(Metal, FeedsBackTheProcessedSampleBeyondTheDelay)
{
    std::vector<int> samples(400, 0);
    samples[0] = 10000;  // at the delay itself: not beyond it, so it never feeds back
    samples[1] = 10000;
    PcmTestBuffer pcm(Format(1, 16), samples);
    ASSERT_TRUE(Metal(pcm.View(), 441, {0, 800}));  // 100 frames
    EXPECT_EQ(pcm.At(1, 0), 10000);
    EXPECT_EQ(pcm.At(100, 0), 0);
    EXPECT_EQ(pcm.At(101, 0), 8500);
    EXPECT_EQ(pcm.At(201, 0), 7225);
    EXPECT_EQ(pcm.At(301, 0), 6141);
}

}  // namespace
}  // namespace tessaron
