#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "music/MusicFilter.h"
#include "music/MusicProcessor.h"

namespace tessaron::test {
namespace {

// The filters' difference equations written out term by term, as a second opinion.
struct Equation {
    MusicFilterKind kind;
    double gain;
    std::vector<double> b;  // x[n], x[n-1], ...
    std::vector<double> c;  // y[n-1], y[n-2], ...
};

const std::vector<Equation>& Equations()
{
    static const std::vector<Equation> table = {
        {MusicFilterKind::HighPass1, 1.020353514, {1, -2, 1}, {1.9597070338, -0.9605029194}},
        {MusicFilterKind::LowPass2, 828.2223798, {1, 2, 1}, {1.8993334201, -0.9041630409}},
        {MusicFilterKind::LowPass3, 28.74716621, {1, 2, 1}, {1.4075053439, -0.5466494937}},
        {MusicFilterKind::Band1, 877.2742527, {1, 0, -2, 0, 1}, {3.9029580145, -5.7137487895, 3.7186047366, -0.907814001}},
        {MusicFilterKind::Band2, 12.6229917, {1, 0, -2, 0, 1}, {3.0391400527, -3.4739833395, 1.816973402, -0.3824030731}},
        {MusicFilterKind::Band3, 1.507818286, {1, 0, -2, 0, 1}, {0.009894966, 1.2095426551, -0.0040442448, -0.4432602843}},
    };
    return table;
}

std::vector<double> Solve(const Equation& e, const std::vector<double>& input)
{
    std::vector<double> x, y;
    for (double v : input) {
        x.push_back(v / e.gain);
        double out = 0;
        const size_t n = x.size() - 1;
        for (size_t k = 0; k < e.b.size() && k <= n; ++k) {
            out += e.b[k] * x[n - k];
        }
        for (size_t k = 1; k <= e.c.size() && k <= n; ++k) {
            out += e.c[k - 1] * y[n - k];
        }
        y.push_back(out);
    }
    return y;
}

TEST(MusicFilter, EachKindFollowsItsDifferenceEquationOnAnImpulse)
{
    std::vector<double> impulse(400, 0.0);
    impulse[0] = 10000.0;
    for (const Equation& e : Equations()) {
        const auto expected = Solve(e, impulse);
        MusicFilter filter(e.kind);
        for (size_t n = 0; n < impulse.size(); ++n) {
            const double got = filter.Process(impulse[n]);
            ASSERT_NEAR(got, expected[n], 1e-9 * (1.0 + std::fabs(expected[n]))) << "kind " << int(e.kind) << " n " << n;
        }
        // A reset forgets the history: the same impulse gives the same answer again.
        filter.Reset();
        EXPECT_NEAR(filter.Process(impulse[0]), expected[0], 1e-9);
        EXPECT_NEAR(filter.Process(0.0), expected[1], 1e-9);
    }
}

TEST(MusicFilter, PassesItsBandAndStopsTheRest)
{
    // Steady-state gain of a sine through a section: the band-passes and the high-pass are
    // quiet at DC; the low-passes pass DC at about unity.
    auto level = [](MusicFilterKind kind, double hertz) {
        MusicFilter filter(kind);
        double peak = 0;
        for (int n = 0; n < 44100; ++n) {
            const double y = filter.Process(std::sin(2 * std::acos(-1.0) * hertz * n / 44100.0));
            if (n > 22050) {
                peak = std::max(peak, std::fabs(y));
            }
        }
        return peak;
    };
    EXPECT_LT(level(MusicFilterKind::HighPass1, 10), 0.05);
    EXPECT_GT(level(MusicFilterKind::HighPass1, 5000), 0.9);
    EXPECT_GT(level(MusicFilterKind::LowPass2, 20), 0.9);
    EXPECT_LT(level(MusicFilterKind::LowPass2, 5000), 0.05);
    for (auto band : {MusicFilterKind::Band1, MusicFilterKind::Band2, MusicFilterKind::Band3}) {
        EXPECT_LT(level(band, 1.0), 0.05) << int(band);
    }
}

std::vector<uint8_t> Stereo16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), bytes.size());
    return samples;
}

TEST(MusicProcessor, LeavesSamplesUntouchedAtUnityAndWhenBypassed)
{
    const std::vector<int16_t> input = {100, -200, 32767, -32768, 5, 7};
    MusicProcessor processor;
    ASSERT_TRUE(processor.SetGainDb(0));
    EXPECT_FALSE(processor.Active());
    auto bytes = Stereo16(input);
    processor.Process(bytes.data(), uint32_t(bytes.size()), 16, 2);
    EXPECT_EQ(Samples(bytes), input);

    processor.SetGainDb(20);
    processor.SetEqualiser(true, 10, 20, 30);
    processor.SetChannelMode(MusicProcessor::kSwap);
    processor.SetBypass(true);
    EXPECT_FALSE(processor.Active());
    processor.Process(bytes.data(), uint32_t(bytes.size()), 16, 2);
    EXPECT_EQ(Samples(bytes), input);
}

