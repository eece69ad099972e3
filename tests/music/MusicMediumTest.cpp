#include <gtest/gtest.h>

#include "MusicFixtures.h"
#include "framework/CMessageRecorder.h"
#include "framework/CNoticeRecorder.h"
#include "media/CSamples.h"
#include "music/CMusic.h"
#include "music/CMusicEngine.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/Messages.h"
#include "song/MediumFromFile.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"

namespace tessaron::test {
namespace {

constexpr uint32_t kRate = 44100;

class MusicMedium : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("track.wav");
        ASSERT_TRUE(WriteWav(path, WaveFormat::Pcm16(kRate, 2), SweepPcm(kRate, kRate)));
        music.filePath = path;
        output.device.SetMessageSink(&messages);
    }

    TempDir dir;
    std::string path;
    CMessageRecorder messages;
    PacedOutput output{kRate};
    CMusic music;
};

TEST_F(MusicMedium, OpenMakesTheEngineAndCloseDestroysIt)
{
    EXPECT_FALSE(music.Open(nullptr, 120.0f));
    EXPECT_EQ(music.Engine(), nullptr);
    EXPECT_EQ(music.GetVolumeLevel(), -1000);
    EXPECT_FALSE(music.IsPlaying());
    EXPECT_TRUE(music.IsStopped());

    ASSERT_TRUE(music.Open(&output.device, 120.0f));
    ASSERT_NE(music.Engine(), nullptr);
    EXPECT_EQ(music.loaded, 1);
    EXPECT_EQ(music.kind, CMedia::kKindMusic);
    EXPECT_EQ(music.sampleRate, int(kRate));
    EXPECT_EQ(music.duration, 1000);
    EXPECT_EQ(music.GetDuration(), 1000);
    EXPECT_EQ(music.GetBytesPerSecond(), int(kRate * 4));
    EXPECT_EQ(music.BufferLength(), 500);
    EXPECT_EQ(music.ThreadPeriod(), 50);
    EXPECT_EQ(music.formatInfo[2], 10) << "PCM";

    music.Close();
    EXPECT_EQ(music.Engine(), nullptr);
    EXPECT_EQ(music.loaded, 0);
    EXPECT_EQ(music.BufferLength(), 0);

    music.filePath = dir.file("missing.ogg");
    EXPECT_FALSE(music.Open(&output.device, 120.0f));
    EXPECT_EQ(music.Engine(), nullptr);
    EXPECT_EQ(music.loaded, 2);
}

// What is set while closed waits in the medium and reaches the engine at the next Open.
TEST_F(MusicMedium, SettingsMadeWhileClosedApplyOnOpen)
{
    music.SetTempoPercent(10, false);
    music.SetVolume(-300);
    music.SetPan(200);
    music.SetGainDb(6);
    music.SetLoop(true);
    music.SetChannelMode(4);
    music.Mute();
    ASSERT_TRUE(music.Open(&output.device, 120.0f));
    CMusicEngine& engine = *music.Engine();
    EXPECT_EQ(engine.Frequency(), 48510u);
    EXPECT_EQ(engine.Volume(), -10000) << "muted";
    EXPECT_EQ(engine.Pan(), 2000);
    EXPECT_TRUE(engine.Loop());
    music.Unmute();
    EXPECT_EQ(engine.Volume(), -3000);
    EXPECT_EQ(music.GetVolumeLevel(), -300);
    music.Mute();
    EXPECT_EQ(engine.Volume(), -10000);
    music.SetVolume(-100);
    EXPECT_EQ(engine.Volume(), -10000) << "a muted medium stays silent";
    music.Unmute();
    EXPECT_EQ(engine.Volume(), -1000);
}

TEST_F(MusicMedium, RefusesOutOfRangeValuesAndKeepsThePrevious)
{
    ASSERT_TRUE(music.Open(&output.device, 120.0f));
    music.SetTempoPercent(-95, false);
    EXPECT_EQ(music.tempoPercent, -95);
    EXPECT_EQ(music.Engine()->Frequency(), uint32_t(kRate * 5 / 100));
    music.SetTempoPercent(130, false);
    EXPECT_EQ(music.tempoPercent, -95);
    music.SetTempoPercent(0, false);
    EXPECT_EQ(music.Engine()->Frequency(), kRate);

    EXPECT_TRUE(music.SetPitchCents(1200));
    EXPECT_EQ(music.Engine()->Frequency(), kRate * 2);
    EXPECT_FALSE(music.SetPitchCents(2401));
    EXPECT_EQ(music.pitch, 1200);
    music.SetPitchFloat(50.0f);
    EXPECT_EQ(music.Engine()->Frequency(), uint32_t(kRate * std::pow(1.0005779266357422, 50)));
    music.SetPitch(0);

    music.SetEqGain1(40);
    music.SetEqGain2(101);
    EXPECT_EQ(music.eqGain1, 40);
    EXPECT_EQ(music.eqGain2, 0);
    music.SetGainDb(21);
    EXPECT_EQ(music.gainDb, 0);
    EXPECT_FALSE(music.SetChannelMode(7));
}

