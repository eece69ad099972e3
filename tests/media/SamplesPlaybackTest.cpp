#include <gtest/gtest.h>

#include <cmath>

#include "SampleFixtures.h"
#include "audioout/CSoundBuffer.h"
#include "audiofile/CMediaReader.h"
#include "audiofile/CWaveFormat.h"
#include "media/CSamples.h"

namespace tessaron::test {
namespace {

constexpr uint32_t kRate = 44100;

// A looped sample of a 441 Hz sine, played through an offline device's real mixer.
class SamplePlayback : public ::testing::Test {
protected:
    void SetUp() override
    {
        format = WaveFormat::Pcm16(kRate, 2);
        sample.filePath = WriteWav(dir, "loop.wav", format, SinePcm(format, kRate * 2, 441, 0.5));
        sample.tempo = 100.0f;
        sample.SetLoop(true);
    }

    double Played() { return output.PlayedFrequency(100, 5000); }
    double Level(double frequency)
    {
        const auto left = Channel(output.Render(kRate / 5), 2, 0);
        return ToneAmplitude(left.data(), left.size(), 1, frequency, kRate);
    }

    TempDir dir;
    WaveFormat format;
    OfflineDevice output;
    CSamples sample;
};

TEST_F(SamplePlayback, RateFitDoublesThePlayedFrequencyAndKeepsTheBuffer)
{
    sample.stretchMode = 2;
    ASSERT_TRUE(sample.Open(&output.device, 200.0f));
    EXPECT_EQ(sample.loaded, 1);
    EXPECT_EQ(sample.GetDataSize(), int(kRate * 2 * 4));
    EXPECT_EQ(sample.GetSampleRate(), int(kRate));
    EXPECT_EQ(sample.GetPlaybackRate(), int(kRate * 2));
    EXPECT_EQ(sample.GetDuration(), 1000);
    ASSERT_TRUE(sample.Play());
    EXPECT_NEAR(Played(), 882.0, 2.0);
    // The song goes back to the sample's own tempo: its own rate again, while it plays.
    sample.ChangeTempo(100.0f);
    EXPECT_TRUE(sample.IsDevicePlaying());
    EXPECT_NEAR(Played(), 441.0, 1.0);
    sample.ApplySongTempo(2, 120.0f);
    EXPECT_TRUE(sample.IsDevicePlaying());
    EXPECT_NEAR(Played(), 529.2, 2.0);
}

TEST_F(SamplePlayback, SameTempoNeverStretchesAndStretchKeepsThePitch)
{
    sample.stretchMode = 1;
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    EXPECT_EQ(sample.GetDataSize(), int(kRate * 2 * 4));
    EXPECT_EQ(sample.GetPcm(), sample.SampleData()->SourcePcm()) << "the file's PCM, unchanged";
    sample.Close();
    ASSERT_TRUE(sample.Open(&output.device, 125.0f));
    EXPECT_EQ(sample.GetDataSize(), int(kRate * 2 * 4 * 100 / 125));
    EXPECT_EQ(sample.GetDuration(), 1600);
    EXPECT_EQ(sample.GetPlaybackRate(), int(kRate));
    ASSERT_TRUE(sample.Play());
    EXPECT_NEAR(Played(), 441.0, 4.4);
    // A tempo change while open refits; the same tempo as the sample's restores the file's size.
    sample.ChangeTempo(80.0f);
    EXPECT_EQ(sample.GetDataSize(), int(kRate * 2 * 4 * 100 / 80));
    sample.ChangeTempo(100.0f);
    EXPECT_EQ(sample.GetDataSize(), int(kRate * 2 * 4));
}

TEST_F(SamplePlayback, PitchMuteVolumeAndPanReachTheOutput)
{
    ASSERT_TRUE(sample.Open(&output.device, 120.0f));
    ASSERT_TRUE(sample.Play());
    sample.SetPitch(12);
    EXPECT_NEAR(Played(), 882.0, 2.0);
    sample.SetPitch(0);
    EXPECT_NEAR(Played(), 441.0, 1.0);
    // A pitch set while stopped holds for the next play.
    sample.Stop();
    sample.SetPitch(-12);
    ASSERT_TRUE(sample.Play());
    EXPECT_NEAR(Played(), 220.5, 1.0);
    sample.SetPitch(0);

    const double full = Level(441);
    EXPECT_NEAR(full, 0.5, 0.05);
    sample.SetVolume(-200);
    EXPECT_NEAR(Level(441) / full, 0.1, 0.01);
    sample.Mute();
    sample.SetVolume(-100);
    EXPECT_LT(Level(441), 1e-3) << "muted stays silent whatever the volume";
    sample.Unmute();
    EXPECT_NEAR(Level(441) / full, std::pow(10.0, -100.0 / 200.0), 0.01);

    // Relative changes add up.
    sample.SampleData()->AddVolume(-100);
    sample.SampleData()->AddVolume(-100);
    EXPECT_NEAR(Level(441) / full, 0.1, 0.01);

    sample.SetVolume(0);
    sample.SetPan(-1000);
    const auto frames = output.Render(kRate / 5);
    EXPECT_NEAR(ToneAmplitude(frames.data(), frames.size() / 2, 2, 441, kRate), full, 0.02);
    EXPECT_LT(ToneAmplitude(frames.data() + 1, frames.size() / 2, 2, 441, kRate), 0.001);
}

TEST_F(SamplePlayback, FinePitchSendsOnlyWhatTheOutputTakes)
{
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    CSoundBuffer* buffer = sample.SampleData()->Buffer();
    const auto octave = static_cast<uint32_t>(kRate * std::pow(1.0005779266357422, 1200));
    sample.SetPitchFloat(1200.0f);
    EXPECT_EQ(buffer->GetFrequency(), octave);
    sample.SetPitchFloat(2000.0f);  // 139 kHz: beyond what the output plays
    EXPECT_EQ(buffer->GetFrequency(), octave);
    sample.SampleData()->SetFrequency(99);
    sample.SampleData()->SetFrequency(100001);
    EXPECT_EQ(buffer->GetFrequency(), octave);
    sample.SampleData()->SetFrequency(0);
    EXPECT_EQ(buffer->GetFrequency(), kRate);
    sample.SetTempoPercent(50.0, false);
    EXPECT_EQ(buffer->GetFrequency(), kRate * 3 / 2);
    EXPECT_EQ(sample.tempoPercent, 0.0);
}

TEST_F(SamplePlayback, DuplicateForStepElevenPlaysAnOctaveUp)
{
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    EXPECT_FALSE(sample.MakeDuplicates(25));
    EXPECT_EQ(sample.DuplicateCount(), 0);
    ASSERT_TRUE(sample.MakeDuplicates(24));
    EXPECT_EQ(sample.DuplicateCount(), 24);
    EXPECT_TRUE(sample.Duplicate(11)->Buffer()->SharesMemoryWith(*sample.SampleData()->Buffer()));
    ASSERT_TRUE(sample.PlayDuplicate(11, 0));
    EXPECT_NEAR(Played(), 882.0, 2.0);
    EXPECT_LT(Level(441), 1e-3) << "only the duplicate sounds";
    ASSERT_TRUE(sample.PlayDuplicate(4, -200));  // five semitones up, a tenth of the level
    const auto left = Channel(output.Render(kRate / 5), 2, 0);
    EXPECT_NEAR(ToneAmplitude(left.data(), left.size(), 1, 882.0, kRate), 0.5, 0.05);
    EXPECT_NEAR(ToneAmplitude(left.data(), left.size(), 1, 588.6, kRate), 0.05, 0.01);
    sample.StopAllDuplicates();
    EXPECT_LT(Level(882), 1e-3);
    // Reopening remakes them; closing destroys them.
    ASSERT_EQ(sample.Reopen(100.0f), 1);
    EXPECT_EQ(sample.DuplicateCount(), 24);
    sample.Close();
    EXPECT_EQ(sample.DuplicateCount(), 0);
    EXPECT_EQ(sample.SampleData(), nullptr);
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    EXPECT_EQ(sample.DuplicateCount(), 24);
    sample.DestroyDuplicates();
    sample.Close();
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    EXPECT_EQ(sample.DuplicateCount(), 0);
}

TEST_F(SamplePlayback, MovesToAnotherDevicePlayingOn)
{
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    sample.SetVolume(-200);
    ASSERT_TRUE(sample.Play());
    output.Render(1000);
    OfflineDevice other;
    ASSERT_EQ(sample.MoveToDevice(&other.device), 1);
    EXPECT_EQ(sample.OutputDevice(), &other.device);
    EXPECT_LT(Level(441), 1e-3) << "nothing left on the old device";
    const auto left = Channel(other.Render(kRate / 5), 2, 0);
    EXPECT_NEAR(ToneAmplitude(left.data(), left.size(), 1, 441, kRate), 0.05, 0.005);
    EXPECT_EQ(sample.MoveToDevice(nullptr), 0);
}

TEST_F(SamplePlayback, OpenRangesAndFailures)
{
    sample.startOffset = 500;
    sample.endOffset = 1500;
    sample.duration = 2000;
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    EXPECT_EQ(sample.GetDataSize(), int(kRate * 4));
    EXPECT_EQ(sample.duration, 2000) << "the whole file's length";
    EXPECT_EQ(sample.dataSize, int(kRate * 4)) << "what is held in memory";
    sample.Close();

    CSamples missing;
    missing.filePath = dir.file("none.wav");
    EXPECT_FALSE(missing.Open(&output.device, 100.0f));
    EXPECT_EQ(missing.loaded, 2);
    EXPECT_FALSE(missing.Play());
    EXPECT_FALSE(sample.Open(nullptr, 100.0f));

    CSamples info;
    ASSERT_TRUE(info.OpenForInfo(0, sample.filePath));
    EXPECT_EQ(info.duration, 2000);
    EXPECT_EQ(info.sampleRate, int(kRate));
    EXPECT_EQ(info.dataSize, int(kRate * 8));
    EXPECT_FALSE(info.IsDevicePlaying());
    info.ReleaseData();
    EXPECT_EQ(info.GetDataSize(), 0);
}

TEST_F(SamplePlayback, OneShotStopsAtItsEnd)
{
    sample.SetLoop(false);
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    ASSERT_TRUE(sample.Play());
    output.Render(kRate);
    EXPECT_TRUE(sample.IsDevicePlaying());
    output.Render(kRate + 1024);
    EXPECT_FALSE(sample.IsDevicePlaying());
    ASSERT_TRUE(sample.Play()) << "plays again from the start";
    EXPECT_NEAR(Level(441), 0.5, 0.05);
    EXPECT_EQ(sample.playCount, 2);
}

TEST_F(SamplePlayback, MemoryHandOverPlaysFittedByRate)
{
    const WaveFormat mono = WaveFormat::Pcm16(22050, 1);
    const auto pcm = SinePcm(mono, 22050, 441, 0.5);
    const CWaveFormat handed = CWaveFormat::Pcm16(true, 22050);
    CSamples handedOver;
    handedOver.tempo = 100.0f;
    handedOver.SetLoop(true);
    ASSERT_TRUE(handedOver.OpenFromMemory(&output.device, 150.0f, pcm.data(), int(pcm.size()), handed));
    EXPECT_EQ(handedOver.GetPlaybackRate(), 33075);
    ASSERT_TRUE(handedOver.Play());
    EXPECT_NEAR(Played(), 661.5, 2.0);
}

TEST_F(SamplePlayback, EnvelopesActOnTheOpenSound)
{
    sample.Attach(CEnvelope::Create(1));
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    sample.Attach(CEnvelope::Create(2));
    for (const auto& envelope : sample.Attached()) {
        EXPECT_EQ(envelope->SampleData(), sample.SampleData());
    }
    EXPECT_EQ(sample.SampleData()->Attached().size(), 2u);
    sample.Close();
    EXPECT_EQ(sample.Attached().size(), 2u) << "kept with the medium";
    EXPECT_EQ(sample.Attached()[0]->SampleData(), nullptr);
}

TEST(SampleBeats, EstimatedFromTheDuration)
{
    CSamples s;
    const std::pair<int, int> cases[] = {{3000, 8}, {1000, 2}, {700, 1}, {750, 2}, {1500, 2}, {1600, 4},
                                         {2999, 4}, {6000, 16}, {20000, 32}, {20001, 0}};
    for (const auto& [ms, beats] : cases) {
        s.duration = ms;
        s.EstimateBeats();
        EXPECT_EQ(s.beatCount, beats) << ms;
    }
    s.duration = 3000;
    s.EstimateBeats();
    s.TempoFromBeats();
    EXPECT_FLOAT_EQ(s.tempo, 160.0f);
    s.duration = 1000;
    s.EstimateBeats();
    s.TempoFromBeats();
    EXPECT_FLOAT_EQ(s.tempo, 120.0f);
    s.duration = 20001;
    s.EstimateBeats();
    s.TempoFromBeats();
    EXPECT_FLOAT_EQ(s.tempo, 120.0f) << "no beat count leaves the tempo";
}

}  // namespace
}  // namespace tessaron::test
