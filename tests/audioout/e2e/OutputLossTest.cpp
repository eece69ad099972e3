// Sound servers that go away, stop answering or are absent, with the device and with the
// command-line tool: nothing hangs, the user is told, and a new server is taken up again.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "audioout/CSoundDevice.h"
#include "audioout/SoftwareMixer.h"
#include "framework/CMessageRecorder.h"
#include "support/OutputPulseServer.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"

namespace tessaron::test {
namespace {

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr double kSlowdown = 2.0;  // sanitized builds start and tear down more slowly
#else
constexpr double kSlowdown = 1.0;
#endif

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

std::string Cli() { return std::string(TESSARON_BINARY_DIR) + "/tessaron-cli"; }

std::string ReadText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Sets (or with nullopt removes) an environment variable for this process and the programs it
// starts, and puts the old value back at the end.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, std::optional<std::string> value) : name_(std::move(name))
    {
        if (const char* old = std::getenv(name_.c_str())) {
            old_ = old;
        }
        value ? ::setenv(name_.c_str(), value->c_str(), 1) : ::unsetenv(name_.c_str());
    }
    ~ScopedEnvironment() { old_ ? ::setenv(name_.c_str(), old_->c_str(), 1) : ::unsetenv(name_.c_str()); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A JACK server of this test alone, which it may kill, stop and start again under the same
// name. While it lives, JACK is the only sound server this process and its children see.
class PrivateJackServer {
public:
    PrivateJackServer()
        : name_("tessaron-loss-" + std::to_string(::getpid())),
          server_("JACK_DEFAULT_SERVER", name_),
          api_("TESSARON_AUDIO_API", std::nullopt),
          pulse_("PULSE_SERVER", std::nullopt),
          runtime_("XDG_RUNTIME_DIR", runtimeDir_.path().string())
    {
    }
    ~PrivateJackServer() { Stop(); }

    const std::string& Name() const { return name_; }

    bool Start()
    {
        pid_ = SpawnWithErrors({"/usr/bin/jackd", "-n", name_, "-d", "dummy", "-r", "48000", "-p", "256"}, Log());
        for (int i = 0; i < 50 && pid_ > 0; ++i) {
            if (WaitForExit(SpawnQuietly({"/usr/bin/jack_lsp"}), 5.0) == 0) {
                return true;
            }
            Sleep(0.1);
        }
        return false;
    }

    // SIGTERM, as `kill` sends: the server tells its clients that it is going. SIGKILL would
    // leave its entry in JACK's machine-wide registry of servers, which holds only eight.
    void Stop()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGCONT);
            ::kill(pid_, SIGTERM);
            WaitForExit(pid_, 5.0);
            pid_ = -1;
        }
    }
    void Pause() const { ::kill(pid_, SIGSTOP); }
    std::string Log() const { return runtimeDir_.file("jackd.log"); }

private:
    std::string name_;
    TempDir runtimeDir_;  // an empty runtime folder: no PulseAudio socket to be found
    ScopedEnvironment server_, api_, pulse_, runtime_;
    pid_t pid_ = -1;
};

// The demo song (32 s) made by the tool itself.
std::string DemoSong(const TempDir& dir)
{
    const std::string folder = dir.file("demo");
    EXPECT_EQ(WaitForExit(SpawnQuietly({Cli(), "demo", folder}), 60.0), 0);
    return folder + "/demo.tsn";
}

TEST(OutputLoss, DeviceTellsOfTheLostServerOnceAndOpensAgainOnANewOne)
{
    PrivateJackServer server;
    ASSERT_TRUE(server.Start()) << ReadText(server.Log());
    CSoundDevice device;
    ASSERT_EQ(device.Api(), AudioApi::Jack);
    CMessageRecorder messages;
    device.SetMessageSink(&messages);
    device.SetClientName("tessaron-loss-device");
    ASSERT_TRUE(device.OpenDefault(nullptr));
    Sleep(0.6);  // longer than the stall limit: a running stream is not taken for a lost one
    EXPECT_FALSE(device.Lost());
    EXPECT_TRUE(messages.messagesOf(CSoundDevice::kMessageOutputLost).empty());

    server.Stop();
    const auto stopped = Clock::now();
    while (messages.messagesOf(CSoundDevice::kMessageOutputLost).empty() && SecondsSince(stopped) < 5.0) {
        Sleep(0.01);
    }
    EXPECT_LT(SecondsSince(stopped), 1.0 * kSlowdown);
    EXPECT_TRUE(device.Lost());
    Sleep(0.3);
    const auto lost = messages.messagesOf(CSoundDevice::kMessageOutputLost);
    ASSERT_EQ(lost.size(), 1U);
    EXPECT_EQ(lost[0].first, static_cast<intptr_t>(AudioApi::Jack));

    const auto closing = Clock::now();
    device.Close();
    EXPECT_LT(SecondsSince(closing), 0.5 * kSlowdown) << "closing waited on the gone server";

    // A new server under the same name: the same device object plays on it.
    ASSERT_TRUE(server.Start()) << ReadText(server.Log());
    ASSERT_TRUE(device.OpenDefault(nullptr));
    Sleep(0.6);
    EXPECT_FALSE(device.Lost());
    ASSERT_TRUE(device.Mixer());
    EXPECT_GT(device.Mixer()->BlockFrames(), 0U) << "no callback on the new server";
    EXPECT_EQ(messages.messagesOf(CSoundDevice::kMessageOutputLost).size(), 1U);
    device.Close();
}

