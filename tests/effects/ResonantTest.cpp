#include <gtest/gtest.h>

#include <cmath>

#include "effects/PcmTestBuffer.h"
#include "effects/Resonant.h"

namespace tessaron {
namespace {

using test::Format;
using test::PcmTestBuffer;

// RMS gain of a sine through the filter, after it has settled.
double GainAt(double hz, double amplitude, int cutoff, int resonance)
{
    PcmTestBuffer pcm(Format(1, 16), test::Sine(hz, 44100, 8000, amplitude));
    EXPECT_TRUE(Resonant(pcm.View(), cutoff, resonance, {0, 16000}));
    return test::Rms(pcm.Channel(0), 2000, 8000) / (amplitude / std::sqrt(2.0));
}

TEST(Resonant, WithoutResonanceIsAFourPoleLowPassWithASoftClip)
{
    EXPECT_NEAR(GainAt(100, 1000, 2000, 0), 1.0, 0.02);
    EXPECT_LT(GainAt(8000, 1000, 2000, 0), 0.01);  // two octaves up: beyond 40 dB down
    EXPECT_LT(GainAt(100, 30000, 2000, 0), 0.8 * GainAt(100, 1000, 2000, 0));
}

TEST(Resonant, ResonanceLiftsTheCutoffAndLowersTheBass)
{
    EXPECT_GT(GainAt(1000, 5000, 1000, 80), 1.5 * GainAt(1000, 5000, 1000, 0));
    EXPECT_LT(GainAt(50, 5000, 1000, 80), GainAt(50, 5000, 1000, 0));
}

TEST(Resonant, AnUnstableSettingWritesSilenceOnceItTurnsToNaN)
{
    // A cutoff far above Nyquist makes the ladder diverge to infinity and then NaN.
    PcmTestBuffer pcm(Format(1, 16), test::Sine(440, 44100, 2000, 10000));
    ASSERT_TRUE(Resonant(pcm.View(), 100000, 400, {0, 4000}));
    EXPECT_EQ(pcm.At(1999, 0), 0);
}

}  // namespace
}  // namespace tessaron
