#include <gtest/gtest.h>

#include <cmath>

#include "effects/PcmTestBuffer.h"
#include "effects/Resonant.h"

namespace tessaron {
namespace {

using test::Format;
using test::PcmTestBuffer;

double FilteredRms(PcmFormat format, double hz, double amplitude, int cutoff, int resonance)
{
    PcmTestBuffer pcm(format, test::Sine(hz, format.sampleRate, 8000, amplitude));
    EXPECT_TRUE(Resonant(pcm.View(), cutoff, resonance, {0, 16000}));
    return test::Rms(pcm.Channel(0), 2000, 8000);
}

TEST(Resonant, WithoutResonanceIsAFourPoleLowPass)
{
    const PcmFormat format = Format(1, 16);
    const double in = 1000 / std::sqrt(2.0);
    EXPECT_NEAR(FilteredRms(format, 100, 1000, 2000, 0), in, in * 0.02);
    // Two octaves above the cutoff four poles take away more than 40 dB.
    EXPECT_LT(FilteredRms(format, 8000, 1000, 2000, 0), in * 0.01);
}

TEST(Resonant, LoudInputIsSoftlyClipped)
{
    const PcmFormat format = Format(1, 16);
    const double quiet = FilteredRms(format, 100, 1000, 2000, 0) / 1000;
    const double loud = FilteredRms(format, 100, 30000, 2000, 0) / 30000;
    EXPECT_LT(loud, quiet * 0.8);
}

TEST(Resonant, ResonanceLiftsTheCutoffAndLowersTheBass)
{
    const PcmFormat format = Format(1, 16);
    const double plainAtCutoff = FilteredRms(format, 1000, 5000, 1000, 0);
    const double resonantAtCutoff = FilteredRms(format, 1000, 5000, 1000, 80);
    EXPECT_GT(resonantAtCutoff, 1.5 * plainAtCutoff);
    EXPECT_LT(FilteredRms(format, 50, 5000, 1000, 80), FilteredRms(format, 50, 5000, 1000, 0));
}

TEST(Resonant, ChannelsKeepTheirOwnState)
{
    const auto left = test::Sine(300, 44100, 3000, 8000);
    PcmTestBuffer stereo(Format(2, 16), test::Interleave(left, std::vector<int>(3000, 0)));
    PcmTestBuffer mono(Format(1, 16), left);
    ASSERT_TRUE(Resonant(stereo.View(), 1500, 50, {0, 12000}));
    ASSERT_TRUE(Resonant(mono.View(), 1500, 50, {0, 6000}));
    EXPECT_EQ(stereo.Channel(0), mono.Channel(0));
    EXPECT_EQ(stereo.Channel(1), std::vector<int>(3000, 0));
}

TEST(Resonant, AnUnstableSettingStillWritesClippedNumbers)
{
    // A cutoff far above Nyquist makes the ladder diverge to infinity and then NaN.
    PcmTestBuffer pcm(Format(1, 16), test::Sine(440, 44100, 2000, 10000));
    ASSERT_TRUE(Resonant(pcm.View(), 100000, 400, {0, 4000}));
    const auto out = pcm.Channel(0);
    EXPECT_EQ(out.back(), 0);  // NaN writes silence
    for (int v : out) {
        ASSERT_GE(v, -32768);
        ASSERT_LE(v, 32767);
    }
}

}  // namespace
}  // namespace tessaron
