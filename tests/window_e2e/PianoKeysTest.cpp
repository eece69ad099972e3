// Playing the program from the computer keyboard end to end: the real `tessaron` on a private
// X server, keys typed by xdotool, its sound captured from the fixture's JACK server.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "JackCapture.h"
#include "WindowHarness.h"
#include "audiofile/CWaveReader.h"
#include "media/CSamples.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "support/OutputSignals.h"
#include "support/TempDir.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

class PianoKeys : public ProgramWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
        ProgramWindowFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        WriteSong();
    }

    // Two tones bound to the keys Q (440 Hz) and W (660 Hz), no events.
    void WriteSong()
    {
        CChordwayDoc doc;
        doc.SetTempo(120.0f);
        int place = 0;
        for (auto [name, frequency, key] : {std::tuple{"low", 440.0, 'Q'}, std::tuple{"high", 660.0, 'W'}}) {
            const WaveFormat format = WaveFormat::Pcm16(44100, 2);
            const std::vector<uint8_t> pcm = SinePcm(format, 44100 * 2, frequency, 0.5);
            const std::string path = dir_.file(std::string(name) + ".wav");
            CWaveReader writer;
            const auto bytes = static_cast<int32_t>(pcm.size());
            ASSERT_TRUE(writer.CreateForWrite(path, CWaveReader::MakePcmFormat(false, 44100), bytes));
            ASSERT_EQ(writer.Write(pcm.data(), bytes), bytes);
            ASSERT_TRUE(writer.FinishWrite());
            auto sample = std::make_unique<CSamples>(path, name, 44100, 2000, "", "", 120.0f, 0, 0, 0);
            sample->dataSize = bytes;
            sample->endOffset = 2000;
            sample->pcKey = key;
            sample->midiNote = 12 + 2 * place;
            doc.InsertMedium(place++, std::move(sample));
        }
        ASSERT_TRUE(CSongFile::Save(doc, dir_.file("keys.tsn")).ok());
    }

    std::string Start() { return ProgramWindowFixture::Start(dir_.file("keys.tsn")); }

    double Frequency(const std::vector<float>& left, uint32_t rate)
    {
        return DominantFrequency(left.data(), left.size(), 1, rate, 300, 800, 5);
    }
};

TEST_F(PianoKeys, ALetterKeyPlaysItsSampleAndARecordedPerformancePlaysBack)
{
    const std::string window = Start();
    ASSERT_FALSE(window.empty()) << "the program window did not appear";
    JackCapture capture("tessaron-piano-capture-" + std::to_string(::getpid()), 3.0);
    ASSERT_TRUE(capture.Ok());
    ASSERT_TRUE(ConnectCapture(capture)) << "the program's JACK client did not appear";
    const std::vector<float> before = Listen(capture, 300ms);
    EXPECT_LT(Rms(before.data(), before.size(), 1), 0.01) << "sound before any key";

    // Q held down: its tone sounds (auto-repeat does not restart it); released: silence.
    Xdotool(window, "keydown --window " + window + " q");
    std::this_thread::sleep_for(150ms);
    const std::vector<float> held = Listen(capture, 500ms);
    Xdotool(window, "keyup --window " + window + " q");
    ASSERT_GT(held.size(), size_t(capture.Rate() / 4));
    EXPECT_GT(Rms(held.data(), held.size(), 1), 0.1) << "Q did not play its sample";
    EXPECT_NEAR(Frequency(held, capture.Rate()), 440.0, 3.0);
    std::this_thread::sleep_for(200ms);
    const std::vector<float> released = Listen(capture, 300ms);
    EXPECT_LT(Rms(released.data(), released.size(), 1), 0.01) << "the release of Q did not stop it";

    // A performance: Insert, W for 400 ms, Insert; stop, back to the start, save, play it.
    Xdotool(window, "key --clearmodifiers --window " + window + " Insert");
    Xdotool(window, "keydown --window " + window + " w");
    std::this_thread::sleep_for(400ms);
    Xdotool(window, "keyup --window " + window + " w");
    std::this_thread::sleep_for(100ms);
    Xdotool(window, "key --clearmodifiers --window " + window + " Insert");
    Xdotool(window, "key --clearmodifiers --window " + window + " shift+Escape");
    std::this_thread::sleep_for(300ms);
    const std::vector<float> quiet = Listen(capture, 200ms);
    EXPECT_LT(Rms(quiet.data(), quiet.size(), 1), 0.01) << "sound after the song was stopped";
    Xdotool(window, "key --clearmodifiers --window " + window + " ctrl+s");
    Xdotool(window, "key --clearmodifiers --window " + window + " ctrl+space");
    const std::vector<float> replay = Listen(capture, 350ms);
    ASSERT_GT(replay.size(), size_t(capture.Rate() / 5));
    EXPECT_GT(Rms(replay.data(), replay.size(), 1), 0.05) << "the recorded performance did not play back";
    EXPECT_NEAR(Frequency(replay, capture.Rate()), 660.0, 3.0);
    std::this_thread::sleep_for(500ms);
    const std::vector<float> after = Listen(capture, 300ms);
    EXPECT_LT(Rms(after.data(), after.size(), 1), 0.01) << "the recorded release did not stop the tone";

    // The performance was saved with the song: a play and a stop of the W medium.
    CChordwayDoc saved;
    ASSERT_TRUE(CSongFile::Open(saved, dir_.file("keys.tsn")).ok());
    ASSERT_GE(saved.EventCount(), 2);
    EXPECT_EQ(saved.EventAt(0)->Code(), CAction::kPlay);
    EXPECT_EQ(saved.EventAt(0)->Medium()->name, "high");
    bool stopped = false;
    for (int i = 1; i < saved.EventCount(); ++i) {
        stopped |= saved.EventAt(i)->Code() == CAction::kStop && saved.EventAt(i)->Medium()->name == "high";
    }
    EXPECT_TRUE(stopped) << "the release was not recorded";
    const int32_t gap = saved.EventAt(saved.EventCount() - 1)->Start() - saved.EventAt(0)->Start();
    EXPECT_GT(gap, 300);
    EXPECT_LT(gap, 700);
}

}  // namespace
}  // namespace tessaron::test
