#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <thread>

#include "JackCapture.h"
#include "audiofile/CWaveReader.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "support/OutputSignals.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

// A song of one 1.5 s tone at the start, two seconds long, played by the command-line tool.
TEST(PlayCommand, PlaysTheSongOnTheServerAndEndsByItself)
{
    ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
    TempDir dir;
    const WaveFormat format = WaveFormat::Pcm16(44100, 2);
    const std::vector<uint8_t> pcm = SinePcm(format, 44100 * 3 / 2, 440.0, 0.5);
    CWaveReader writer;
    const auto bytes = static_cast<int32_t>(pcm.size());
    ASSERT_TRUE(writer.CreateForWrite(dir.file("tone.wav"), CWaveReader::MakePcmFormat(false, 44100), bytes));
    ASSERT_EQ(writer.Write(pcm.data(), bytes), bytes);
    ASSERT_TRUE(writer.FinishWrite());

    CChordwayDoc doc;
    doc.SetTempo(120.0f);
    auto sample = std::make_unique<CSamples>(dir.file("tone.wav"), "tone", 44100, 1500, "", "", 120.0f, 0, 0, 0);
    sample->dataSize = bytes;
    CMedia* medium = doc.InsertMedium(0, std::move(sample));
    CAction play(CAction::kPlay, medium, 0, -1, 0, 0);
    play.SetDuration(2000);
    play.MusicalFromMs(120.0f);
    doc.RecordAction(play);
    ASSERT_TRUE(CSongFile::Save(doc, dir.file("tone.tsn")).ok());

    JackCapture capture("tessaron-play-capture-" + std::to_string(::getpid()), 3.0);
    ASSERT_TRUE(capture.Ok());
    const pid_t pid = SpawnQuietly({std::string(TESSARON_BINARY_DIR) + "/tessaron-cli", "play", dir.file("tone.tsn")});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(capture.ConnectWithin("Tessaron", 5.0)) << "the player's JACK client did not appear";
    capture.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    capture.Stop();
    EXPECT_EQ(WaitForExit(pid, 10.0), 0) << "the player did not end by itself at the song's end";

    const auto left = Channel(capture.Frames(), 2, 0);
    ASSERT_GT(left.size(), size_t(capture.Rate() / 2));
    EXPECT_GT(Rms(left.data(), left.size(), 1), 0.1);
    EXPECT_NEAR(DominantFrequency(left.data(), left.size(), 1, capture.Rate(), 300, 600, 5), 440.0, 2.0);
}

}  // namespace
}  // namespace tessaron::test
