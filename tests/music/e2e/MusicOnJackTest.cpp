#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <thread>

#include "JackCapture.h"
#include "MusicFixtures.h"
#include "audioout/CSoundDevice.h"
#include "framework/CMessageRecorder.h"
#include "music/CMusic.h"
#include "music/CMusicEngine.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "song/Messages.h"
#include "support/AudioTools.h"
#include "support/OutputSignals.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

constexpr uint32_t kServerRate = 48000;  // the fixture's server: no resampling on the way
constexpr size_t kRamp = 256;

std::vector<int> Captured16(const std::vector<float>& frames, int channel)
{
    std::vector<int> values;
    for (size_t i = size_t(channel); i < frames.size(); i += 2) {
        values.push_back(static_cast<int>(std::lrint(frames[i] * 32768.0f)));
    }
    return values;
}

class MusicOnJack : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
        client = "tessaron-music-" + std::to_string(::getpid());
        device.SetClientName(client);
        ASSERT_TRUE(device.OpenDefault(nullptr));
        ASSERT_EQ(device.Rate(), kServerRate);
        device.SetMessageSink(&messages);
    }

    void Connect(JackCapture& capture)
    {
        ASSERT_TRUE(capture.Ok());
        ASSERT_TRUE(capture.ConnectFrom(client));
    }

    TempDir dir;
    std::string client;
    CMessageRecorder messages;
    CSoundDevice device{AudioApi::Jack};
};

// A three-minute file through the real mixer: its start comes out sample for sample, a seek
// near its end is heard from there, and it ends with one end message.
TEST_F(MusicOnJack, LongFileStreamsWithoutGapsSeeksAndEndsOnce)
{
    const uint32_t frames = kServerRate * 180;
    const auto pcm = SweepPcm(kServerRate, frames);
    const std::string path = dir.file("long.wav");
    ASSERT_TRUE(WriteWav(path, WaveFormat::Pcm16(kServerRate, 2), pcm));
    const auto file = PcmChannel(pcm, 0);

    JackCapture capture("music-capture-" + std::to_string(::getpid()), 4.0);
    Connect(capture);
    CMusicEngine engine;
    const int cookie = 7;
    ASSERT_TRUE(engine.Open(path, &device, &cookie));
    EXPECT_EQ(engine.LengthMs(), 180000);
    capture.Start();
    ASSERT_TRUE(engine.Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    capture.Stop();
    const int xruns = capture.Xruns();  // a late server cycle is not the player's gap
    const auto head = Captured16(capture.Frames(), 0);
    const long start = FindWindow(head, std::vector<int>(file.begin() + 1000, file.begin() + 1400)) - 1000;
    if (start < 0 && xruns > 0) {
        GTEST_SKIP() << "the server missed " << xruns << " cycles while the file started";
    }
    ASSERT_GE(start, 0) << "the file's start was not heard";
    const size_t count = head.size() - size_t(start) - kRamp - 1024;
    ASSERT_GT(count, size_t(kServerRate * 2));
    // A cycle the server itself missed drops sound for every client alike: judged only without.
    if (xruns == 0) {
        EXPECT_EQ(Mismatches(head, size_t(start) + kRamp, file, kRamp, count), 0u) << "gaps in the stream";
    }

    ASSERT_TRUE(engine.Seek(178500));
    capture.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(2600));
    capture.Stop();
    const int tailXruns = capture.Xruns();
    const auto tail = Captured16(capture.Frames(), 0);
    const size_t seekFrame = kServerRate * 1785 / 10;
    const std::vector<int> around(file.begin() + long(seekFrame), file.end());
    const size_t probe = kServerRate / 5;  // 200 ms after the seek
    const long at = FindWindow(around, std::vector<int>(tail.begin() + long(probe), tail.begin() + long(probe + 400)));
    ASSERT_GE(at, 0) << "the seek was not heard";
    EXPECT_LT(at, long(kServerRate / 2));
    const size_t rest = around.size() - size_t(at);
    if (tailXruns == 0) {
        EXPECT_EQ(Mismatches(tail, probe, around, size_t(at), rest), 0u) << "gaps after the seek";
    }
    const std::vector<int> after(tail.begin() + long(probe + rest), tail.end());
    EXPECT_EQ(FirstSound(after), after.size()) << "sound after the file's end";

    const auto ends = messages.messagesOf(message::kMediumEnded);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].second, reinterpret_cast<intptr_t>(&cookie));
    EXPECT_FALSE(engine.IsPlaying());
}

