#include <gtest/gtest.h>

#include <cmath>

#include "SampleFixtures.h"
#include "audiofile/CMediaReader.h"
#include "media/CSampleData.h"
#include "media/SegmentSplicer.h"

namespace tessaron::test {
namespace {

constexpr uint32_t kRate = 44100;

std::vector<int16_t> SineSamples(size_t count, double frequency, double amplitude)
{
    std::vector<int16_t> x(count);
    for (size_t i = 0; i < count; ++i) {
        x[i] = static_cast<int16_t>(std::lround(amplitude * 32767 * std::sin(2 * M_PI * frequency * i / kRate)));
    }
    return x;
}

TEST(SegmentSplicer, FillsTheOutputExactlyAndEndsOnTheInputsEnd)
{
    const auto in = SineSamples(3 * kRate + 123, 220.0, 0.5);
    for (float ratio : {100.0f / 120.0f, 120.0f / 100.0f, 0.6f, 1.45f}) {
        SCOPED_TRACE(ratio);
        const auto outCount = static_cast<int64_t>(static_cast<double>(in.size()) * ratio);
        std::vector<int16_t> out(static_cast<size_t>(outCount), 12345);
        ASSERT_TRUE(SegmentSplicer({ratio, 444, 444, 444}).Run(in.data(), int64_t(in.size()), out.data(), outCount));
        EXPECT_EQ(out.front(), in.front());
        // Neither cut off nor padded: the input's last samples are the output's last samples.
        EXPECT_TRUE(std::equal(in.end() - 8, in.end(), out.end() - 8));
    }
}

TEST(SegmentSplicer, RefusesSettingsOutsideItsWorkArea)
{
    EXPECT_TRUE(SegmentSplicer({0.8f, 444, 444, 444}).Valid());
    EXPECT_FALSE(SegmentSplicer({0.0f, 444, 444, 444}).Valid());
    EXPECT_FALSE(SegmentSplicer({-1.0f, 444, 444, 444}).Valid());
    EXPECT_FALSE(SegmentSplicer({0.8f, 444, 444, 64}).Valid());
    EXPECT_FALSE(SegmentSplicer({0.8f, 100, 1024, 3072}).Valid());  // 4096 samples of work area
    EXPECT_TRUE(SegmentSplicer({0.8f, 100, 1024, 3071}).Valid());
    EXPECT_FALSE(SegmentSplicer({0.8f, 100, 1025, 444}).Valid());
    std::vector<int16_t> in(5000, 1), out(4000, 7);
    EXPECT_FALSE(SegmentSplicer({0.8f, 444, 444, 64}).Run(in.data(), 5000, out.data(), 4000));
    EXPECT_EQ(out[0], 7) << "a refused run writes nothing";
}

TEST(SegmentSplicer, LagSearchFindsThePeriod)
{
    // A 200-sample period: searching 150..300 must splice whole periods, so that the output
    // is still the same clean tone without steps at the joins.
    const auto in = SineSamples(kRate, kRate / 200.0, 0.5);
    std::vector<int16_t> out(size_t(kRate * 5 / 6));
    ASSERT_TRUE(SegmentSplicer({5.0f / 6.0f, 150, 300, 400}).Run(in.data(), kRate, out.data(), int64_t(out.size())));
    int largestStep = 0;
    for (size_t i = 1; i < out.size(); ++i) {
        largestStep = std::max(largestStep, std::abs(out[i] - out[i - 1]));
    }
    const double sineStep = 0.5 * 32767 * 2 * M_PI / 200.0;
    EXPECT_LT(largestStep, sineStep * 1.05);
}

class StretchedSample : public ::testing::Test {
protected:
    // Loads a stereo sine and fits it by time stretch from one tempo to another.
    void Stretch(double seconds, double frequency, float from, float to)
    {
        const WaveFormat format = WaveFormat::Pcm16(kRate, 2);
        const auto frames = static_cast<uint32_t>(seconds * kRate);
        ASSERT_TRUE(sample.LoadFile(WriteWav(dir, "sine.wav", format, SinePcm(format, frames, frequency, 0.5)), 0, 0));
        sourceBytes = sample.DataSize();
        ASSERT_TRUE(sample.FitTempo(TempoMode::Stretch, 0, 0, from, to));
        ASSERT_TRUE(sample.Open(&output.device));
    }

