// The program window end to end: the real `tessaron` on a private X server (Xvfb), played from
// the keyboard through xdotool into the fixture's JACK server.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "JackCapture.h"
#include "WindowHarness.h"
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

class ProgramWindow : public ProgramWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
        ProgramWindowFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        WriteToneSong();
    }

    // A song of one 440 Hz tone from its start, six seconds long.
    void WriteToneSong()
    {
        const WaveFormat format = WaveFormat::Pcm16(44100, 2);
        const std::vector<uint8_t> pcm = SinePcm(format, 44100 * 6, 440.0, 0.5);
        CWaveReader writer;
        const auto bytes = static_cast<int32_t>(pcm.size());
        ASSERT_TRUE(writer.CreateForWrite(dir_.file("tone.wav"), CWaveReader::MakePcmFormat(false, 44100), bytes));
        ASSERT_EQ(writer.Write(pcm.data(), bytes), bytes);
        ASSERT_TRUE(writer.FinishWrite());
        CChordwayDoc doc;
        doc.SetTempo(120.0f);
        auto sample = std::make_unique<CSamples>(dir_.file("tone.wav"), "tone", 44100, 6000, "", "", 120.0f, 0, 0, 0);
        sample->dataSize = bytes;
        CMedia* medium = doc.InsertMedium(0, std::move(sample));
        CAction play(CAction::kPlay, medium, 0, -1, 0, 0);
        play.SetDuration(6000);
        play.MusicalFromMs(120.0f);
        doc.RecordAction(play);
        ASSERT_TRUE(CSongFile::Save(doc, dir_.file("tone.tsn")).ok());
    }

    std::string Start() { return ProgramWindowFixture::Start(dir_.file("tone.tsn")); }
};

TEST_F(ProgramWindow, PlaysFromTheKeyboardAndKeepsItsPlacement)
{
    const std::string settingsFile = SettingsFile();
    // A placement of an earlier run at this screen size, not maximized.
    WriteSettings("X=40\nY=30\nCX=900\nCY=640\nRESX=1280\nRESY=800\nSTYLE=13565952\n");
    std::string window = Start();
    ASSERT_FALSE(window.empty()) << "the program window did not appear";
    EXPECT_EQ(Geometry(window), "40 30 900 640") << "the saved placement was not used";

    JackCapture capture("tessaron-window-capture-" + std::to_string(::getpid()), 3.0);
    ASSERT_TRUE(capture.Ok());
    ASSERT_TRUE(ConnectCapture(capture)) << "the program's JACK client did not appear";

    std::vector<float> before = Listen(capture, 300ms);
    ASSERT_FALSE(before.empty());
    EXPECT_LT(Rms(before.data(), before.size(), 1), 0.01) << "sound before the song was played";

    Key(window, "ctrl+space");
    std::this_thread::sleep_for(300ms);
    std::vector<float> playing = Listen(capture, 800ms);
    ASSERT_GT(playing.size(), size_t(capture.Rate() / 2));
    EXPECT_GT(Rms(playing.data(), playing.size(), 1), 0.1) << "Ctrl+Space did not play the song";
    EXPECT_NEAR(DominantFrequency(playing.data(), playing.size(), 1, capture.Rate(), 300, 600, 5), 440.0, 2.0);

    Key(window, "Escape");
    std::this_thread::sleep_for(300ms);
    std::vector<float> stopped = Listen(capture, 400ms);
    ASSERT_FALSE(stopped.empty());
    EXPECT_LT(Rms(stopped.data(), stopped.size(), 1), 0.01) << "Esc did not stop the song";

    // Moved and resized by the user, then closed with the desktop's Quit key.
    ASSERT_TRUE(Shell("xdotool windowmove --sync " + window + " 120 90"));
    ASSERT_TRUE(Shell("xdotool windowsize --sync " + window + " 800 560"));
    std::this_thread::sleep_for(200ms);
    Key(window, "ctrl+q");
    ASSERT_EQ(WaitForExit(pid_, 10.0), 0) << "the program did not end on Ctrl+Q";
    pid_ = -1;

    auto settings = ReadSettings(settingsFile);
    for (const char* key : {"AUTOLOAD", "MEMORYMAX", "NBLOOP", "MIDIINDRIVERS", "LANTENCY", "PITCHBENDRANGE"}) {
        EXPECT_EQ(settings.count(key), 1u) << key << " was not written at close";
    }
    EXPECT_EQ(settings["X"], "120");
    EXPECT_EQ(settings["Y"], "90");
    EXPECT_EQ(settings["CX"], "800");
    EXPECT_EQ(settings["CY"], "560");
    EXPECT_EQ(settings["RESX"], "1280");
    EXPECT_EQ(settings["RESY"], "800");
    EXPECT_EQ(settings["STYLE"], "13565952") << "a window that is not maximized keeps no maximize bit";

    window = Start();
    ASSERT_FALSE(window.empty()) << "the program window did not appear the second time";
    EXPECT_EQ(Geometry(window), "120 90 800 560") << "the placement was not restored";
    Key(window, "ctrl+q");
    EXPECT_EQ(WaitForExit(pid_, 10.0), 0);
    pid_ = -1;
}

}  // namespace
}  // namespace tessaron::test
