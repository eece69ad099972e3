#include <gtest/gtest.h>

#include <climits>

#include "effects/Distortion.h"
#include "effects/PcmTestBuffer.h"

namespace tessaron {
namespace {

using test::Format;
using test::PcmTestBuffer;

TEST(Distortion, AmountOneIsALeakyIntegratorThatSettlesAt2Point5Times)
{
    PcmTestBuffer pcm(Format(1, 16), std::vector<int>(200, 1000));
    ASSERT_TRUE(Distortion(pcm.View(), 1, {0, 400}));
    EXPECT_EQ(pcm.At(0, 0), 500);
    EXPECT_EQ(pcm.At(1, 0), 900);
    EXPECT_EQ(pcm.At(2, 0), 1220);
    EXPECT_EQ(pcm.At(199, 0), 2499);  // approaches 1000 × 0.5 / (1 − 0.8) from below
}

TEST(Distortion, LargeAmountsGrowWithoutBoundButKeepClipping)
{
    // Thousands of frames take the state to infinity; it must never turn into NaN (which writes 0).
    std::vector<int> samples;
    for (int n = 0; n < 5000; ++n) {
        samples.push_back(n % 7 == 0 ? -100 : 100);
    }
    PcmTestBuffer pcm(Format(2, 8), samples);
    ASSERT_TRUE(Distortion(pcm.View(), 300, {0, 5000}));
    for (int channel = 0; channel < 2; ++channel) {
        const auto out = pcm.Channel(channel);
        for (std::size_t n = 10; n < out.size(); ++n) {
            ASSERT_TRUE(out[n] == 127 || out[n] == -128) << "channel " << channel << " frame " << n;
        }
    }
    PcmTestBuffer extreme(Format(1, 16), {1000, -1000});
    EXPECT_TRUE(Distortion(extreme.View(), INT_MIN, {0, 4}));
    EXPECT_TRUE(Distortion(extreme.View(), INT_MAX, {0, 4}));
}

}  // namespace
}  // namespace tessaron
