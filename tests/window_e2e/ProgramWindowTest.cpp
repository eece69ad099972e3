// The program window end to end: the real `tessaron` on a private X server (Xvfb), played from
// the keyboard through xdotool into the fixture's JACK server.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
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

using namespace std::chrono_literals;

// What a command prints, trimmed; empty when it fails.
std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            text += buffer;
        }
        ::pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// A private X server for this test, stopped with it.
class XServer {
public:
    XServer()
    {
        for (int attempt = 0; attempt < 20 && pid_ < 0; ++attempt) {
            const int display = 300 + (::getpid() + attempt * 37) % 600;
            if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) {
                continue;
            }
            pid_ = SpawnQuietly({"/usr/bin/Xvfb", ":" + std::to_string(display), "-screen", "0", "1280x800x24",
                                 "-nolisten", "tcp"});
            for (int i = 0; i < 100 && pid_ > 0; ++i) {
                if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) {
                    name_ = ":" + std::to_string(display);
                    return;
                }
                std::this_thread::sleep_for(50ms);
            }
            Stop();
        }
    }
    ~XServer() { Stop(); }
    const std::string& Name() const { return name_; }

private:
    void Stop()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            WaitForExit(pid_, 5.0);
            pid_ = -1;
        }
    }
    pid_t pid_ = -1;
    std::string name_;
};

// The "Settings" section of the settings file as key -> value.
std::map<std::string, std::string> ReadSettings(const std::string& path)
{
    std::map<std::string, std::string> values;
    std::ifstream file(path);
    std::string line;
    bool inSection = false;
    while (std::getline(file, line)) {
        if (!line.empty() && line.front() == '[') {
            inSection = line == "[Settings]";
        } else if (inSection) {
            const size_t equals = line.find('=');
            if (equals != std::string::npos) {
                values[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
    }
    return values;
}

// "X Y W H" of a window as the X server has it.
std::string Geometry(const std::string& window)
{
    const std::string text = Output("xdotool getwindowgeometry --shell " + window);
    std::map<std::string, std::string> values;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
        start = end + 1;
    }
    return values["X"] + " " + values["Y"] + " " + values["WIDTH"] + " " + values["HEIGHT"];
}

class ProgramWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
        ASSERT_FALSE(x_.Name().empty()) << "Xvfb did not start";
        ::setenv("DISPLAY", x_.Name().c_str(), 1);
        ::setenv("HOME", dir_.file("home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", dir_.file("home/.config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", dir_.file("run").c_str(), 1);
        ::setenv("TESSARON_AUDIO_API", "jack", 1);
        std::filesystem::create_directories(dir_.file("home/.config/Quorvel"));
        std::filesystem::create_directories(dir_.file("run"));
        std::filesystem::permissions(dir_.file("run"), std::filesystem::perms::owner_all);
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

    // Starts the program on the song and answers its window, empty when none appeared.
    std::string Start()
    {
        pid_ = SpawnQuietly({std::string(TESSARON_BINARY_DIR) + "/tessaron", dir_.file("tone.tsn")});
        for (int i = 0; i < 200 && pid_ > 0; ++i) {
            const std::string window = Output("xdotool search --name '^tone - Tessaron$'");
            if (!window.empty()) {
                std::this_thread::sleep_for(300ms);  // let the first paint and the layout settle
                return window.substr(0, window.find('\n'));
            }
            std::this_thread::sleep_for(50ms);
        }
        return {};
    }

    void Key(const std::string& window, const std::string& key)
    {
        ASSERT_TRUE(Shell("xdotool windowfocus --sync " + window));
        ASSERT_TRUE(Shell("xdotool key --clearmodifiers --window " + window + " " + key));
    }

    // Listens to the program for a while; answers the left channel.
    std::vector<float> Listen(JackCapture& capture, std::chrono::milliseconds time)
    {
        capture.Start();
        std::this_thread::sleep_for(time);
        capture.Stop();
        return Channel(capture.Frames(), 2, 0);
    }

    void TearDown() override
    {
        if (pid_ > 0 && ::kill(pid_, 0) == 0) {
            ::kill(pid_, SIGTERM);
            WaitForExit(pid_, 5.0);
        }
    }

    TempDir dir_;
    XServer x_;
    pid_t pid_ = -1;
};

TEST_F(ProgramWindow, PlaysFromTheKeyboardAndKeepsItsPlacement)
{
    const std::string settingsFile = dir_.file("home/.config/Quorvel/Tessaron.conf");
    {
        // A placement of an earlier run at this screen size, not maximized.
        std::ofstream seed(settingsFile);
        seed << "[Settings]\nX=40\nY=30\nCX=900\nCY=640\nRESX=1280\nRESY=800\nSTYLE=13565952\n";
    }
    std::string window = Start();
    ASSERT_FALSE(window.empty()) << "the program window did not appear";
    EXPECT_EQ(Geometry(window), "40 30 900 640") << "the saved placement was not used";

    JackCapture capture("tessaron-window-capture-" + std::to_string(::getpid()), 3.0);
    ASSERT_TRUE(capture.Ok());
    bool connected = false;
    for (int i = 0; i < 100 && !connected; ++i) {
        connected = capture.ConnectFrom("Tessaron");
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(connected) << "the program's JACK client did not appear";

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
