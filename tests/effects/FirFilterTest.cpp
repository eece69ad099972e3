#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "effects/FirFilter.h"
#include "effects/PcmTestBuffer.h"

namespace tessaron {
namespace {

using test::Format;
using test::PcmTestBuffer;

double Response(const FirTaps& taps, double cutoffFraction)
{
    std::complex<double> sum = 0.0;
    for (int i = 0; i < kFirTaps; ++i) {
        sum += taps[i] * std::polar(1.0, -std::numbers::pi * cutoffFraction * i);
    }
    return std::abs(sum);
}

TEST(DesignFir, UnitGainInThePassBandAndStrongStopBand)
{
    const FirTaps low = DesignFir(FirKind::LowPass, 2.0 * 2000 / 44100);
    EXPECT_NEAR(Response(low, 0.0), 1.0, 1e-12);
    EXPECT_LT(Response(low, 2.0 * 8000 / 44100), 0.005);
    EXPECT_EQ(low[kFirTaps - 1], 0.0);  // the sinc covers 127 of the 128 taps

    // Normalised at Nyquist: dividing by the gain there plus 1 would divide by about 0.0004.
    const FirTaps high = DesignFir(FirKind::HighPass, 2.0 * 2000 / 44100);
    EXPECT_NEAR(Response(high, 1.0), 1.0, 1e-12);
    EXPECT_LT(Response(high, 0.0), 0.005);
    EXPECT_NEAR(Response(high, 2.0 * 10000 / 44100), 1.0, 0.01);
}

TEST(FirFilter, LowPassAndHighPassSeparateALowAndAHighSine)
{
    const double in = 10000 / std::sqrt(2.0);
    const auto low = test::Sine(200, 44100, 8000, 10000);
    const auto high = test::Sine(12000, 44100, 8000, 10000);
    PcmTestBuffer lowPassed(Format(2, 16), test::Interleave(low, high));
    ASSERT_TRUE(FirFilter(lowPassed.View(), FirKind::LowPass, 1000, {0, 32000}));
    // Measured after the filter's length has filled its history.
    EXPECT_NEAR(test::Rms(lowPassed.Channel(0), 200, 8000), in, 100);
    EXPECT_LT(test::Rms(lowPassed.Channel(1), 200, 8000), 20);

    PcmTestBuffer highPassed(Format(2, 16), test::Interleave(low, high));
    ASSERT_TRUE(FirFilter(highPassed.View(), FirKind::HighPass, 3000, {0, 32000}));
    EXPECT_LT(test::Rms(highPassed.Channel(0), 200, 8000), 20);
    EXPECT_NEAR(test::Rms(highPassed.Channel(1), 200, 8000), in, 100);

    PcmTestBuffer bytes(Format(1, 8), test::Sine(8000, 22050, 6000, 100));
    ASSERT_TRUE(FirFilter(bytes.View(), FirKind::HighPass, 3000, {0, 6000}));
    EXPECT_NEAR(test::Rms(bytes.Channel(0), 200, 6000), 100 / std::sqrt(2.0), 3);
}

TEST(FirFilter, OutputIsTheTapsOverThePreviousInputs)
{
    // An impulse at the range start comes out one frame later, as the taps themselves.
    std::vector<int> left(300, 0);
    left[100] = 30000;
    PcmTestBuffer pcm(Format(2, 16), test::Interleave(left, std::vector<int>(300, 0)));
    ASSERT_TRUE(FirFilter(pcm.View(), FirKind::LowPass, 5000, {pcm.ByteOf(100), pcm.ByteOf(299)}));
    const FirTaps taps = DesignFir(FirKind::LowPass, 2.0 * 5000 / 44100);
    const auto out = pcm.Channel(0);
    EXPECT_EQ(out[100], 0);
    for (int i = 0; i < kFirTaps; ++i) {
        ASSERT_EQ(out[101 + i], static_cast<int>(30000 * taps[i])) << "tap " << i;
    }
    EXPECT_EQ(out[299], 0);  // past the range: untouched
    EXPECT_EQ(pcm.Channel(1), std::vector<int>(300, 0));
}

TEST(FirFilter, LongRangesMatchTheDirectSumAcrossInternalChunks)
{
    const auto left = test::Noise(10000, 30000, 1);
    const auto right = test::Noise(10000, 30000, 2);
    PcmTestBuffer pcm(Format(2, 16), test::Interleave(left, right));
    ASSERT_TRUE(FirFilter(pcm.View(), FirKind::HighPass, 5000, {4 * 37, 4 * 9990}));
    const FirTaps taps = DesignFir(FirKind::HighPass, 2.0 * 5000 / 44100);
    for (int channel = 0; channel < 2; ++channel) {
        const auto& in = channel == 0 ? left : right;
        const auto out = pcm.Channel(channel);
        for (int n = 37; n < 9990; ++n) {
            double y = 0.0;
            for (int i = 0; i < kFirTaps && n - 1 - i >= 37; ++i) {
                y += taps[i] * in[n - 1 - i];
            }
            const int expected = static_cast<int>(std::clamp(y, -32768.0, 32767.0));
            ASSERT_EQ(out[n], expected) << "channel " << channel << " frame " << n;
        }
        EXPECT_EQ(out[36], in[36]);
        EXPECT_EQ(out[9990], in[9990]);
    }
}

}  // namespace
}  // namespace tessaron
