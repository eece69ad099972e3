// The program window's devices end to end: a lost audio output opened again from the notice, a
// MIDI keyboard playing the song's samples, the Options dialog reopening the MIDI ports, and the
// companion link handing over a sample, all
// with the real `tessaron` under Xvfb and its sound captured from a JACK server.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "JackCapture.h"
#include "WindowHarness.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "support/OutputSignals.h"
#include "support/PrivateJackServer.h"
#include "support/TempDir.h"
#include "support/ToneDetector.h"
#include "support/WavBytes.h"

namespace tessaron::test {
namespace {

struct Tone {
    std::string name;
    double frequency;
    int32_t midiKey;  // the medium's MIDI key: note = key + 24
    int32_t seconds;
};

class DevicesInWindow : public ProgramWindowFixture {
protected:
    std::string WriteTone(const std::string& name, double frequency, int32_t seconds)
    {
        const WaveFormat format = WaveFormat::Pcm16(44100, 2);
        const std::string path = dir_.file(name + ".wav");
        WriteBytes(path, PcmWave(2, 44100, 16, SinePcm(format, 44100 * seconds, frequency, 0.5)));
        return path;
    }

    // A song of the tones as media (none recorded) saved as song.tsn.
    void WriteSong(const std::vector<Tone>& tones)
    {
        CChordwayDoc doc;
        doc.SetTempo(120.0f);
        int index = 0;
        for (const Tone& tone : tones) {
            const std::string path = WriteTone(tone.name, tone.frequency, tone.seconds);
            auto sample = std::make_unique<CSamples>(path, tone.name, 44100, tone.seconds * 1000, "", "", 120.0f, 0, 0, 0);
            sample->dataSize = 44100 * 4 * tone.seconds;
            sample->midiNote = tone.midiKey;
            doc.InsertMedium(index++, std::move(sample));
        }
        ASSERT_TRUE(CSongFile::Save(doc, dir_.file("song.tsn")).ok());
    }

    std::string Start() { return ProgramWindowFixture::Start(dir_.file("song.tsn")); }

