// Sound servers that go away, stop answering or are absent, with the device and with the
// command-line tool: nothing hangs, the user is told, and a new server is taken up again.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "audioout/CSoundDevice.h"
#include "audioout/SoftwareMixer.h"
#include "framework/CMessageRecorder.h"
#include "support/JackRegistry.h"
#include "support/OutputPulseServer.h"
#include "support/PrivateJackServer.h"
#include "support/ProcessSpawn.h"
#include "support/Sanitizers.h"
#include "support/TempDir.h"

namespace tessaron::test {
namespace {

constexpr double kSlowdown = kSanitized ? 4.0 : 1.0;  // sanitized builds start and tear down more slowly

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// Waits up to 5 s for the `count`-th notice of a lost output; answers the seconds since `since`.
double SecondsToLossNotice(const CMessageRecorder& messages, size_t count, Clock::time_point since)
{
    while (messages.messagesOf(CSoundDevice::kMessageOutputLost).size() < count && SecondsSince(since) < 5.0) {
        Sleep(0.005);
    }
    return SecondsSince(since);
}

std::string Cli() { return std::string(TESSARON_BINARY_DIR) + "/tessaron-cli"; }

std::string ReadText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

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
    EXPECT_LT(SecondsToLossNotice(messages, 1, stopped), 1.0 * kSlowdown);
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

// The server goes away three times under one device: each loss is told at once (by JACK's
// shutdown notice, before any stall could show), closing never waits on the gone server, and
// the clients left behind do not keep the next server's stream from playing.
TEST(OutputLoss, DeviceOutlivesRepeatedServerLosses)
{
    PrivateJackServer server;
    CSoundDevice device(AudioApi::Jack);
    CMessageRecorder messages;
    device.SetMessageSink(&messages);
    device.SetClientName("tessaron-loss-repeat");
    for (size_t round = 1; round <= 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_TRUE(server.Start()) << ReadText(server.Log());
        ASSERT_TRUE(device.OpenDefault(nullptr));
        Sleep(0.3);
        ASSERT_GT(device.Mixer()->BlockFrames(), 0U) << "no callback";
        server.Stop();
        const auto stopped = Clock::now();
        EXPECT_LT(SecondsToLossNotice(messages, round, stopped), 0.25 * kSlowdown) << "the loss waited for the stall watch";
        EXPECT_TRUE(device.Lost());
        const auto closing = Clock::now();
        device.Close();
        EXPECT_LT(SecondsSince(closing), 0.5 * kSlowdown);
    }
    EXPECT_EQ(messages.messagesOf(CSoundDevice::kMessageOutputLost).size(), 3U);
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(device.OpenDefault(nullptr));
    EXPECT_NE(CommandOutput("jack_lsp").find("tessaron-loss-repeat:outport 1"), std::string::npos)
        << "the new stream's ports are missing";
    Sleep(0.6);
    EXPECT_FALSE(device.Lost());
    device.Close();
}

// A server stopped (SIGSTOP) mid-play sends no notice: the stall tells of it, closing gives up
// on the server quickly, and once the server runs again a new stream plays on it.
TEST(OutputLoss, StalledServerIsLostAndTakenUpAgainWhenItResumes)
{
    PrivateJackServer server;
    ASSERT_TRUE(server.Start()) << ReadText(server.Log());
    CSoundDevice device;
    CMessageRecorder messages;
    device.SetMessageSink(&messages);
    device.SetClientName("tessaron-loss-stall");
    ASSERT_TRUE(device.OpenDefault(nullptr));
    Sleep(0.3);
    server.Pause();
    const auto paused = Clock::now();
    EXPECT_LT(SecondsToLossNotice(messages, 1, paused), 1.0 * kSlowdown);
    EXPECT_TRUE(device.Lost());
    const auto closing = Clock::now();
    device.Close();
    EXPECT_LT(SecondsSince(closing), 0.5 * kSlowdown) << "closing waited on the stopped server";

    server.Resume();
    ASSERT_TRUE(device.OpenDefault(nullptr));
    Sleep(0.6);
    EXPECT_FALSE(device.Lost());
    EXPECT_GT(device.Mixer()->BlockFrames(), 0U);
    device.Close();
    // The close given up on finished once the server answered: only the new client remained.
    EXPECT_EQ(CommandOutput("jack_lsp").find("tessaron-loss-stall"), std::string::npos) << CommandOutput("jack_lsp");
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
    EXPECT_LT(SecondsToLossNotice(messages, 1, gone), 1.0 * kSlowdown);
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
    // While playing, and early: while the output opens and the song loads, or even before the
    // program set its handlers, where dying by the signal gives the shell the same status.
    auto statusAsTheShellSeesIt = [](pid_t pid, double seconds) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        int status = 0;
        while (Clock::now() < deadline) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            Sleep(0.02);
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    };
    for (const double after : {1.0 * kSlowdown, 0.05}) {
        for (const int signal : {SIGINT, SIGTERM}) {
            const pid_t pid = SpawnQuietly({Cli(), "play", song});
            ASSERT_GT(pid, 0);
            Sleep(after);
            ::kill(pid, signal);
            EXPECT_EQ(statusAsTheShellSeesIt(pid, 10.0), 128 + signal) << "signal " << signal << " after " << after << " s";
        }
    }
}

// The test servers' guard against a registry filled by earlier runs: a killed server's row goes,
// a live one stays reachable.
TEST(JackRegistry, RowsOfDeadServersAreClearedAndLiveOnesKept)
{
    PrivateJackServer killed;
    ASSERT_TRUE(killed.Start()) << ReadText(killed.Log());
    killed.Kill();
    const std::string registry = "/dev/shm/jack-shm-registry";
    ASSERT_NE(ReadText(registry).find(killed.Name() + ":"), std::string::npos) << "a killed server keeps its row";

    PrivateJackServer live("-live");  // started after the sweep inside Start, so its row must survive the next one
    ASSERT_TRUE(live.Start()) << ReadText(live.Log());
    EXPECT_EQ(ReadText(registry).find(killed.Name() + ":"), std::string::npos);
    EXPECT_EQ(ReclaimDeadJackServers(), 0);
    EXPECT_NE(ReadText(registry).find(live.Name() + ":"), std::string::npos);
    EXPECT_EQ(WaitForExit(SpawnQuietly({"/usr/bin/jack_lsp"}), 5.0), 0);
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