TEST(OutputLoss, DeviceTellsOfAGonePulseAudioServer)
{
    ScopedEnvironment api("TESSARON_AUDIO_API", std::nullopt);
    auto server = std::make_unique<OutputPulseServer>();
    std::string error;
    ASSERT_TRUE(server->Start(error)) << error;
    const std::string monitor = server->Folder() + "/monitor.raw";
    OutputPulseRecorder recorder("ci_sink.monitor", monitor);  // so that the first write does not stall
    CSoundDevice device(AudioApi::Pulse);
    CMessageRecorder messages;
    device.SetMessageSink(&messages);
    ASSERT_TRUE(device.OpenDefault(nullptr));
    Sleep(1.5);
    EXPECT_FALSE(device.Lost());

    recorder.Stop();
    server.reset();
    const auto gone = Clock::now();
    while (messages.messagesOf(CSoundDevice::kMessageOutputLost).empty() && SecondsSince(gone) < 5.0) {
        Sleep(0.01);
    }
    EXPECT_LT(SecondsSince(gone), 1.0 * kSlowdown);
    EXPECT_TRUE(device.Lost());
    const auto closing = Clock::now();
    device.Close();
    EXPECT_LT(SecondsSince(closing), 0.5 * kSlowdown);
}

TEST(OutputLoss, PlayCommandSaysTheOutputWasLostAndEnds)
{
    TempDir dir;
    const std::string song = DemoSong(dir);
    PrivateJackServer server;
    ASSERT_TRUE(server.Start()) << ReadText(server.Log());
    const std::string errors = dir.file("errors.txt");
    const pid_t pid = SpawnWithErrors({Cli(), "play", song}, errors);
    ASSERT_GT(pid, 0);
    Sleep(1.5 * kSlowdown);  // opened and playing
    server.Stop();
    const auto stopped = Clock::now();
    const int status = WaitForExit(pid, 10.0);
    const double took = SecondsSince(stopped);
    EXPECT_EQ(status, 1);
    EXPECT_LT(took, 1.0 * kSlowdown);
    EXPECT_NE(ReadText(errors).find(song + ": the audio output was lost"), std::string::npos) << ReadText(errors);
}

TEST(OutputLoss, StoppedServerIsNamedAndPassedOverWithoutHanging)
{
    TempDir dir;
    const std::string song = DemoSong(dir);
    PrivateJackServer server;
    ASSERT_TRUE(server.Start()) << ReadText(server.Log());
    server.Pause();
    const std::string named = "JACK server '" + server.Name() + "' does not answer";

    // Listing goes on to the next audio system (ALSA here, which has no device); the audio
    // and the MIDI probes each give the server a few seconds.
    const std::string errors = dir.file("devices.txt");
    auto start = Clock::now();
    EXPECT_EQ(WaitForExit(SpawnWithErrors({Cli(), "devices"}, errors), 30.0), 1);
    EXPECT_LT(SecondsSince(start), 10.0 * kSlowdown);
    EXPECT_NE(ReadText(errors).find(named), std::string::npos) << ReadText(errors);

    // Asked for JACK by name, playing gives up with the same words.
    ScopedEnvironment jack("TESSARON_AUDIO_API", "jack");
    const std::string playErrors = dir.file("play.txt");
    start = Clock::now();
    EXPECT_EQ(WaitForExit(SpawnWithErrors({Cli(), "play", song}, playErrors), 20.0), 1);
    EXPECT_LT(SecondsSince(start), 6.0 * kSlowdown);
    EXPECT_NE(ReadText(playErrors).find(named), std::string::npos) << ReadText(playErrors);
}

TEST(OutputLoss, InterruptAndTerminateEndPlayWithTheShellsStatus)
{
    TempDir dir;
    const std::string song = DemoSong(dir);
    PrivateJackServer server;
    ASSERT_TRUE(server.Start()) << ReadText(server.Log());
    for (const int signal : {SIGINT, SIGTERM}) {
        const pid_t pid = SpawnQuietly({Cli(), "play", song});
        ASSERT_GT(pid, 0);
        Sleep(1.0 * kSlowdown);
        ::kill(pid, signal);
        EXPECT_EQ(WaitForExit(pid, 5.0), 128 + signal) << "signal " << signal;
    }
}

TEST(DeviceProbing, PrintsNoAlsaLibraryLinesUnlessVerbose)
{
    TempDir dir;
    ScopedEnvironment server("JACK_DEFAULT_SERVER", "tessaron-none-" + std::to_string(::getpid()));
    ScopedEnvironment api("TESSARON_AUDIO_API", std::nullopt);
    ScopedEnvironment pulse("PULSE_SERVER", std::nullopt);
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", dir.path().string());
    const std::string quiet = dir.file("quiet.txt");
    WaitForExit(SpawnWithErrors({Cli(), "devices"}, quiet), 20.0);
    EXPECT_EQ(ReadText(quiet).find("ALSA lib"), std::string::npos) << ReadText(quiet);

    // Without a sound card the library always complains: the verbose switch lets it.
    if (::access("/dev/snd", F_OK) != 0) {
        ScopedEnvironment verbose("TESSARON_VERBOSE", "1");
        const std::string loud = dir.file("loud.txt");
        WaitForExit(SpawnWithErrors({Cli(), "devices"}, loud), 20.0);
        EXPECT_NE(ReadText(loud).find("ALSA lib"), std::string::npos);
    }
}

}  // namespace
}  // namespace tessaron::test