TEST(MusicProcessor, ChannelModesMixTheFrame)
{
    const std::vector<int16_t> frame = {1000, 300};
    const std::vector<std::vector<int16_t>> expected = {
        {1000, 300}, {650, 650}, {350, -350}, {-700, -700}, {300, 1000}};
    for (int mode = 1; mode <= 4; ++mode) {
        MusicProcessor processor;
        ASSERT_TRUE(processor.SetChannelMode(mode));
        EXPECT_TRUE(processor.Active());
        auto bytes = Stereo16(frame);
        processor.Process(bytes.data(), 4, 16, 2);
        EXPECT_EQ(Samples(bytes), expected[size_t(mode)]) << "mode " << mode;
    }
    MusicProcessor processor;
    EXPECT_FALSE(processor.SetChannelMode(5));
    EXPECT_FALSE(processor.SetChannelMode(-1));
}

TEST(MusicProcessor, GainScalesAndClampsBothWidths)
{
    MusicProcessor processor;
    EXPECT_FALSE(processor.SetGainDb(21));
    EXPECT_FALSE(processor.SetGainDb(-21));
    ASSERT_TRUE(processor.SetGainDb(-20));
    EXPECT_NEAR(processor.Gain(), 0.1, 1e-12);
    ASSERT_TRUE(processor.SetGainDb(20));
    EXPECT_NEAR(processor.Gain(), 10.0, 1e-12);
    auto bytes = Stereo16({1000, -1000, 5000, -5000});
    processor.Process(bytes.data(), uint32_t(bytes.size()), 16, 2);
    EXPECT_EQ(Samples(bytes), (std::vector<int16_t>{10000, -10000, 32767, -32768}));

    // 8-bit sound is unsigned around 128: the gain scales the distance from 128.
    std::vector<uint8_t> eight = {128, 138, 118, 250, 2};
    processor.Process(eight.data(), uint32_t(eight.size()), 8, 1);
    EXPECT_EQ(eight, (std::vector<uint8_t>{128, 228, 28, 255, 0}));
}

TEST(MusicProcessor, ChainsGainEffectAndEqualiserPerChannel)
{
    // Left carries an impulse, right stays silent: the right chain keeps no trace of the left.
    const int gains[3] = {20, -40, 60};
    MusicProcessor processor;
    processor.SetGainDb(6);
    processor.SetEffect(false, 1, true, 1, true, 1);
    EXPECT_EQ(processor.EffectMode(), 2);
    processor.SetEqualiser(true, gains[0], gains[1], gains[2]);
    std::vector<int16_t> input(2 * 64, 0);
    input[0] = 20000;
    auto bytes = Stereo16(input);
    processor.Process(bytes.data(), uint32_t(bytes.size()), 16, 2);
    const auto out = Samples(bytes);

    MusicFilter effect(MusicFilterKind::LowPass2);
    MusicFilter bands[3] = {MusicFilter(MusicFilterKind::Band1), MusicFilter(MusicFilterKind::Band2),
                            MusicFilter(MusicFilterKind::Band3)};
    const double gain = std::pow(10.0, 6 * 10 / 200.0);
    for (size_t n = 0; n < 64; ++n) {
        const double v = effect.Process(input[2 * n] * gain);
        double sum = 0;
        for (int b = 0; b < 3; ++b) {
            sum += bands[b].Process(v) * std::pow(10.0, gains[b] / 200.0);
        }
        const auto want = static_cast<int16_t>(std::clamp(sum, -32768.0, 32767.0));
        EXPECT_EQ(out[2 * n], want) << n;
        EXPECT_EQ(out[2 * n + 1], 0) << n;
    }
}

TEST(MusicProcessor, EffectSwitchesNeedADesignAndPickTheFirst)
{
    MusicProcessor processor;
    processor.SetEffect(true, 0, false, 1, true, 1);
    EXPECT_EQ(processor.EffectMode(), 3) << "a switch without a design does not count";
    processor.SetEffect(true, 1, true, 1, false, 0);
    EXPECT_EQ(processor.EffectMode(), 1);
    processor.SetEffect(false, 1, false, 1, false, 1);
    EXPECT_EQ(processor.EffectMode(), 0);
    EXPECT_FALSE(processor.Active());
}

}  // namespace
}  // namespace tessaron::test