    // The dominant frequency over 0.2 s from a frame: short enough for the 5 Hz search steps
    // to land on the tone's main lobe.
    double Frequency(size_t fromFrame, int channel)
    {
        const size_t frames = kRate / 5;
        const auto floats = PcmToFloats(sample.Pcm() + fromFrame * 4, frames * 4, 16);
        return DominantFrequency(floats.data() + channel, frames, 2, kRate, 200, 2000, 5);
    }

    TempDir dir;
    OfflineDevice output;
    CSampleData sample;
    int32_t sourceBytes = 0;
};

TEST_F(StretchedSample, From100To120KeepsThePitchAndTakesFiveSixthsOfTheLength)
{
    Stretch(4.0, 440.0, 100.0f, 120.0f);
    const int32_t expected = static_cast<int32_t>(int64_t{sourceBytes} * 100 / 120) / 4 * 4;
    EXPECT_EQ(sample.BufferSize(), expected);
    EXPECT_EQ(sample.PlayDuration(), 3333);
    const size_t frames = size_t(sample.BufferSize() / 4);
    EXPECT_NEAR(Frequency(0, 0), 440.0, 4.4);
    EXPECT_NEAR(Frequency(frames - kRate / 5, 1), 440.0, 4.4);
    // And through the mixer, at the data's own rate.
    ASSERT_TRUE(sample.Play());
    EXPECT_NEAR(output.PlayedFrequency(200, 2000), 440.0, 4.4);
}

TEST_F(StretchedSample, From120To100KeepsThePitchAndTakesSixFifthsOfTheLength)
{
    Stretch(3.0, 330.0, 120.0f, 100.0f);
    EXPECT_EQ(sample.BufferSize(), static_cast<int32_t>(int64_t{sourceBytes} * 120 / 100) / 4 * 4);
    const size_t frames = size_t(sample.BufferSize() / 4);
    EXPECT_NEAR(Frequency(0, 0), 330.0, 3.3);
    EXPECT_NEAR(Frequency(frames / 2, 1), 330.0, 3.3);
}

// A loop whose last 100 ms is another tone: stretched either way, its last second still ends
// with that tone at full level, neither cut off (shortening) nor followed by silence
// (lengthening).
TEST(StretchedLoop, LastSecondMatchesTheSourcesLastSecond)
{
    TempDir dir;
    OfflineDevice output;
    const WaveFormat format = WaveFormat::Pcm16(kRate, 2);
    auto pcm = SinePcm(format, kRate * 39 / 10, 500.0, 0.5);
    const auto marker = SinePcm(format, kRate / 10, 2000.0, 0.5);
    pcm.insert(pcm.end(), marker.begin(), marker.end());
    const std::string path = WriteWav(dir, "loop.wav", format, pcm);
    for (const auto& [from, to] : {std::pair{100.0f, 120.0f}, std::pair{120.0f, 100.0f}}) {
        SCOPED_TRACE(to);
        CSampleData sample;
        ASSERT_TRUE(sample.LoadFile(path, 0, 0));
        ASSERT_TRUE(sample.FitTempo(TempoMode::Stretch, 0, 0, from, to));
        ASSERT_TRUE(sample.Open(&output.device));
        const size_t frames = size_t(sample.BufferSize() / 4);
        const auto all = PcmToFloats(sample.Pcm(), size_t(sample.BufferSize()), 16);
        const auto left = Channel(all, 2, 0);
        const size_t second = kRate;
        const float* last = left.data() + frames - second;
        // The final 50 ms, in 10 ms windows: the marker tone, not the loop's body, not silence.
        for (size_t w = 1; w <= 5; ++w) {
            const float* window = last + second - w * 441;
            EXPECT_GT(ToneAmplitude(window, 441, 1, 2000, kRate), 0.4) << "window " << w << " from the end";
            EXPECT_LT(ToneAmplitude(window, 441, 1, 500, kRate), 0.05) << "window " << w << " from the end";
        }
        // Before it, the loop's body, without gaps: every 20 ms window sounds.
        EXPECT_NEAR(DominantFrequency(last, second / 5, 1, kRate, 200, 3000, 5), 500.0, 5.0);
        for (size_t at = 0; at + 882 <= second; at += 882) {
            EXPECT_GT(Rms(last + at, 882, 1), 0.2) << "silent window at " << at;
        }
    }
}

TEST(TempoFit, RateModeChangesOnlyTheFrequency)
{
    TempDir dir;
    OfflineDevice output;
    const WaveFormat format = WaveFormat::Pcm16(kRate, 1);
    CSampleData sample;
    ASSERT_TRUE(sample.LoadFile(WriteWav(dir, "a.wav", format, SinePcm(format, kRate, 1000, 0.5)), 0, 0));
    ASSERT_TRUE(sample.Open(&output.device));
    EXPECT_FALSE(sample.FitTempo(TempoMode::Rate, 0, 0, 0.0f, 120.0f));
    EXPECT_FALSE(sample.FitTempo(TempoMode::Stretch, 0, 0, 120.0f, 0.0f));
    EXPECT_EQ(sample.GetTempoMode(), TempoMode::None) << "a refused fit changes nothing";
    ASSERT_TRUE(sample.FitTempo(TempoMode::Rate, 0, 0, 120.0f, 120.0f));
    EXPECT_EQ(sample.PlayRate(), 44100);
    ASSERT_TRUE(sample.FitTempo(TempoMode::Rate, 0, 0, 100.0f, 200.0f));
    EXPECT_EQ(sample.PlayRate(), 88200);
    EXPECT_EQ(sample.PlayDuration(), 500);
    EXPECT_EQ(sample.BufferSize(), sample.DataSize());
    // Back from a stretch, rate mode gives the buffer its own length again.
    ASSERT_TRUE(sample.FitTempo(TempoMode::Stretch, 0, 0, 100.0f, 125.0f));
    EXPECT_EQ(sample.BufferSize(), static_cast<int32_t>(sample.DataSize() * 0.8f) / 2 * 2);
    ASSERT_TRUE(sample.FitTempo(TempoMode::Rate, 0, 0, 100.0f, 125.0f));
    EXPECT_EQ(sample.BufferSize(), sample.DataSize());
    EXPECT_TRUE(std::equal(sample.Pcm(), sample.Pcm() + sample.DataSize(), sample.SourcePcm()));
}

TEST(TempoFit, EightBitSoundIsStretchedAsSamplesNotAsWords)
{
    TempDir dir;
    OfflineDevice output;
    const WaveFormat format = WaveFormat::MakePcm(22050, 1, 8);
    CSampleData sample;
    ASSERT_TRUE(sample.LoadFile(WriteWav(dir, "a.wav", format, SinePcm(format, 22050 * 2, 441, 0.5)), 0, 0));
    ASSERT_TRUE(sample.FitTempo(TempoMode::Stretch, 0, 0, 100.0f, 120.0f));
    ASSERT_TRUE(sample.Open(&output.device));
    const auto floats = PcmToFloats(sample.Pcm(), size_t(sample.BufferSize()), 8);
    EXPECT_NEAR(DominantFrequency(floats.data(), 22050 / 5, 1, 22050, 200, 2000, 5), 441.0, 4.4);
    EXPECT_NEAR(Peak(floats.data(), floats.size(), 1), 0.5, 0.02);
}

}  // namespace
}  // namespace tessaron::test
