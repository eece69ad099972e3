// What the program window says on stderr when it starts on a machine without a JACK server and
// without the ALSA sequencer: the audio and MIDI libraries' own lines stay away unless asked
// for, and one line of ours says why MIDI is off.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <list>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "support/PrivateJackServer.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"

namespace tessaron::test {
namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The lines libjack, alsa-lib and RtMidi print by themselves when nothing answers.
constexpr const char* kLibraryLines[] = {"Cannot connect to server", "jack server is not running", "JackShm",
                                         "ALSA lib", "MidiInAlsa", "MidiOutAlsa"};

class StartupMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::access("/dev/snd/seq", F_OK) == 0) {
            GTEST_SKIP() << "this machine has an ALSA sequencer";
        }
        std::filesystem::create_directories(dir_.file("run"));
        std::filesystem::permissions(dir_.file("run"), std::filesystem::perms::owner_all);
        environment_.emplace_back("QT_QPA_PLATFORM", "offscreen");
        environment_.emplace_back("TESSARON_AUDIO_API", "offline");
        environment_.emplace_back("JACK_DEFAULT_SERVER", "tessaron-none-" + std::to_string(::getpid()));
        environment_.emplace_back("TESSARON_MIDI_API", std::nullopt);
        environment_.emplace_back("PULSE_SERVER", std::nullopt);
        environment_.emplace_back("TESSARON_VERBOSE", std::nullopt);
        environment_.emplace_back("HOME", dir_.file("home"));
        environment_.emplace_back("XDG_CONFIG_HOME", dir_.file("config"));
        environment_.emplace_back("XDG_RUNTIME_DIR", dir_.file("run"));
    }

    // Starts the program, waits until it has told that MIDI is off (its frame is then made),
    // ends it, and answers what it wrote on stderr.
    std::string StartAndEnd(const std::string& name)
    {
        const std::string errors = dir_.file(name);
        const pid_t pid = SpawnWithErrors({std::string(TESSARON_BINARY_DIR) + "/tessaron"}, errors);
        EXPECT_GT(pid, 0);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (ReadText(errors).find("without MIDI") == std::string::npos && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(pid, SIGTERM);
        WaitForExit(pid, 10.0);
        return ReadText(errors);
    }

    TempDir dir_;
    std::list<ScopedEnvironment> environment_;
};

TEST_F(StartupMessages, OneLineOfOursAndNoneOfTheLibraries)
{
    const std::string told = StartAndEnd("quiet.txt");
    for (const char* line : kLibraryLines) {
        EXPECT_EQ(told.find(line), std::string::npos) << "\"" << line << "\" in:\n" << told;
    }
    const size_t ours = told.find("tessaron: running without MIDI: there is no ALSA sequencer (/dev/snd/seq)");
    ASSERT_NE(ours, std::string::npos) << told;
    EXPECT_EQ(told.find("MIDI", told.find('\n', ours)), std::string::npos) << "MIDI told more than once:\n" << told;
    EXPECT_EQ(told.rfind("MIDI", ours), std::string::npos) << "MIDI told more than once:\n" << told;
}

TEST_F(StartupMessages, TheVerboseSwitchLetsTheLibrariesSpeak)
{
    environment_.emplace_back("TESSARON_VERBOSE", "1");
    const std::string told = StartAndEnd("loud.txt");
    // The probe for a JACK server finds none: libjack says so in its own words.
    EXPECT_NE(told.find("Cannot connect to server"), std::string::npos) << told;
    EXPECT_NE(told.find("running without MIDI"), std::string::npos) << told;
}

}  // namespace
}  // namespace tessaron::test