// Tempo percent and pitch both move the frequency; Play keeps the tempo's speed.
TEST_F(MusicMedium, TempoPercentSurvivesPlayAndCombinesWithPitch)
{
    ASSERT_TRUE(music.Open(&output.device, 120.0f));
    music.SetTempoPercent(10, false);
    ASSERT_TRUE(music.Play());
    EXPECT_EQ(music.Engine()->Frequency(), 48510u);
    music.SetPitch(12);
    EXPECT_EQ(music.Engine()->Frequency(), 97020u);
    music.Stop();
    EXPECT_FALSE(music.IsPlaying());

    music.SetPitch(0);
    EXPECT_TRUE(music.SetTempoTarget(5));
    EXPECT_EQ(music.Engine()->Frequency(), uint32_t(kRate * 1.15));
    EXPECT_FALSE(music.SetTempoTarget(5)) << "no change";
    EXPECT_FALSE(music.SetTempoTarget(200)) << "the sum lies beyond 125";
}

TEST_F(MusicMedium, EffectSwitchesExcludeEachOther)
{
    ASSERT_TRUE(music.Open(&output.device, 120.0f));
    music.SetOptionA(true);
    music.SetOptionB(true);
    EXPECT_FALSE(music.optionA);
    EXPECT_TRUE(music.optionB);
    music.SetOptionC(true);
    EXPECT_FALSE(music.optionB);
    EXPECT_TRUE(music.optionC);
    music.SetOptionC(false);
    EXPECT_FALSE(music.optionA || music.optionB || music.optionC);
}

TEST_F(MusicMedium, BufferLengthComesFromItsText)
{
    music.tempo = 120.0f;
    EXPECT_EQ(music.BufferLengthMs(), 500);
    music.bufferLengthText = "4";  // beats at 120 BPM
    EXPECT_EQ(music.BufferLengthMs(), 2000);
    music.bufferLengthText = "1000";
    EXPECT_EQ(music.BufferLengthMs(), 1000);
    music.bufferLengthText = "30000";
    EXPECT_EQ(music.BufferLengthMs(), 500);
    music.bufferLengthText = "40";
    EXPECT_EQ(music.BufferLengthMs(), 500);
    music.bufferLengthText = "1000";
    ASSERT_TRUE(music.Open(&output.device, 120.0f));
    EXPECT_EQ(music.BufferLength(), 1000);
    EXPECT_EQ(music.Engine()->BufferBytes(), kRate * 4);
}

TEST_F(MusicMedium, NetworkAddressesFailWithAMessageAndNothingElse)
{
    music.filePath = "http://radio.example/stream.mp3";
    EXPECT_FALSE(music.Open(&output.device, 120.0f));
    EXPECT_TRUE(music.IsNetworkStream());
    EXPECT_EQ(music.Engine(), nullptr);
    EXPECT_EQ(music.loaded, 2);
    const std::string why = music.TakeOpenFailureText();
    EXPECT_NE(why.find("http://radio.example/stream.mp3"), std::string::npos);
    EXPECT_TRUE(music.TakeOpenFailureText().empty()) << "told once";

    CMusic info;
    EXPECT_FALSE(info.OpenForInfo(0, "ftp://files.example/a.mp3"));
    EXPECT_TRUE(info.IsNetworkStream());
}

TEST_F(MusicMedium, PositionMovesWhileClosedAndSeeksWhenOpen)
{
    music.endOffset = 1000;
    EXPECT_EQ(music.SetPosition(300), 1);
    EXPECT_EQ(music.GetPosition(), 300);
    music.SetPosition(900);
    EXPECT_EQ(music.GetPosition(), 1000) << "limited to the end offset";
    music.SetPosition(-5000);
    EXPECT_EQ(music.GetPosition(), 0);
    music.SetPosition(600);
    ASSERT_TRUE(music.Open(&output.device, 120.0f));
    EXPECT_EQ(music.Engine()->PositionMs(), 600) << "decoding starts at the kept position";
    EXPECT_EQ(music.SetPosition(200), 1);
    EXPECT_EQ(music.PositionMs(), 200);
    EXPECT_EQ(music.SetPosition(5000), 0);
    int a = -1, b = -1;
    EXPECT_EQ(music.GetLoopPoints(a, b), 1);
    EXPECT_EQ(b, 1000);
    EXPECT_EQ(music.Prepare(0), 0);
    EXPECT_EQ(music.Prepare(1), 1);
}

