// Every effect run on 8-bit and on 16-bit WAV files holding the same sound must give the same
// sound back, within what 8 bits can tell apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "audiofile/CWaveReader.h"
#include "cli/Commands.h"
#include "effects/SampleEffect.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"

namespace tessaron::cli {
namespace {

constexpr int kRate = 22050;
constexpr int kFrames = 8820;  // 0.4 s: long enough for the 100 ms delays to repeat

// The parameters a user would give, and how far (in 8-bit steps) the two depths may part.
// Effects without feedback truncate once at each depth: under one step apart. Echo and metal
// feed their truncated output back: each pass adds at most one step, decaying by the feedback
// gain g, so the sum stays below 1 / (1 - g) steps (echo at -6 dB: 2; metal's 0.85: 6.7).
// Compression and expansion decide per sample whether to scale it by the factor f, from the
// level jump since the previous written sample; the written sample is truncated at each depth,
// so now and then the two depths decide differently. Such a sample is the other's times f (or
// divided by it), and the chain soon meets again: those are allowed, when rare.
struct Case {
    const char* name;
    std::vector<std::string> parameters;
    double tolerance;
    double factor = 0;  // the factor of a per-sample decision, 0 for none
};

// The share of samples on which the two depths may decide differently. Only samples within a
// few 8-bit steps of a zero crossing have levels that one step of truncation moves across the
// decision's edge: two or three of the 73 samples of a 300 Hz period, about 3.5 %.
constexpr double kMostDecisionsAlike = 0.05;

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = {
        {"normalise", {}, 1.01},        {"gain", {"-6"}, 1.01},
        {"noise-gate", {"60"}, 1.01},   {"compression", {"3"}, 1.01, std::pow(10.0, -3 / 20.0)},
        {"expansion", {"3"}, 1.01, std::pow(10.0, 3 / 20.0)},      {"low-pass", {"1000"}, 1.01},
        {"high-pass", {"1000"}, 1.01},  {"comb", {"300"}, 1.01},
        {"resonant", {"1000", "50"}, 1.01}, {"delay", {"100", "-6"}, 1.01},
        {"echo", {"100", "-6"}, 2.01},  {"distortion", {"10"}, 1.01},
        {"reverse", {}, 0.0},           {"metal", {"300"}, 6.7},
    };
    return cases;
}

// Signed 8-bit values: a 300 Hz sine at half scale on the left, a quieter 1200 Hz sine with a
// slow swell on the right, so level effects see both loud and quiet stretches.
std::vector<int> Signal(int channels)
{
    std::vector<int> out;
    for (int n = 0; n < kFrames; ++n) {
        const double t = static_cast<double>(n) / kRate;
        out.push_back(static_cast<int>(std::lround(64 * std::sin(2 * std::numbers::pi * 300 * t))));
        if (channels == 2) {
            const double swell = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 2.5 * t);
            out.push_back(static_cast<int>(std::lround(40 * swell * std::sin(2 * std::numbers::pi * 1200 * t))));
        }
    }
    return out;
}

test::Bytes Encode(const std::vector<int>& values, int bits)
{
    test::Bytes bytes;
    for (int v : values) {
        if (bits == 8) {
            bytes.push_back(static_cast<uint8_t>(v + 128));
        } else {
            test::Append16(bytes, static_cast<uint16_t>(static_cast<int16_t>(v * 256)));
        }
    }
    return bytes;
}

// The file's samples in 8-bit steps.
std::vector<double> Decode(const std::string& path, int bits)
{
    CWaveReader reader;
    EXPECT_TRUE(reader.Open(path, 0, 0)) << path;
    const auto* data = static_cast<const uint8_t*>(reader.Data());
    std::vector<double> out;
    for (int64_t at = 0; at + bits / 8 <= reader.LoadedSize(); at += bits / 8) {
        if (bits == 8) {
            out.push_back(static_cast<int>(data[at]) - 128);
        } else {
            int16_t value;
            std::memcpy(&value, data + at, 2);
            out.push_back(value / 256.0);
        }
    }
    return out;
}