    static double Level(const std::vector<float>& left, double frequency, double rate)
    {
        return left.empty() ? 0.0 : ToneAmplitude(left.data(), left.size(), 1, frequency, rate);
    }
};

TEST_F(DevicesInWindow, LostOutputIsNamedAndPlaysAgainAfterRetry)
{
    WriteSong({{"tone", 440.0, 0, 6}});
    // The song: one play of the tone from its start.
    {
        CChordwayDoc doc;
        ASSERT_TRUE(CSongFile::Read(doc, dir_.file("song.tsn"), CSongFile::ReadMode::AsStored).ok());
        CAction play(CAction::kPlay, doc.MediumAt(0), 0, -1, 0, 0);
        play.SetDuration(6000);
        play.MusicalFromMs(120.0f);
        doc.RecordAction(play);
        ASSERT_TRUE(CSongFile::Save(doc, dir_.file("song.tsn")).ok());
    }
    PrivateJackServer server("-window");
    ASSERT_TRUE(server.Start());
    const std::string window = Start();
    ASSERT_FALSE(window.empty()) << "the program window did not appear";

    Key(window, "ctrl+space");
    std::this_thread::sleep_for(300ms);
    server.Stop();
    const std::string lostTitle = "^Tessaron - audio output lost$";
    const std::string notice = WaitForWindow(lostTitle, 10.0);
    ASSERT_FALSE(notice.empty()) << "no notice of the lost output";
    const std::string told = Errors();
    EXPECT_NE(told.find("the audio output \""), std::string::npos) << "the lost output was not named: " << told;
    EXPECT_EQ(::kill(pid_, 0), 0) << "the program ended with its output";

    // The server comes back; Retry (the notice's default button) opens the output again. The
    // notice may be shown before it takes keys on a loaded machine: Return is pressed again
    // until the notice goes. (The release finds no window, which xdotool reports.)
    ASSERT_TRUE(server.Start());
    JackCapture capture("tessaron-lost-capture-" + std::to_string(::getpid()), 3.0);
    ASSERT_TRUE(capture.Ok());
    bool retried = false;
    for (int press = 0; press < 5 && !retried; ++press) {
        // A retry that came too early shows a new notice: Return goes to the one now shown.
        const std::string shown = WaitForWindow(lostTitle, 1.0);
        if (shown.empty()) {
            retried = true;
            break;
        }
        Shell("xdotool windowfocus --sync " + shown + " key --clearmodifiers Return");
        retried = WaitForWindowGone(lostTitle, 2.0);
    }
    ASSERT_TRUE(retried) << "the notice did not take Return";
    ASSERT_TRUE(ConnectCapture(capture, 20.0)) << "the program did not open its output again";
    EXPECT_TRUE(WaitForWindow(lostTitle, 0.5).empty()) << "the retry failed";
    // The MIDI ports went with the server and came back with it (before the audio output).
    EXPECT_NE(Output("jack_lsp").find("tessaron:midi_in"), std::string::npos) << "the MIDI ports did not come back";

    const std::vector<float> stopped = Listen(capture, 300ms);
    EXPECT_LT(Rms(stopped.data(), stopped.size(), 1), 0.01) << "the song did not stop with its output";
    Key(window, "Escape");  // back to the start, where the tone begins
    Key(window, "ctrl+space");
    // The start may lag on a loaded machine: listen until the tone sounds, then judge a stretch.
    const double rate = capture.Rate();
    bool sounding = false;
    for (int attempt = 0; attempt < 20 && !sounding; ++attempt) {
        sounding = Level(Listen(capture, 200ms), 440.0, rate) > 0.1;
    }
    ASSERT_TRUE(sounding) << "the song does not play on the reopened output";
    const std::vector<float> playing = Listen(capture, 800ms);
    ASSERT_GT(playing.size(), size_t(rate / 2));
    if (capture.Xruns() == 0) {
        EXPECT_NEAR(DominantFrequency(playing.data(), playing.size(), 1, capture.Rate(), 300, 600, 5), 440.0, 2.0)
            << "the reopened output plays the tone at a wrong rate";
    } else {
        // Cycles the server missed leave gaps that blur the pitch: the tone must still lead.
        EXPECT_GT(Level(playing, 440.0, rate), 0.1) << capture.Xruns() << " missed cycles";
    }
    Key(window, "Escape");
    Quit(window);
}

TEST_F(DevicesInWindow, MidiNotesFromAnOutsideClientPlayTheBoundSample)
{
    ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
    // Note 36 reaches MIDI key 12; note 38 (key 14) is bound to nothing.
    WriteSong({{"low", 440.0, 12, 1}, {"high", 660.0, 13, 1}});
    const std::string sequencer = "window-keys-" + std::to_string(::getpid());
    WriteSettings("MIDIINDRIVERS=" + sequencer + "\nMIDICANAL=1\n");
    // Every half second: note 36 for a sixth of a second, a quarter second later note 38.
    const pid_t seq =
        SpawnQuietly({ToolPath("jack_midiseq"), sequencer, "24000", "0", "36", "8000", "12000", "38", "8000"});
    ASSERT_GT(seq, 0);
    std::this_thread::sleep_for(300ms);

    JackCapture capture("tessaron-midi-capture-" + std::to_string(::getpid()), 3.0);
    ASSERT_TRUE(capture.Ok());
    const std::string window = Start();
    ASSERT_FALSE(window.empty()) << "the program window did not appear (a MIDI problem notice?)";
    ASSERT_TRUE(ConnectCapture(capture));
    std::this_thread::sleep_for(300ms);
    const std::vector<float> heard = Listen(capture, 1500ms);
    ::kill(seq, SIGTERM);
    WaitForExit(seq, 5.0);
    ASSERT_GT(heard.size(), size_t(capture.Rate()));

    // The bound sample sounds a sixth of every half second; the other never.
    const double rate = capture.Rate();
    const size_t window20ms = static_cast<size_t>(rate * 0.02);
    int loud = 0;
    int quiet = 0;
    for (size_t at = 0; at + window20ms <= heard.size(); at += window20ms) {
        const double level = ToneAmplitude(heard.data() + at, window20ms, 1, 440.0, rate);
        (level > 0.15 ? loud : quiet) += 1;
    }
    const double share = static_cast<double>(loud) / (loud + quiet);
    EXPECT_NEAR(share, 1.0 / 3.0, 0.12) << "note 36 did not play the sample bound to it for as long as it was held";
    EXPECT_LT(Level(heard, 660.0, rate), 0.02) << "a note played a sample of another key";
    Quit(window);
}

TEST_F(DevicesInWindow, CompanionLinkHandsASampleToTheRunningWindow)
{
    ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
    WriteSong({{"tone", 440.0, 0, 1}});
    const std::string handed = WriteTone("handed", 660.0, 2);
    JackCapture capture("tessaron-link-capture-" + std::to_string(::getpid()), 3.0);
    ASSERT_TRUE(capture.Ok());
    const std::string window = Start();
    ASSERT_FALSE(window.empty()) << "the program window did not appear";
    ASSERT_TRUE(ConnectCapture(capture));
    const std::vector<float> before = Listen(capture, 300ms);
    EXPECT_LT(Level(before, 660.0, capture.Rate()), 0.02);

    // A second process sends the record; with the default Auto Play the sample plays at once.
    const std::string sent = dir_.file("sent.txt");
    const pid_t send = SpawnWithErrors({std::string(TESSARON_BINARY_DIR) + "/tessaron-cli", "send", "file", "--path",
                                        handed, "--name", "handed", "--duration", "2000", "--data-size",
                                        std::to_string(44100 * 4 * 2)},
                                       sent);
    ASSERT_EQ(WaitForExit(send, 10.0), 0) << "the window did not take the record";
    std::this_thread::sleep_for(200ms);
    const std::vector<float> after = Listen(capture, 600ms);
    EXPECT_GT(Level(after, 660.0, capture.Rate()), 0.1) << "the handed-over sample did not play";

    // A malformed record is refused and the window lives on.
    const pid_t bad = SpawnQuietly({std::string(TESSARON_BINARY_DIR) + "/tessaron-cli", "send", "file", "--path",
                                    handed, "--socket", dir_.file("run/Tessaron Communication"), "--data-size", "-5"});
    WaitForExit(bad, 10.0);
    EXPECT_EQ(::kill(pid_, 0), 0);

    // Saved, the song holds the handed-over medium.
    Key(window, "Escape");
    Key(window, "ctrl+s");
    std::this_thread::sleep_for(500ms);
    CChordwayDoc saved;
    ASSERT_TRUE(CSongFile::Read(saved, dir_.file("song.tsn"), CSongFile::ReadMode::AsStored).ok());
    ASSERT_EQ(saved.MediaCount(), 2);
    EXPECT_EQ(saved.MediumAt(1)->name, "handed");
    Quit(window);
}

// A MIDI source of the test that follows the connections of the program's input port.
class InputWatch {
public:
    explicit InputWatch(const std::string& name)
    {
        client_ = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
        if (client_ == nullptr) {
            return;
        }
        port_ = jack_port_register(client_, "keys", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_port_connect_callback(client_, &InputWatch::OnConnect, this);
        active_ = port_ != nullptr && jack_activate(client_) == 0;
    }
    ~InputWatch()
    {
        if (client_ != nullptr) {
            jack_client_close(client_);
        }
    }
    InputWatch(const InputWatch&) = delete;
    InputWatch& operator=(const InputWatch&) = delete;

    bool Ok() const { return active_; }
    std::string PortName() const { return jack_port_name(port_); }
    bool Connected() const { return jack_port_connected_to(port_, kInput) != 0; }
    // Times the program's input port was cut from whatever fed it: once per reopening.
    int Disconnects() const { return disconnects_.load(); }

    template <typename Condition>
    static bool WaitFor(Condition condition, std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

private:
    static constexpr const char* kInput = "tessaron:midi_in";

    // On JACK's notification thread.
    static void OnConnect(jack_port_id_t a, jack_port_id_t b, int connect, void* self)
    {
        auto& watch = *static_cast<InputWatch*>(self);
        for (jack_port_id_t id : {a, b}) {
            const jack_port_t* port = jack_port_by_id(watch.client_, id);
            if (connect == 0 && port != nullptr && std::string(jack_port_name(port)) == kInput) {
                watch.disconnects_.fetch_add(1);
                return;
            }
        }
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    bool active_ = false;
    std::atomic<int> disconnects_{0};
};

// The Options dialog through the Edit menu; answers the dialog's window, empty when it did not
// open.
std::string OpenOptions(const std::string& window)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        Shell("xdotool windowfocus --sync " + window + " key --clearmodifiers alt+e");
        std::this_thread::sleep_for(300ms);  // the menu opens
        Shell("xdotool key --clearmodifiers p");
        const std::string dialog = WaitForWindow("^Options$", 5.0);
        if (!dialog.empty()) {
            return dialog;
        }
        Shell("xdotool key --clearmodifiers Escape");
    }
    return {};
}

// The settings name an input that is not there: the program says so and leaves its input port
// unconnected, and the Options dialog's "In" list then shows the first source there is (the
// test's). OK with that choice reopens the ports on it; OK with nothing changed, and Cancel,
// leave them alone.
TEST_F(DevicesInWindow, OptionsDialogReopensTheMidiPortsOnlyWhenAMidiFieldChanged)
{
    PrivateJackServer server("-options");  // the test's source is the only one on it
    ASSERT_TRUE(server.Start());
    InputWatch watch("options-keys-" + std::to_string(::getpid()));
    ASSERT_TRUE(watch.Ok());
    WriteSong({{"tone", 440.0, 12, 1}});
    WriteSettings("MIDIINDRIVERS=not-yet-there\nMIDICANAL=1\n");
    pid_ = SpawnWithErrors({std::string(TESSARON_BINARY_DIR) + "/tessaron", dir_.file("song.tsn")},
                           dir_.file("errors.txt"));
    // "Problem with the midi in device not-yet-there" is answered first.
    std::string window;
    bool told = false;
    for (int i = 0; i < 100 && (window.empty() || !told); ++i) {
        const std::string notice = WaitForWindow("^Tessaron$", 0.2);
        if (!notice.empty()) {
            told = true;
            Shell("timeout 5 xdotool windowfocus --sync " + notice + " key --clearmodifiers Return");
        }
        window = WaitForWindow("^song - Tessaron$", 0.2);
    }
    ASSERT_FALSE(window.empty()) << "the program window did not appear";
    EXPECT_TRUE(told) << "the missing input port was not named";
    ASSERT_TRUE(WaitForWindowGone("^Tessaron$", 5.0));
    const auto hasInput = [] { return Output("jack_lsp").find("tessaron:midi_in") != std::string::npos; };
    ASSERT_TRUE(InputWatch::WaitFor(hasInput, 5s)) << "no MIDI input port";
    EXPECT_FALSE(watch.Connected()) << "the input was connected to a port the settings do not name";

    std::string dialog = OpenOptions(window);
    ASSERT_FALSE(dialog.empty()) << "the Options dialog did not open";
    ASSERT_TRUE(Shell("xdotool windowfocus --sync " + dialog + " key --clearmodifiers Return"));
    EXPECT_TRUE(InputWatch::WaitFor([&] { return watch.Connected(); }, 10s))
        << "OK with another input did not reopen the input on it";
    EXPECT_TRUE(WaitForWindowGone("^Options$", 5.0));
    const int reopened = watch.Disconnects();

    // Unchanged: OK, and then Cancel. The third dialog opens after the frame has handled the
    // second; JACK tells of a disconnection within milliseconds.
    dialog = OpenOptions(window);
    ASSERT_FALSE(dialog.empty());
    ASSERT_TRUE(Shell("xdotool windowfocus --sync " + dialog + " key --clearmodifiers Return"));
    ASSERT_TRUE(WaitForWindowGone("^Options$", 5.0));
    dialog = OpenOptions(window);
    ASSERT_FALSE(dialog.empty());
    ASSERT_TRUE(Shell("xdotool windowfocus --sync " + dialog + " key --clearmodifiers Escape"));
    ASSERT_TRUE(WaitForWindowGone("^Options$", 5.0));
    EXPECT_FALSE(InputWatch::WaitFor([&] { return watch.Disconnects() != reopened; }, 500ms))
        << "an unchanged dialog reopened the ports";
    EXPECT_TRUE(watch.Connected());
    // The watch does see a disconnection of the input when there is one.
    ASSERT_TRUE(Shell("jack_disconnect " + watch.PortName() + " tessaron:midi_in"));
    EXPECT_TRUE(InputWatch::WaitFor([&] { return watch.Disconnects() != reopened; }, 5s));

    Quit(window);
    EXPECT_EQ(ReadSettings(SettingsFile())["MIDIINDRIVERS"], watch.PortName());
}

}  // namespace
}  // namespace tessaron::test