// Played to its end through the output, the medium tells the device's window once, naming itself.
TEST_F(MusicMedium, PlayedToTheEndTellsTheWindowOnce)
{
    ASSERT_TRUE(music.Open(&output.device, 120.0f));
    ASSERT_TRUE(music.Play());
    EXPECT_TRUE(music.IsPlaying());
    output.Play(1800);
    const auto ends = messages.messagesOf(message::kMediumEnded);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].second, reinterpret_cast<intptr_t>(static_cast<CMedia*>(&music)));
    EXPECT_FALSE(music.IsPlaying());
    ASSERT_TRUE(music.Play()) << "a medium that ended plays again from its start";
    output.Play(100);
    EXPECT_TRUE(music.IsPlaying());
}

// A dropped audio file is read for information and becomes a sample or, when too large for
// one, a music medium.
TEST(MediumFromFile, AudioFilesBecomeSamplesOrMusicBySize)
{
    TempDir dir;
    CNoticeRecorder notices;
    SongEnvironment env;
    env.notice = &notices;
    CChordwayDoc doc(env);
    const std::string path = dir.file("loop.wav");
    ASSERT_TRUE(WriteWav(path, WaveFormat::Pcm16(kRate, 2), SweepPcm(kRate, kRate / 2)));
    WriteWav(dir.file("tiny.wav"), WaveFormat::Pcm16(kRate, 2), SweepPcm(kRate, 40));
    EXPECT_EQ(AddMediumFromFile(doc, dir.file("tiny.wav"), 0, 0), nullptr) << "below 400 bytes";

    CMedia* sample = AddMediumFromFile(doc, path, 0, 3);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->kind, CMedia::kKindSample);
    EXPECT_EQ(sample->duration, 500);
    EXPECT_EQ(sample->endOffset, 500);
    EXPECT_EQ(sample->dataSize, int(kRate * 2));
    EXPECT_EQ(sample->pcKey, '3');
    EXPECT_EQ(sample->name, "loop");

    doc.Environment().settings.sizeSamplesMax = int(kRate);
    CMedia* music = AddMediumFromFile(doc, path, 5, 12);
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(music->kind, CMedia::kKindMusic);
    EXPECT_NE(dynamic_cast<CMusic*>(music), nullptr);
    EXPECT_EQ(music->pcKey, 'C');
    EXPECT_EQ(doc.MediaCount(), 2);

    doc.Environment().settings.sizeSamplesMax = 20971520;
    doc.Environment().settings.nbSamplesMax = 1;
    EXPECT_EQ(AddMediumFromFile(doc, path, 0, 0), nullptr);
    ASSERT_EQ(notices.notices.size(), 1u);
    EXPECT_EQ(notices.notices[0].text, "too samples open");

    WriteBytes(dir.file("noise.mp3"), Bytes(4000, 0x55));
    EXPECT_EQ(AddMediumFromFile(doc, dir.file("noise.mp3"), 0, 0), nullptr) << "not decodable";
    EXPECT_EQ(KeyLabelOf(0), '0');
    EXPECT_EQ(KeyLabelOf(35), 'Z');
    EXPECT_EQ(KeyLabelOf(36), 113);
}

// A song opens its music media on the outputs like any medium, without counting their size
// as sample memory.
TEST(MusicInSong, LoadsOnTheOutputsWithoutUsingSampleMemory)
{
    TempDir dir;
    const std::string path = dir.file("long.wav");
    ASSERT_TRUE(WriteWav(path, WaveFormat::Pcm16(kRate, 2), SweepPcm(kRate, kRate)));
    PacedOutput output(kRate);
    CMediaOutputs outputs({&output.device});
    CNoticeRecorder notices;
    SongEnvironment env;
    env.loader = &outputs;
    env.notice = &notices;
    env.settings.memoryMax = 1000;
    CChordwayDoc doc(env);
    auto owned = std::make_unique<CMusic>(path, "long", int(kRate), 1000, "", "", 120.0f, 0, 0, 0);
    owned->dataSize = int(kRate * 4);
    CMedia* medium = doc.InsertMedium(0, std::move(owned));
    ASSERT_TRUE(doc.LoadMediumData(*medium, true));
    EXPECT_EQ(medium->loaded, 1);
    EXPECT_EQ(doc.MemoryUsed(), 0);
    doc.RemoveMedium(0);
    EXPECT_EQ(doc.MemoryUsed(), 0);

    auto remote = std::make_unique<CMusic>("http://radio.example/x.mp3", "x", int(kRate), 1000, "", "", 120.0f, 0, 0, 0);
    CMedia* stream = doc.InsertMedium(0, std::move(remote));
    EXPECT_FALSE(doc.LoadMediumData(*stream, false));
    ASSERT_EQ(notices.notices.size(), 1u);
    EXPECT_NE(notices.notices[0].text.find("http://radio.example/x.mp3"), std::string::npos);
}

}  // namespace
}  // namespace tessaron::test