TEST_F(MusicOnJack, LoopsWithoutASeam)
{
    const auto pcm = SweepPcm(kServerRate, kServerRate * 6 / 10);
    const std::string path = dir.file("loop.wav");
    ASSERT_TRUE(WriteWav(path, WaveFormat::Pcm16(kServerRate, 2), pcm));
    const auto file = PcmChannel(pcm, 1);
    JackCapture capture("music-loop-" + std::to_string(::getpid()), 3.0);
    Connect(capture);
    CMusicEngine engine;
    ASSERT_TRUE(engine.Open(path, &device, nullptr));
    engine.SetLoop(true);
    capture.Start();
    ASSERT_TRUE(engine.Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    capture.Stop();
    engine.Stop();
    const int xruns = capture.Xruns();
    const auto out = Captured16(capture.Frames(), 1);
    const long start = FindWindow(out, std::vector<int>(file.begin() + 1000, file.begin() + 1400)) - 1000;
    ASSERT_GE(start, 0);
    for (size_t pass = 1; pass < 3 && xruns == 0; ++pass) {
        EXPECT_EQ(Mismatches(out, size_t(start) + pass * file.size(), file, 0, file.size()), 0u) << "pass " << pass;
    }
    EXPECT_TRUE(messages.messagesOf(message::kMediumEnded).empty());
}

// tessaron-cli play sounds a song whose medium is an MP3 music file, and ends by itself.
TEST(MusicPlayCommand, PlaysASongWithAMusicMedium)
{
    ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
    ASSERT_TRUE(HaveTool("lame"));
    TempDir dir;
    const std::string wav = dir.file("tone.wav");
    ASSERT_TRUE(test::Run("sox -D -n -r 44100 -c 2 -b 16 '" + wav + "' synth 6 sine 660 vol 0.5"));
    ASSERT_TRUE(test::Run("lame --quiet -b 128 '" + wav + "' '" + dir.file("tone.mp3") + "'"));

    CChordwayDoc doc;
    doc.SetTempo(120.0f);
    auto music = std::make_unique<CMusic>(dir.file("tone.mp3"), "tone", 44100, 6000, "", "", 120.0f, 0, 0, 0);
    CMedia* medium = doc.InsertMedium(0, std::move(music));
    CAction play(CAction::kPlay, medium, 0, -1, 0, 0);
    play.SetDuration(2000);
    play.MusicalFromMs(120.0f);
    doc.RecordAction(play);
    ASSERT_TRUE(CSongFile::Save(doc, dir.file("music.tsn")).ok());

    JackCapture capture("music-play-capture-" + std::to_string(::getpid()), 3.0);
    ASSERT_TRUE(capture.Ok());
    const pid_t pid = SpawnQuietly({std::string(TESSARON_BINARY_DIR) + "/tessaron-cli", "play", dir.file("music.tsn")});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(capture.ConnectWithin("Tessaron", 5.0)) << "the player's JACK client did not appear";
    capture.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    capture.Stop();
    EXPECT_EQ(WaitForExit(pid, 10.0), 0) << "the player did not end by itself at the song's end";
    const auto left = Channel(capture.Frames(), 2, 0);
    ASSERT_GT(left.size(), size_t(capture.Rate() / 2));
    EXPECT_GT(Rms(left.data(), left.size(), 1), 0.2);
    EXPECT_NEAR(DominantFrequency(left.data(), left.size(), 1, capture.Rate(), 500, 800, 2), 660.0, 3.0);
}

}  // namespace
}  // namespace tessaron::test
