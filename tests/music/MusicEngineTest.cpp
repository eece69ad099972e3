#include <gtest/gtest.h>

#include <chrono>

#include "MusicFixtures.h"
#include "framework/CMessageRecorder.h"
#include "music/CMusicEngine.h"
#include "music/OpticalDrive.h"
#include "song/Messages.h"
#include "support/TempDir.h"
#include "support/ToneDetector.h"
#include "support/OutputSignals.h"

namespace tessaron::test {
namespace {

constexpr uint32_t kRate = 44100;
// The mixer ramps a buffer's level in over its first frames after Play.
constexpr size_t kRamp = 128;

// Where the file's first frame came out: the position of a stretch from its start.
long AlignStart(const std::vector<int>& out, const std::vector<int>& file)
{
    const std::vector<int> head(file.begin() + 100, file.begin() + 400);
    const long at = FindWindow(out, head);
    return at < 0 ? -1 : at - 100;
}

class MusicEngineStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        output.device.SetMessageSink(&messages);
    }

    std::string Write(const std::string& name, const std::vector<uint8_t>& pcm)
    {
        const std::string path = dir.file(name);
        EXPECT_TRUE(WriteWav(path, WaveFormat::Pcm16(kRate, 2), pcm));
        return path;
    }

    TempDir dir;
    CMessageRecorder messages;
    PacedOutput output{kRate};
    const int cookie = 0;
};

// The whole file comes out sample for sample, silence follows, and the end is told once with
// the cookie; the worker has ended by itself.
TEST_F(MusicEngineStream, PlaysAFileWithoutGapsAndTellsTheEndOnce)
{
    const auto pcm = SweepPcm(kRate, kRate * 3 / 2);
    CMusicEngine engine;
    ASSERT_TRUE(engine.Open(Write("a.wav", pcm), &output.device, &cookie));
    EXPECT_EQ(engine.BufferLength(), 500);
    EXPECT_EQ(engine.ThreadPeriod(), 50);
    EXPECT_EQ(engine.TailLength(), 10);
    EXPECT_EQ(engine.BufferBytes(), kRate * 4 / 2);
    EXPECT_EQ(engine.LengthMs(), 1500);
    ASSERT_TRUE(engine.Start());
    output.Play(2400);

    for (int channel : {0, 1}) {
        const auto out = output.Channel16(channel);
        const auto file = PcmChannel(pcm, channel);
        const long start = AlignStart(out, file);
        ASSERT_GE(start, 0) << "channel " << channel;
        EXPECT_LT(start, long(kRate / 50)) << "the first frame came late";
        EXPECT_EQ(Mismatches(out, size_t(start) + kRamp, file, kRamp, file.size() - kRamp), 0u) << "channel " << channel;
        const size_t after = size_t(start) + file.size();
        EXPECT_EQ(FirstSound(std::vector<int>(out.begin() + long(after), out.end())), out.size() - after)
            << "something sounded after the file's end";
    }
    const auto ends = messages.messagesOf(message::kMediumEnded);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].first, 0);
    EXPECT_EQ(ends[0].second, reinterpret_cast<intptr_t>(&cookie));
    EXPECT_FALSE(engine.IsPlaying());
    EXPECT_TRUE(engine.IsEnded());
    EXPECT_FALSE(engine.WorkerRunning());
}

// A looping file restarts without a seam and never ends; Start after Stop plays from the start.
TEST_F(MusicEngineStream, LoopsSeamlesslyAndStartsAgainAfterStop)
{
    const auto pcm = SweepPcm(kRate, kRate * 7 / 10);
    CMusicEngine engine;
    ASSERT_TRUE(engine.Open(Write("loop.wav", pcm), &output.device, &cookie));
    engine.SetLoop(true);
    ASSERT_TRUE(engine.Start());
    output.Play(1900);
    const auto out = output.Channel16(0);
    const auto file = PcmChannel(pcm, 0);
    const long start = AlignStart(out, file);
    ASSERT_GE(start, 0);
    EXPECT_EQ(Mismatches(out, size_t(start) + kRamp, file, kRamp, file.size() - kRamp), 0u);
    EXPECT_EQ(Mismatches(out, size_t(start) + file.size(), file, 0, file.size()), 0u) << "the loop has a seam";
    EXPECT_TRUE(messages.messagesOf(message::kMediumEnded).empty());
    EXPECT_TRUE(engine.IsPlaying());

    engine.Stop();
    EXPECT_FALSE(engine.WorkerRunning());
    output.output.clear();
    ASSERT_TRUE(engine.Start());
    output.Play(300);
    const auto again = output.Channel16(0);
    const long restart = AlignStart(again, file);
    ASSERT_GE(restart, 0);
    EXPECT_EQ(Mismatches(again, size_t(restart) + kRamp, file, kRamp, again.size() - size_t(restart) - 512 - kRamp), 0u);
}