class EffectDepthCrossCheck : public ::testing::TestWithParam<int> {
protected:
    std::string Write(const std::string& name, int channels, int bits)
    {
        const std::string path = dir.file(name);
        test::WriteBytes(path, test::PcmWave(channels, kRate, bits, Encode(Signal(channels), bits)));
        return path;
    }

    test::TempDir dir;
};

TEST_P(EffectDepthCrossCheck, EightBitFilesComeOutAsSixteenBitFilesOfTheSameSound)
{
    const int channels = GetParam();
    const std::string in8 = Write("in8.wav", channels, 8);
    const std::string in16 = Write("in16.wav", channels, 16);
    ASSERT_EQ(Cases().size(), AllSampleEffects().size());
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const std::string out8 = dir.file(std::string(c.name) + "8.wav");
        const std::string out16 = dir.file(std::string(c.name) + "16.wav");
        Arguments args8{c.name, in8, out8};
        Arguments args16{c.name, in16, out16};
        args8.insert(args8.end(), c.parameters.begin(), c.parameters.end());
        args16.insert(args16.end(), c.parameters.begin(), c.parameters.end());
        ASSERT_EQ(RunEffect(args8), 0);
        ASSERT_EQ(RunEffect(args16), 0);
        const auto a = Decode(out8, 8);
        const auto b = Decode(out16, 16);
        ASSERT_EQ(a.size(), b.size());
        ASSERT_EQ(a.size(), static_cast<size_t>(kFrames * channels));
        double worst = 0;
        size_t at = 0;
        size_t decidedOtherwise = 0;
        bool changed = false;
        const auto original = Signal(channels);
        for (size_t i = 0; i < a.size(); ++i) {
            double apart = std::fabs(a[i] - b[i]);
            if (apart > c.tolerance && c.factor > 0) {
                // One depth scaled the sample and the other did not (each truncates: 2 steps).
                const double flipped = std::min(std::fabs(a[i] - std::trunc(original[i] * c.factor)),
                                                std::fabs(b[i] - std::trunc(original[i] * c.factor)));
                if (flipped <= 2 * c.tolerance) {
                    ++decidedOtherwise;
                    apart = 0;
                }
            }
            if (apart > worst) {
                worst = apart;
                at = i;
            }
            changed = changed || a[i] != original[i];
        }
        EXPECT_LE(worst, c.tolerance) << "sample " << at << ": 8-bit " << a[at] << ", 16-bit " << b[at];
        EXPECT_LE(decidedOtherwise, kMostDecisionsAlike * a.size());
        EXPECT_TRUE(changed) << "the effect left the sound as it was";
    }
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, EffectDepthCrossCheck, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "Mono" : "Stereo"; });

TEST(EightBitLowPass, KeepsTheShapeOfAHalfScaleSine)
{
    // The case that wrapped: 300 Hz at half scale, 8-bit mono 22050 Hz, low pass at 1000 Hz.
    test::TempDir dir;
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.wav");
    test::WriteBytes(in, test::PcmWave(1, kRate, 8, Encode(Signal(1), 8)));
    ASSERT_EQ(RunEffect({"low-pass", in, out, "1000"}), 0);
    const auto samples = Decode(out, 8);
    ASSERT_EQ(samples.size(), static_cast<size_t>(kFrames));
    double peak = 0, step = 0;
    for (size_t i = 200; i < samples.size(); ++i) {  // after the filter's history has filled
        peak = std::max(peak, std::fabs(samples[i]));
        step = std::max(step, std::fabs(samples[i] - samples[i - 1]));
    }
    EXPECT_NEAR(peak, 64, 3);
    // A 300 Hz sine of 64 steps moves at most 2π·300/22050·64 ≈ 5.5 steps per sample.
    EXPECT_LE(step, 7);
}

}  // namespace
}  // namespace tessaron::cli
