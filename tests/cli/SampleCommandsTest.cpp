#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "audiofile/CWaveReader.h"
#include "cli/Commands.h"
#include "support/OutputSignals.h"
#include "support/TempDir.h"
#include "support/ToneDetector.h"
#include "support/WavBytes.h"

namespace tessaron::cli {
namespace {

std::vector<int16_t> Samples(const CWaveReader& reader)
{
    std::vector<int16_t> out(size_t(reader.LoadedSize()) / 2);
    std::memcpy(out.data(), reader.Data(), out.size() * 2);
    return out;
}

class SampleCommands : public ::testing::Test {
protected:
    // A stereo 16-bit file of a 441 Hz sine at half scale, `seconds` long.
    std::string Sine(double seconds)
    {
        const WaveFormat format = WaveFormat::Pcm16(44100, 2);
        const auto pcm = test::SinePcm(format, uint32_t(seconds * 44100), 441, 0.5);
        const std::string path = dir.file("in.wav");
        test::WriteBytes(path, test::PcmWave(2, 44100, 16, pcm));
        return path;
    }

    test::TempDir dir;
};

TEST_F(SampleCommands, StretchWritesTheFittedLengthAtThePitch)
{
    const std::string in = Sine(2.0);
    const std::string out = dir.file("out.wav");
    ASSERT_EQ(RunStretch({in, out, "--from", "100", "--to", "120"}), 0);
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(out, 0, 0));
    EXPECT_EQ(reader.Channels(), 2);
    EXPECT_EQ(reader.SampleRate(), 44100);
    EXPECT_EQ(reader.LoadedSize(), 44100 * 2 * 4 * 100 / 120 / 4 * 4);
    const auto samples = Samples(reader);
    std::vector<float> left(8820);
    for (size_t i = 0; i < left.size(); ++i) {
        left[i] = samples[2 * (i + 20000)] / 32768.0f;
    }
    EXPECT_NEAR(test::DominantFrequency(left.data(), left.size(), 1, 44100, 200, 2000, 5), 441.0, 4.4);

    EXPECT_EQ(RunStretch({in, out, "--from", "100"}), 2);
    EXPECT_EQ(RunStretch({in, out, "--from", "0", "--to", "120"}), 2);
    EXPECT_EQ(RunStretch({dir.file("none.wav"), out, "--from", "100", "--to", "120"}), 1);
}

TEST_F(SampleCommands, EffectAppliesOverTheRangeInTheInputsFormat)
{
    const std::string in = Sine(0.1);
    const std::string out = dir.file("out.wav");
    ASSERT_EQ(RunEffect({"gain", in, out, "-6", "--range", "0", "400"}), 0);
    CWaveReader source, result;
    ASSERT_TRUE(source.Open(in, 0, 0));
    ASSERT_TRUE(result.Open(out, 0, 0));
    ASSERT_EQ(result.LoadedSize(), source.LoadedSize());
    const auto before = Samples(source);
    const auto after = Samples(result);
    const double g = std::pow(10.0, -60 / 200.0);
    for (size_t i = 0; i < after.size(); ++i) {
        const int expected = i < 200 ? static_cast<int>(before[i] * g) : before[i];
        ASSERT_EQ(after[i], expected) << i;
    }
    EXPECT_EQ(RunEffect({"reverse", in, out}), 0);
    ASSERT_TRUE(result.Open(out, 0, 0));
    const auto reversed = Samples(result);
    EXPECT_EQ(reversed.front(), before[before.size() - 2]);

    EXPECT_EQ(RunEffect({"gain", in, out}), 2) << "gain needs its level";
    EXPECT_EQ(RunEffect({"loudness", in, out, "3"}), 2);
    EXPECT_EQ(RunEffect({"gain", in, out, "3", "--range", "40", "4"}), 2);
}

}  // namespace
}  // namespace tessaron::cli