// A seek while playing is heard within a period or two, and the sound continues from there.
TEST_F(MusicEngineStream, SeeksWhilePlaying)
{
    const auto pcm = SweepPcm(kRate, kRate * 4);
    CMusicEngine engine;
    ASSERT_TRUE(engine.Open(Write("long.wav", pcm), &output.device, &cookie));
    ASSERT_TRUE(engine.Start());
    output.Play(300);
    ASSERT_TRUE(engine.Seek(3000));
    EXPECT_TRUE(engine.TakePositionChanged());
    EXPECT_GE(engine.PositionMs(), 3000);
    const size_t before = output.output.size() / 2;
    output.Play(500);
    const auto out = output.Channel16(0);
    const auto file = PcmChannel(pcm, 0);
    // 100 ms after the seek the output is the file from 3 s on, without a break.
    const size_t from = before + kRate / 10;
    const std::vector<int> heard(out.begin() + long(from), out.begin() + long(from + 600));
    const long at = FindWindow(file, heard);
    ASSERT_GE(at, long(kRate * 3)) << "the seek was not heard";
    EXPECT_LT(at, long(kRate * 3 + kRate / 5));
    EXPECT_EQ(Mismatches(out, from, file, size_t(at), out.size() - from - 256), 0u);
    EXPECT_FALSE(engine.Seek(5000)) << "beyond the end";
}

// The buffer length changes while playing without losing or repeating a frame.
TEST_F(MusicEngineStream, ChangesItsBufferLengthWhilePlaying)
{
    const auto pcm = SweepPcm(kRate, kRate * 3);
    CMusicEngine engine;
    ASSERT_TRUE(engine.Open(Write("b.wav", pcm), &output.device, &cookie));
    ASSERT_TRUE(engine.Start());
    output.Play(400);
    ASSERT_TRUE(engine.SetBufferLength(1000));
    EXPECT_EQ(engine.BufferBytes(), kRate * 4);
    output.Play(600);
    ASSERT_TRUE(engine.SetBufferLength(200));
    EXPECT_EQ(engine.ThreadPeriod(), 40);
    output.Play(600);
    EXPECT_FALSE(engine.SetBufferLength(40));
    EXPECT_FALSE(engine.SetBufferLength(19201));
    const auto out = output.Channel16(0);
    const auto file = PcmChannel(pcm, 0);
    const long start = AlignStart(out, file);
    ASSERT_GE(start, 0);
    // Each change hands over from the old buffer to the new one in a crossfade of a few ms;
    // a frame lost or repeated would shift everything after it.
    const size_t count = out.size() - size_t(start) - 512 - kRamp;
    EXPECT_LT(Mismatches(out, size_t(start) + kRamp, file, kRamp, count), 2 * 600u);
    const size_t lastPart = kRate / 4;
    EXPECT_EQ(Mismatches(out, size_t(start) + kRamp + count - lastPart, file, kRamp + count - lastPart, lastPart), 0u);
}

// Pausing silences the output and resuming goes on where it stopped; Stop ends the worker
// well within four periods.
TEST_F(MusicEngineStream, PausesAndStopsPromptly)
{
    const auto pcm = SweepPcm(kRate, kRate * 3);
    CMusicEngine engine;
    ASSERT_TRUE(engine.Open(Write("p.wav", pcm), &output.device, &cookie));
    ASSERT_TRUE(engine.Start());
    output.Play(300);
    ASSERT_TRUE(engine.Pause(true));
    output.Play(20);
    const size_t pausedAt = output.output.size() / 2;
    output.Play(300);
    const auto whilePaused = output.Channel16(0);
    EXPECT_EQ(FirstSound(std::vector<int>(whilePaused.begin() + long(pausedAt), whilePaused.end())),
              whilePaused.size() - pausedAt);
    ASSERT_TRUE(engine.Start());
    EXPECT_FALSE(engine.IsPaused());
    output.Play(300);
    const auto out = output.Channel16(0);
    const auto file = PcmChannel(pcm, 0);
    const long start = AlignStart(out, file);
    ASSERT_GE(start, 0);
    // 50 ms after the resume the file goes on from where the pause left it (give or take
    // the block the output was mixing and the ramps).
    const size_t resumedAt = pausedAt + kRate * 3 / 10;
    const size_t probe = resumedAt + kRate / 20;
    const long found = FindWindow(file, std::vector<int>(out.begin() + long(probe), out.begin() + long(probe + 600)));
    ASSERT_GE(found, 0);
    const long expected = long(pausedAt) - start + long(probe - resumedAt);
    EXPECT_NEAR(double(found), double(expected), 1200.0) << "the pause lost or repeated sound";
    EXPECT_EQ(Mismatches(out, probe, file, size_t(found), out.size() - probe - 512), 0u);

    const auto before = std::chrono::steady_clock::now();
    engine.Stop();
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, std::chrono::milliseconds(4 * engine.ThreadPeriod()));
    EXPECT_FALSE(engine.WorkerRunning());
}

// Tempo percent changes the buffer's frequency: +10 on 44100 Hz plays at 48510 Hz, heard as
// a tone 10% higher; channel mode 4 exchanges the channels on the way.
TEST_F(MusicEngineStream, PlaysFasterByTempoPercentAndSwapsChannels)
{
    const WaveFormat format = WaveFormat::Pcm16(kRate, 2);
    std::vector<uint8_t> pcm = SinePcm(format, kRate * 2, 441.0, 0.5);
    const auto right = SinePcm(format, kRate * 2, 1000.0, 0.25);
    for (size_t i = 0; i < pcm.size(); i += 4) {
        pcm[i + 2] = right[i + 2];
        pcm[i + 3] = right[i + 3];
    }
    CMusicEngine engine;
    ASSERT_TRUE(engine.Open(Write("tone.wav", pcm), &output.device, &cookie));
    EXPECT_EQ(engine.Frequency(), kRate);
    ASSERT_TRUE(engine.SetTempoPercent(10));
    EXPECT_EQ(engine.Frequency(), 48510u);
    ASSERT_TRUE(engine.SetChannelMode(4));
    ASSERT_TRUE(engine.Start());
    output.Play(800);
    const auto left = Channel(output.output, 2, 0);
    const auto rightOut = Channel(output.output, 2, 1);
    const size_t skip = kRate / 5;
    EXPECT_NEAR(DominantFrequency(left.data() + skip, left.size() - skip, 1, kRate, 900, 1300, 1), 1100.0, 2.0);
    EXPECT_NEAR(DominantFrequency(rightOut.data() + skip, rightOut.size() - skip, 1, kRate, 300, 700, 1), 485.1, 2.0);
    EXPECT_FALSE(engine.SetTempoPercent(-99.9)) << "44 Hz lies below the frequencies a buffer takes";
    EXPECT_EQ(engine.Frequency(), 48510u);
    ASSERT_TRUE(engine.SetTempoPercent(0));
    EXPECT_EQ(engine.Frequency(), kRate);
}

// Without a device only analysis opens; a read skips its 20480 frames first and delivers whole
// frames from the file.
TEST(MusicEngine, ReadsInAnalysisModeWithItsSkip)
{
    TempDir dir;
    const auto pcm = SweepPcm(kRate, kRate);
    const std::string path = dir.file("a.wav");
    ASSERT_TRUE(WriteWav(path, WaveFormat::Pcm16(kRate, 2), pcm));
    CMusicEngine playing;
    EXPECT_FALSE(playing.Open(path, nullptr, nullptr));
    EXPECT_TRUE(playing.IsEnded());

    CMusicEngine engine(true);
    engine.SetStartPosition(100);
    ASSERT_TRUE(engine.Open(path, nullptr, nullptr));
    EXPECT_FALSE(engine.Start());
    std::vector<uint8_t> got(4003);
    ASSERT_EQ(engine.Read(got.data(), 4003, false), 4000);
    EXPECT_EQ(std::memcmp(got.data(), pcm.data() + 4410 * 4, 4000), 0);
    ASSERT_EQ(engine.Read(got.data(), 4000, true), 4000);
    EXPECT_EQ(std::memcmp(got.data(), pcm.data() + (4410 + 1000 + CMusicEngine::kSkipFrames) * 4, 4000), 0);
    ASSERT_TRUE(engine.Seek(0));
    EXPECT_EQ(engine.Read(got.data(), 4000, false), 4000);
    EXPECT_EQ(std::memcmp(got.data(), pcm.data(), 4000), 0);
    std::vector<uint8_t> rest(pcm.size());
    EXPECT_EQ(engine.Read(rest.data(), int32_t(rest.size()), false), int32_t(pcm.size() - 4000))
        << "a read at the end delivers what is left";
}

TEST(MusicEngine, RefusesWhatItCannotPlay)
{
    TempDir dir;
    PacedOutput output(kRate);
    CMusicEngine engine;
    EXPECT_FALSE(engine.Open(dir.file("missing.mp3"), &output.device, nullptr));
    EXPECT_FALSE(engine.Open("http://example.invalid/a.mp3", &output.device, nullptr));
    EXPECT_TRUE(engine.IsEnded());
    EXPECT_FALSE(engine.IsOpened());
    EXPECT_FALSE(engine.Start());
    EXPECT_FALSE(engine.Seek(0));
    EXPECT_FALSE(engine.SetGainDb(21));
    EXPECT_FALSE(engine.SetChannelMode(5));
}

TEST(OpticalDrive, KnowsDiscFileSystemsOnly)
{
    EXPECT_TRUE(IsOpticalFileSystemType(0x9660));      // ISO 9660
    EXPECT_TRUE(IsOpticalFileSystemType(0x15013346));  // UDF
    EXPECT_FALSE(IsOpticalFileSystemType(0xEF53));     // ext4
    EXPECT_FALSE(IsOpticalFileSystemType(0x01021994)); // tmpfs
    TempDir dir;
    EXPECT_FALSE(IsOnOpticalDrive(dir.file("not-there.wav")));
    EXPECT_FALSE(IsOnOpticalDrive("/proc/self/status"));
}

}  // namespace
}  // namespace tessaron::test
